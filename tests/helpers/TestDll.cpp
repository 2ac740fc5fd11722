// A DLL for the COM-registration tests: DllUnregisterServer records the
// folder that was current while the DLL loaded.
#include <windows.h>

static wchar_t gLoadFolder[MAX_PATH];

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) GetCurrentDirectoryW(MAX_PATH, gLoadFolder);
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\QOLTTest", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == 0) {
    RegSetValueExW(key, L"UnregisteredFrom", 0, REG_SZ, reinterpret_cast<const BYTE*>(gLoadFolder),
                   static_cast<DWORD>((lstrlenW(gLoadFolder) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  return S_OK;
}
