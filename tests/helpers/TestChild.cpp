// A child process for the process and window tests:
//   exit N            ends with exit code N
//   print OUT ERR     writes OUT to standard output and ERR to standard error
//   sleep MS          sleeps, then ends
//   window CLASS MS   shows a window of that class until closed (or MS pass)
//   busy MS           owns a window but does not serve messages for MS
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int wmain(int argc, wchar_t** argv) {
  // Started as "spawned marker.exe": leave a marker beside itself.
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  if (path.size() > 18 && path.substr(path.size() - 18) == L"spawned marker.exe") {
    std::wstring marker = path.substr(0, path.size() - 18) + L"marker.txt";
    HANDLE h = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return 0;
  }
  if (argc < 2) return 2;
  std::wstring cmd = argv[1];
  if (cmd == L"exit" && argc > 2) return _wtoi(argv[2]);
  if (cmd == L"print" && argc > 3) {
    std::fputws(argv[2], stdout);
    std::fputws(argv[3], stderr);
    return 0;
  }
  if (cmd == L"sleep" && argc > 2) {
    Sleep(_wtoi(argv[2]));
    return 7;
  }
  if ((cmd == L"window" || cmd == L"busy") && argc > 3) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = argv[2];
    RegisterClassW(&wc);
    CreateWindowW(argv[2], L"test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    if (cmd == L"busy") {
      Sleep(_wtoi(argv[3]));
      return 0;
    }
    SetTimer(nullptr, 0, _wtoi(argv[3]), nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_TIMER) break;
      DispatchMessageW(&msg);
    }
    return 0;
  }
  return 2;
}
