#include "setup/core/Setup.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>

#include "setup/core/Actions.h"
#include "setup/core/Errors.h"
#include "setup/core/ExtractHelper.h"
#include "setup/core/Spawn.h"
#include "zor/base/CommandLine.h"
#include "zor/base/Threads.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"

TSetup* CurrentSetup = nullptr;

namespace {
bool SystemAdminCheck() { return IsUserAnAdmin() != FALSE; }
std::atomic<TSetupAdminCheck> gAdminCheck{&SystemAdminCheck};
constexpr UINT kNotifyMessage = 0x400;
}  // namespace

void SetupSetAdminCheck(TSetupAdminCheck check) { gAdminCheck.store(check ? check : &SystemAdminCheck); }
bool SetupIsUserAdmin() { return gAdminCheck.load()(); }

TSetup::TSetup(const std::wstring& parameters, const TSetupEnvironment& environment) {
  CurrentSetup = this;
  try {
    if (!ProductInfoClass) throw EInstallerGeneralError(L"Setup is malformed");
    FProductInfo = ProductInfoClass();
    FResources = std::make_unique<TSetupResources>(environment);
    FExtractHelper = std::make_unique<TSetupExtractHelper>();
    FNotifyWindow = zoCreateMessageWindow(
        L"TSetup", [this](void* w, unsigned m, uintptr_t wp, intptr_t lp) { return WindowProc(w, m, wp, lp); });
    ParseCommandLine(parameters);
  } catch (...) {
    if (FNotifyWindow) zoDestroyMessageWindow(FNotifyWindow);
    CurrentSetup = nullptr;
    throw;
  }
}

TSetup::~TSetup() {
  FThread.reset();
  FExtractHelper.reset();
  FResources.reset();
  FProductInfo.reset();
  zoDestroyMessageWindow(FNotifyWindow);
  if (CurrentSetup == this) CurrentSetup = nullptr;
}

void TSetup::ParseCommandLine(const std::wstring& parameters) {
  if (FResources->ProductPackage->Contains(L"Uninstall.ini")) {
    FMode = TSetupMode::smUninstall;
    FFlags = 0;
    if (zoCommandLineHasSwitch(parameters, L"AUTO")) {
      FFlags |= SetupFlag(soAuto);
      if (zoCommandLineHasSwitch(parameters, L"SILENT")) FFlags |= SetupFlag(soSilent);
    }
    return;
  }
  std::wstring destination;
  FMode = TSetupMode::smInstall;
  if (!zoCommandLineGetSwitch(parameters, L"AUTO", destination)) {
    FFlags = SetupFlag(soUpdate);
    SetDestPath(FProductInfo->DefaultDestination());
    return;
  }
  FFlags = SetupFlag(soAuto);
  SetDestPath(destination.empty() ? FProductInfo->DefaultDestination() : destination);
  if (zoCommandLineHasSwitch(parameters, L"NOBACKUP")) FFlags |= SetupFlag(soNoBackup);
  if (zoCommandLineHasSwitch(parameters, L"RUN")) FFlags |= SetupFlag(soRun);
  if (zoCommandLineHasSwitch(parameters, L"UPDATE")) {
    if (FProductInfo->CanUpdate()) return;
    throw EInstallerUpdateError(zoFormat(L"Cannot install update on v%s", FProductInfo->InstalledVersionText()));
  }
  if (zoCommandLineHasSwitch(parameters, L"PORTABLE")) FFlags |= SetupFlag(soPortable);
  if (zoCommandLineHasSwitch(parameters, L"SILENT")) FFlags |= SetupFlag(soSilent);
}

bool TSetup::HasOption(int index) const { return index >= 0 && index <= 7 && (FFlags >> index) & 1; }

void TSetup::SetOption(int index, bool on) {
  uint8_t flags = FFlags;
  if (index >= 0 && index <= 7) flags = on ? flags | (1u << index) : flags & ~(1u << index);
  SetFlags(flags);
}

void TSetup::SetFlags(uint8_t flags) {
  if (flags == FFlags) return;
  const uint8_t fixed = SetupFlag(soAuto) | SetupFlag(soSilent);
  if ((flags & fixed) != (FFlags & fixed)) throw EInstallerMysteryError(L"Invalid Arguments");
  FFlags = flags;
  Validate();
}

