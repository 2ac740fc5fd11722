// Stand-in player: a window of class "TQOLTMainForm" showing the version from
// QOLT.ini beside the program; it closes on the close message.
#include <windows.h>

#include <string>

static std::wstring gText;

static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      DrawTextW(dc, gText.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring ini = self;
  ini = ini.substr(0, ini.find_last_of(L'\\') + 1) + L"QOLT.ini";
  int version = GetPrivateProfileIntW(L"System", L"Version", 5500, ini.c_str());
  gText = L"QOLT " + std::to_wstring(version / 1000) + L"." + (version % 1000 / 10 < 10 ? L"0" : L"") +
          std::to_wstring(version % 1000 / 10);
  WNDCLASSW wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"TQOLTMainForm";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(L"TQOLTMainForm", gText.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 480, 320,
                            nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
