// Stand-in registration tool. Each "/REG=" value registers one part of the
// player's shell integration under HKLM\Software\QOLT\Registration; "U"
// removes them all. Every command line is appended to Elevator.log beside it.
#include <windows.h>

#include <string>
#include <vector>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR params, int) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring log = self;
  log = log.substr(0, log.find_last_of(L'\\') + 1) + L"Elevator.log";
  std::wstring line = std::wstring(L" ") + params + L"\r\n";
  HANDLE h = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD written;
    WriteFile(h, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(h);
  }
  const std::wstring key = L"Software\\QOLT\\Registration";
  std::wstring text = params;
  for (size_t p = 0; (p = text.find(L"/REG=", p)) != std::wstring::npos;) {
    p += 5;
    size_t end = text.find(L' ', p);
    std::wstring value = text.substr(p, end == std::wstring::npos ? std::wstring::npos : end - p);
    if (value == L"U") {
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0);
    } else {
      HKEY k;
      if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) == 0) {
        DWORD one = 1;
        RegSetValueExW(k, value.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), sizeof one);
        RegCloseKey(k);
      }
    }
  }
  return 0;
}