void TSetup::Validate() {
  if (!FProductInfo->CanUpdate()) FFlags &= ~SetupFlag(soUpdate);
  if (IsInProgramFiles()) FFlags &= ~SetupFlag(soPortable);
}

bool TSetup::IsInProgramFiles() const {
  return zoStartsText(FResources->ProgramFilesPath, FDestPath) || zoStartsText(FResources->ProgramFilesX86Path, FDestPath);
}

void TSetup::SetDestPath(const std::wstring& path) {
  if (path == FDestPath) return;
  FDestPath = zoIncludeTrailingPathDelimiter(zoExpandFileName(path));
  FProductInfo->Reload();
  if (FProductInfo->CanUpdate()) {
    FFlags |= SetupFlag(soUpdate);
    if (FProductInfo->IsPortable()) FFlags |= SetupFlag(soPortable);
  } else {
    FFlags &= ~SetupFlag(soUpdate);
  }
  Validate();
}

void TSetup::AddListener(IInstallerNotify* listener) {
  std::lock_guard lock(FLock);
  FListeners.push_back(listener);
}

void TSetup::RemoveListener(IInstallerNotify* listener) {
  std::lock_guard lock(FLock);
  std::erase(FListeners, listener);
}

void TSetup::AddSetupError(const std::wstring& text) {
  if (CurrentSetup) CurrentSetup->Errors.Add(text);
}

void TSetup::Start(bool wait) {
  if (FState != TSetupState::ssIdle) return;
  if (FDestPath.empty()) throw EInstallerInstallError(L"DestPath is empty");
  Validate();
  FState = TSetupState::ssRunning;
  FThread = std::make_unique<TSetupThread>();
  FThread->Resume();
  if (wait) FThread->WaitFor();
}

void TSetup::FreeThread() { FThread.reset(); }

void TSetup::Finish() {
  if (HasErrors() || FMode == TSetupMode::smUninstall) return;
  const uint8_t runMask = SetupFlag(soAuto) | SetupFlag(soUpdate) | SetupFlag(soRun);
  bool byDefault = (FFlags & runMask) == runMask;
  for (const auto& entry : FResources->Script.Actions) {
    if (Options.ReadBool(L"Actions", entry->Name, byDefault))
      TSetupSpawnService::Spawn(FResources->ExpandPath(entry->Name));
  }
}

void TSetup::Notify(int32_t code, int32_t value) {
  SendMessageW(static_cast<HWND>(FNotifyWindow), kNotifyMessage, static_cast<WPARAM>(code), static_cast<LPARAM>(value));
}

void TSetup::NotifyText(int32_t code, const std::wstring& text) {
  COPYDATASTRUCT data{static_cast<ULONG_PTR>(code), static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                      const_cast<wchar_t*>(text.data())};
  SendMessageW(static_cast<HWND>(FNotifyWindow), WM_COPYDATA, reinterpret_cast<WPARAM>(FNotifyWindow),
               reinterpret_cast<LPARAM>(&data));
}

intptr_t TSetup::WindowProc(void* window, unsigned message, uintptr_t wParam, intptr_t lParam) {
  if (message == kNotifyMessage) {
    // Nothing may unwind through the system's message dispatch.
    try {
      Dispatch(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
    } catch (const Exception& e) {
      Errors.Add(e.Message());
    }
    return 0;
  }
  if (message == WM_COPYDATA) {
    auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data && reinterpret_cast<void*>(wParam) == window) {
      std::wstring text(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
      try {
        Dispatch(static_cast<int32_t>(data->dwData), reinterpret_cast<intptr_t>(&text));
      } catch (...) {
      }
      return 1;
    }
  }
  return DefWindowProcW(static_cast<HWND>(window), message, wParam, lParam);
}

void TSetup::Dispatch(int32_t code, intptr_t data) {
  std::lock_guard lock(FLock);
  if (code == ncFinished) {
    FState = TSetupState::ssFinished;
    if (data != 0) Errors.Add(FResources->GetLangText(L"Common", L"E4"));
  }
  // A listener may remove itself while it is called.
  std::vector<IInstallerNotify*> listeners = FListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) (*it)->Notify(code, data);
}
