#include "setup/core/Spawn.h"

#include <windows.h>

#include "zor/base/Exceptions.h"
#include "zor/utils/Common.h"
#include "zor/utils/Shell.h"

namespace {
HWND gSpawnWindow = nullptr;
bool gOwnsWindow = false;
UINT gSpawnToken = 0;
}  // namespace

void TSetupSpawnService::Initialize(void* window) {
  if (gSpawnWindow) throw Exception(L"SpawnService is already initialized");
  gSpawnToken = RegisterWindowMessageW(L"SpawnToken");
  if (window) {
    gSpawnWindow = static_cast<HWND>(window);
    gOwnsWindow = false;
    return;
  }
  gSpawnWindow = static_cast<HWND>(zoCreateMessageWindow(
      L"TSetupSpawnService", [](void* w, unsigned message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (message == WM_COPYDATA && data && data->dwData == gSpawnToken) {
          std::wstring command;
          if (data->cbData >= 2) command.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / 2);
          zoShellOpen(command);
        }
        return DefWindowProcW(static_cast<HWND>(w), message, wParam, lParam);
      }));
  gOwnsWindow = true;
}

void TSetupSpawnService::Spawn(const std::wstring& command) {
  if (gSpawnWindow && !gOwnsWindow) {
    COPYDATASTRUCT data{gSpawnToken, static_cast<DWORD>(command.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(command.data())};
    SendMessageW(gSpawnWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    return;
  }
  if (zoCheckWindowsVersion(6, 0)) zoShellOpen(zoIsWine() ? L"Explorer" : L"Explorer.exe", command);
  else zoShellOpen(command);
}

void TSetupSpawnService::Shutdown() {
  if (gOwnsWindow && gSpawnWindow) zoDestroyMessageWindow(gSpawnWindow);
  gSpawnWindow = nullptr;
  gOwnsWindow = false;
}

void* TSetupSpawnService::SpawnWindow() { return gSpawnWindow; }
bool TSetupSpawnService::OwnsWindow() { return gOwnsWindow; }
uint32_t TSetupSpawnService::SpawnTokenMessage() { return gSpawnToken; }
