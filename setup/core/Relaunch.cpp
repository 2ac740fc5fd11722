#include "setup/core/Relaunch.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>

#include "setup/core/Spawn.h"
#include "setup/core/SystemHelpers.h"
#include "zor/base/Exceptions.h"
#include "zor/base/Threads.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Shell.h"

namespace {
bool SystemLauncher(SHELLEXECUTEINFOW* info) { return ShellExecuteExW(info) != FALSE; }
std::atomic<TSetupElevatedLauncher> gLauncher{&SystemLauncher};
}  // namespace

void SetupSetElevatedLauncher(TSetupElevatedLauncher launcher) { gLauncher.store(launcher ? launcher : &SystemLauncher); }

bool RunElevated(const std::wstring& parameters) {
  TSetupSpawnService::Initialize(nullptr);
  std::wstring args = zoFormat(L"/%s=%d %s", L"SKIPUAC",
                               static_cast<int64_t>(reinterpret_cast<intptr_t>(TSetupSpawnService::SpawnWindow())), parameters);
  std::wstring file = zoSelfFileName(), folder = zoIncludeTrailingPathDelimiter(zoGetCurrentDir());
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = 0x800540;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = args.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!gLauncher.load()(&info)) {
    DWORD err = GetLastError();
    if (err == ERROR_CANCELLED) return false;
    zoRaiseOSError(err);
  }
  if (info.hProcess) {
    zoWaitForHandle(info.hProcess);
    CloseHandle(info.hProcess);
  }
  return true;
}

std::wstring CopyToTempFolder(const std::wstring& fileName) {
  std::wstring target = zoTempPath() + zoExtractFileName(fileName);
  zoSetFileAttributes(target, 0);
  CopyFileOrRaise(fileName, target);
  ScheduleDeleteOnReboot(target);
  return target;
}

void RunUninstallerFromTempFolder(const std::wstring& parameters) {
  std::wstring self = zoSelfFileName();
  std::wstring exe = CopyToTempFolder(self);
  CopyToTempFolder(zoChangeFileExt(self, L".dat"));
  zoSetCurrentDir(zoExtractFilePath(exe));
  zoShellOpen(exe, zoFormat(L"/%s=\"%s\" %s", L"PATH", zoSelfPath(), parameters));
}

bool IsUninstallerExecutable() { return zoSameText(zoExtractFileName(zoSelfFileName()), L"Uninstall.exe"); }
