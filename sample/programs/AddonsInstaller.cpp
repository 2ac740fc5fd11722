// Stand-in add-ons installer: records the command line it got in
// AddonsInstaller.log beside itself.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR params, int) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring log = self;
  log = log.substr(0, log.find_last_of(L'\\') + 1) + L"AddonsInstaller.log";
  std::wstring line = std::wstring(params) + L"\r\n";
  HANDLE h = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD written;
    WriteFile(h, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(h);
  }
  return 0;
}
