#include "setup/product/UpdateTasks.h"

#include <windows.h>

#include "setup/core/Setup.h"
#include "setup/core/SystemHelpers.h"
#include "setup/product/Profiles.h"
#include "zor/base/StringList.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Shell.h"

namespace {
void AddIfExists(TZORStringList* list, const std::wstring& file) {
  if (list && zoFileExists(file)) list->Add(file);
}

// Renames within the same folder; a failure raises the system error.
void RenameIfExists(const std::wstring& folder, const wchar_t* from, const wchar_t* to) {
  if (!zoFileExists(folder + from)) return;
  if (!zoMoveFile(folder + from, folder + to)) zoRaiseLastOSError();
}
}  // namespace

void DoDeleteDir(TZORStringList& list, const std::wstring& folder) {
  if (!zoDirectoryExists(folder)) return;
  zoEnumFilesEx(zoIncludeTrailingPathDelimiter(folder), L"", L"*", fkFile,
                [&](const TZORFindFileInfo& e) { AddIfExists(&list, e.FullName()); }, true);
}

void TSetupUpdateTaskRemoveShellMenu::Execute(TZORStringList*) {
  const std::wstring dest = CurrentSetup->DestPath();
  for (const wchar_t* name : {L"System\\qolt_menu32.dll", L"System\\qolt_menu64.dll"}) {
    if (!zoFileExists(dest + name)) continue;
    TSetupActiveX::Unregister(dest + name);
    DeleteFileOrPostpone(dest + name);
  }
}

void TSetupUpdateTaskRemoveFromRegistry::Execute(TZORStringList*) {
  TZORProcess::Execute(L"\"" + CurrentSetup->DestPath() + L"Elevator.exe\" /REG=U", pfWait | pfShow);
  TSetupAppRepo::Unregister(CurrentSetup->ProductInfo().ProductName());
}

void TSetupUpdateTaskRemoveUninstallInfo::Execute(TZORStringList*) {
  for (const wchar_t* name : {L"QOLT3", L"QOLT"}) {
    std::wstring folder;
    if (TSetupAppRepo::FindInstallPath(name, folder) && zoStartsText(CurrentSetup->DestPath(), folder))
      TSetupAppRepo::Unregister(name);
  }
}

void TSetupUpdateTaskRemoveShortcuts::Execute(TZORStringList*) {
  std::vector<const wchar_t*> names = {L"QOLT"};
  if (CurrentSetup->ProductInfo().InstalledVersion() < 4000) names.push_back(L"QOLT3");
  for (const wchar_t* name : names) {
    DeleteFileOrPostpone(zoGetSpecialFolderPath(CSIDL_DESKTOP_) + name + L".lnk");
    DeleteFileOrPostpone(zoGetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY_) + name + L".lnk");
    for (int folder : {CSIDL_STARTMENU_, CSIDL_COMMON_PROGRAMS_, CSIDL_COMMON_STARTMENU_})
      zoDeleteDirectory(zoGetSpecialFolderPath(folder) + name + L"\\", true);
  }
}

void TSetupUpdateTaskUpdateConfigs::Execute(TZORStringList* deletions) {
  const std::wstring dest = CurrentSetup->DestPath();
  const std::wstring& p = FProfile.Path;
  const int32_t installed = CurrentSetup->ProductInfo().InstalledVersion();
  TSetupHelper::CopyFolder(FProfile.OldPath, p, false);
  if (deletions) TSetupHelper::RemoveByPrefix(*deletions, p);
  if (installed < 4000) {
    RenameIfExists(dest, L"QOLT3.ini", L"QOLT.ini");
    RenameIfExists(p, L"QOLT3-cat.db", L"QOLT-cat.db");
    RenameIfExists(p, L"qolt3_menu.ini", L"QOLT-ContextMenu.ini");
    RenameIfExists(p, L"QOLT3.ini", L"QOLT.ini");
    RenameIfExists(p, L"QOLT3ac.ini", L"QOLTac.ini");
    RenameIfExists(p, L"QOLT3ate.ini", L"QOLTate.ini");
    for (const wchar_t* f : {L"QOLT3-SkinLayout.ini", L"QOLT3.bak", L"QOLT3ac.bak", L"QOLT3ate.bak"}) AddIfExists(deletions, p + f);
  }
  if (installed < 4500)
    for (const wchar_t* skin : ObsoleteSkins) AddIfExists(deletions, dest + L"Skins\\" + skin);
  if (installed < 4600) AddIfExists(deletions, p + L"AlbumArts.db");
  if (installed < 5020) {
    try {
      AddIfExists(deletions, p + L"AlbumArtCache.db");
      if (zoFileExists(p + L"AlbumArtsForURLs.db")) zoMoveFile(p + L"AlbumArtsForURLs.db", p + L"AlbumArts.Custom.db");
    } catch (...) {
    }
  }
  if (installed < 5401) {
    AddIfExists(deletions, dest + L"System\\libsoxr.dll");
    if (deletions) {
      DoDeleteDir(*deletions, dest + L"System\\Encoders\\");
      DoDeleteDir(*deletions, dest + L"System\\Data\\");
    }
  }
}
