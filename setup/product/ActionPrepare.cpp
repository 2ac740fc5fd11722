#include "setup/product/ActionPrepare.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "setup/core/Errors.h"
#include "setup/core/Setup.h"
#include "setup/core/SystemHelpers.h"
#include "setup/product/Zip.h"
#include "zor/base/StringList.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Shell.h"

std::wstring TSetupActionPrepare::BackupName(const std::wstring& version) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return zoFormat(L"z Before install %s [%.4d.%.2d.%.2d %.2d-%.2d-%.2d].zip", version, t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
}

void TSetupActionPrepare::Step() {
  ++FDone;
  SetProgress(FTotal ? static_cast<int32_t>(std::lround(FDone * 100.0 / FTotal)) : 100);
}

void TSetupActionPrepare::BuildSummary(TSetupSummaryBuilder& builder) {
  TSetup& setup = *CurrentSetup;
  builder.AddHeaderText(L"PageSetup", L"LB1");
  builder.AddItem(setup.DestPath());
  builder.AddHeaderText(L"PageSetup", L"Title");
  builder.AddItemText(L"PageSetup", setup.HasOption(soUpdate) ? L"CB1" : setup.HasOption(soPortable) ? L"CB3" : L"CB2");
  if (!setup.HasOption(soNoBackup)) builder.AddItemText(L"PageSetup", L"CB4");
  // The replace warning: not an update, yet a copy is there or elsewhere.
  std::wstring elsewhere;
  bool another = !setup.HasOption(soPortable) && (TSetupAppRepo::FindInstallPath(L"QOLT", elsewhere) ||
                                                  TSetupAppRepo::FindInstallPath(L"QOLT3", elsewhere));
  if (!setup.HasOption(soUpdate) && (ProductInfo().InstalledVersion() > 0 || another)) {
    builder.AddHeaderText(L"PageSetup", L"Title");
    builder.AddItemText(L"PageSetup", L"W3");
  }
}

void TSetupActionPrepare::WriteArchive(const TSetupFileList& files) {
  SetStatusText(GetCommonText(L"A1"));
  if (files.Count() == 0) return;
  const std::wstring folder = CurrentSetup->DestPath() + L"!Backup\\";
  ForceFolder(folder);
  std::wstring current;
  try {
    TSetupZipWriter zip(folder + BackupName(ProductInfo().ProductVersion()));
    for (const auto& item : files) {
      current = item.FileName;
      zip.AddFile(item.FileName, item.ArchiveName);
      Step();
    }
    // The files are read and packed here: nothing is deleted unless this succeeds.
    current = files[files.Count() - 1].FileName;
    zip.Close();
  } catch (const Exception& e) {
    throw EInstallerBackupError(zoFormat(L"An error occurs while backuping the \"%s\" file (%d)\r\n%s\r\n%s", current,
                                         zoGetFileSize(current), e.Message(), zoLastErrorText()));
  }
}

void TSetupActionPrepare::Backup(TZORStringList& deletions) {
  TSetup& setup = *CurrentSetup;
  const std::wstring dest = setup.DestPath(), backupFolder = dest + L"!Backup\\";
  TSetupFileList files;
  if (setup.HasOption(soPortable)) {
    files.AddFolder(dest, backupFolder, L"");
  } else {
    for (const auto& profile : FProfiles) files.AddFolder(profile->OldPath, L"", L"Profiles\\" + profile->Name + L"\\");
    files.AddFolder(dest, backupFolder, L"Program\\");
  }
  FTotal += files.Count();
  for (const auto& item : files) deletions.Add(item.FileName);
  for (const wchar_t* name : NeverArchived) files.RemoveByName(name);
  WriteArchive(files);
}

void TSetupActionPrepare::Execute() {
  TSetup& setup = *CurrentSetup;
  const std::wstring dest = setup.DestPath();
  const int32_t installed = ProductInfo().InstalledVersion();
  TZORStringList deletions;
  FDone = 0;
  FProfiles.Populate();
  if (!setup.HasOption(soPortable) && (!setup.HasOption(soUpdate) || installed < 4000)) {
    FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShellMenu>());
    FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveUninstallInfo>());
    FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShortcuts>());
  }
  if (setup.HasOption(soUpdate))
    for (const auto& profile : FProfiles) FTasks.push_back(std::make_unique<TSetupUpdateTaskUpdateConfigs>(*profile));
  FTotal = static_cast<int>(FTasks.size());

  if (!setup.HasOption(soNoBackup)) Backup(deletions);
  if (setup.HasOption(soUpdate)) {
    if (installed > 3599) TSetupHelper::RemoveByPrefix(deletions, dest + L"Plugins\\");
    for (const wchar_t* kept : {L"Icons\\", L"System\\Data\\", L"System\\Encoders\\", L"Skins\\", L"libwebp.dll"})
      TSetupHelper::RemoveByPrefix(deletions, dest + kept);
  }
  TZORStringList archives;
  zoEnumFiles(dest + L"!Backup\\", L"*.zip;", archives);
  archives.Sort();
  for (int i = 0; i + 3 < archives.Count(); ++i) deletions.Add(archives[i]);

  if (zoFileExists(zoGetSystemPath() + L"OptimFROG.dll")) deletions.Add(zoGetSystemPath() + L"OptimFROG.dll");
  std::vector<const wchar_t*> obsolete(std::begin(PluginsAlways), std::end(PluginsAlways));
  if (installed < 4002) obsolete.insert(obsolete.begin(), std::begin(PluginsBefore4002), std::end(PluginsBefore4002));
  if (installed < 4699) obsolete.push_back(PluginsBefore4699);
  if (installed < 5030) obsolete.push_back(PluginsBefore5030);
  for (const wchar_t* folder : obsolete) DoDeleteDir(deletions, dest + L"Plugins\\" + folder);

  // Targets outside the destination are never written (the extract action refuses them), so never deleted here.
  for (const auto& entry : Script().Components) {
    std::wstring target = Resources().ExpandPath(entry->Name);
    if (zoStartsText(dest, target)) deletions.Add(target);
  }
  deletions.RemoveDuplicates();

  SetStatusText(GetCommonText(L"A5"));
  for (auto& task : FTasks) {
    task->Execute(&deletions);
    Step();
  }

  SetStatusText(GetCommonText(L"A3"));
  for (const auto& file : deletions) DeleteFileOrPostpone(file.S);
  TZORStringList folders;
  for (const auto& file : deletions) folders.Add(zoExtractFilePath(file.S));
  folders.RemoveDuplicates();
  folders.Sort();
  for (int i = folders.Count() - 1; i >= 0; --i) zoRemoveDirectory(folders[i]);
}
