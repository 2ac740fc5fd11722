// Stand-in shell-menu library: an in-process COM server that registers and
// removes its class key.
#include <windows.h>

static HINSTANCE gInstance;
static const wchar_t* kClassKey = L"Software\\Classes\\CLSID\\{6A5F3C1E-8B2D-4C1A-9E77-0F2B5D3A1C40}";

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) gInstance = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(gInstance, path, MAX_PATH);
  HKEY key;
  size_t len = static_cast<std::size_t>(lstrlenW(path) + 1) * sizeof(wchar_t);
  wchar_t sub[200];
  lstrcpyW(sub, kClassKey);
  lstrcatW(sub, L"\\InprocServer32");
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, sub, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != 0) return E_FAIL;
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), static_cast<DWORD>(len));
  RegCloseKey(key);
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kClassKey);
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* out) {
  *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() { return S_OK; }
