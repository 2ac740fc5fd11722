#include "setup/product/ActionsUninstall.h"

#include <windows.h>

#include <cmath>

#include "setup/core/Setup.h"
#include "setup/core/SystemHelpers.h"
#include "setup/product/Profiles.h"
#include "zor/base/INI.h"
#include "zor/utils/FileSystem.h"

namespace {
int32_t Percent(size_t done, size_t total) {
  return total ? static_cast<int32_t>(std::lround(100.0 * static_cast<double>(done) / static_cast<double>(total))) : 100;
}

// True when a folder between dest and path is a link (junction or symbolic link).
bool ThroughLink(const std::wstring& dest, const std::wstring& path) {
  for (size_t p = path.find(L'\\', dest.size()); p != std::wstring::npos; p = path.find(L'\\', p + 1)) {
    uint32_t attributes;
    if (zoGetFileAttributes(path.substr(0, p), attributes) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  }
  return false;
}
}  // namespace

void TSetupActionCloseApplications::Execute() {
  SetStatusText(GetCommonText(L"A8"));
  for (bool found = true; found;) {
    found = false;
    for (const wchar_t* cls : WindowClasses) {
      if (HWND window = FindWindowW(cls, nullptr)) {
        found = true;
        SendMessageW(window, WM_CLOSE, 0, 0);
      }
    }
    Sleep(2000);
  }
}

TSetupActionUninstallIntegration::TSetupActionUninstallIntegration() {
  FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShellMenu>());
  FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShortcuts>());
  FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveFromRegistry>());
}

void TSetupActionUninstallIntegration::Execute() {
  SetStatusText(GetCommonText(L"A9"));
  for (size_t i = 0; i < FTasks.size(); ++i) {
    FTasks[i]->Execute(nullptr);
    SetProgress(Percent(i + 1, FTasks.size()));
  }
}

std::vector<std::wstring> TSetupActionUninstallFiles::CreateFileList() {
  const std::wstring dest = CurrentSetup->DestPath();
  TZORIniFile ini;
  ini.LoadFromStream(*CurrentSetup->Resources().OpenFile(L"Uninstall.ini"));
  TZORStringList files;
  int32_t count = ini.ReadInteger(L"Uninstall", L"Count", 0);
  for (int32_t i = 0; i < count; ++i) {
    std::wstring entry = ini.ReadString(L"Uninstall", zoIntToStr(i));
    if (entry.find(L':') != std::wstring::npos || entry.rfind(L"\\\\", 0) == 0) continue;  // not relative
    std::wstring full = zoFullPathName(dest + entry);
    if (!zoIsPathInside(full, dest) || zoSameText(zoIncludeTrailingPathDelimiter(full), dest) || ThroughLink(dest, full))
      continue;
    files.Add(full);
  }
  files.RemoveDuplicates();
  std::vector<std::wstring> list;
  for (const auto& f : files) list.push_back(f.S);
  return list;
}

std::vector<TSetupActionUninstallFiles::TFolder> TSetupActionUninstallFiles::CreateDirsList() {
  TSetup& setup = *CurrentSetup;
  const std::wstring dest = setup.DestPath();
  std::vector<TFolder> folders;
  // Deepest first, each level in listing order; links are neither entered nor listed.
  std::vector<std::wstring> below;
  zoEnumFilesEx(dest, L"", L"*", fkFolder,
                [&](const TZORFindFileInfo& e) {
                  if (!e.IsReparsePoint()) folders.push_back({e.FullName() + L"\\", false});
                },
                true);
  const bool removeBackups = setup.Options.ReadBool(L"Common", L"RemoveBackups", setup.HasOption(soAuto));
  const bool removeContent = setup.Options.ReadBool(L"Common", L"RemoveContent", false);
  if (removeBackups) folders.push_back({dest + L"!Backup\\", true});
  if (removeContent) {
    folders.push_back({removeBackups ? dest : dest + L"Profile\\", true});
    TZORIniFile installed(dest + L"QOLT.ini");
    if (installed.ReadBool(L"System", L"UserMode", false)) {
      TSetupUsers::Populate([&](const std::wstring&, const std::wstring& appData) {
        folders.push_back({TSetupProfileHelper::GetNewProfilePath(appData), true});
      });
    }
  }
  return folders;
}

void TSetupActionUninstallFiles::Execute() {
  std::vector<TFolder> folders = CreateDirsList();
  std::vector<std::wstring> files = CreateFileList();
  SetStatusText(GetCommonText(L"A9"));
  const size_t total = files.size() + folders.size();
  size_t done = 0;
  for (const auto& f : files) {
    ++done;
    DeleteFileOrPostpone(f);
    SetProgress(Percent(done, total));
  }
  for (const auto& folder : folders) {
    ++done;
    TSetupHelper::RemoveFolder(folder.Path, !folder.Tree);
    SetProgress(Percent(done, total));
  }
}
