#include "zor/utils/Common.h"

#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <atomic>
#include <vector>

#include "zor/base/Exceptions.h"
#include "zor/base/Streams.h"
#include "zor/base/Threads.h"
#include "zor/base/Strings.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Handles.h"

namespace {
// Moves what the pipe holds now to the stream.
void Drain(HANDLE pipe, TStream* stream) {
  if (!pipe || !stream) return;
  std::vector<char> buffer;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
    buffer.resize(available);
    DWORD read = 0;
    if (!ReadFile(pipe, buffer.data(), available, &read, nullptr) || read == 0) return;
    stream->WriteBuffer(buffer.data(), read);
  }
}
}  // namespace

bool TZORProcess::Execute(const std::wstring& commandLine, uint32_t flags, TStream* output, TStream* error,
                          uint32_t* exitCode) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = (flags & pfShow) ? SW_SHOWNORMAL : SW_HIDE;
  TZORHandle outRead, outWrite, errRead, errWrite;
  bool piped = (flags & pfWait) && (output || error);
  if (piped) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    if (!CreatePipe(outRead.Put(), outWrite.Put(), &sa, 0) || !CreatePipe(errRead.Put(), errWrite.Put(), &sa, 0))
      return false;
    // The reading ends stay with us.
    SetHandleInformation(outRead.Get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead.Get(), HANDLE_FLAG_INHERIT, 0);
    si.dwFlags |= STARTF_USESTDHANDLES;
    si.hStdOutput = outWrite.Get();
    si.hStdError = errWrite.Get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(0);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return false;
  TZORHandle process(pi.hProcess), thread(pi.hThread);
  // Our copies of the writing ends must go, or the pipes never report their end.
  outWrite.Reset();
  errWrite.Reset();
  DWORD idle = WaitForInputIdle(process.Get(), 5000);
  if (idle == WAIT_TIMEOUT) return false;
  if (flags & pfWait) {
    if (piped) {
      while (WaitForSingleObject(process.Get(), 10) == WAIT_TIMEOUT) {
        Drain(errRead.Get(), error);
        Drain(outRead.Get(), output);
      }
      Drain(errRead.Get(), error);
      Drain(outRead.Get(), output);
    } else {
      WaitForSingleObject(process.Get(), INFINITE);
    }
    DWORD code = 0;
    if (exitCode && GetExitCodeProcess(process.Get(), &code)) *exitCode = code;
  }
  return true;
}

void* zoFindWindow(const std::wstring& className) { return FindWindowW(className.c_str(), nullptr); }

bool zoGetWindowExeName(void* window, std::wstring& exeName) {
  exeName.clear();
  if (!window || !IsWindow(static_cast<HWND>(window))) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(static_cast<HWND>(window), &pid);
  TZORHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return false;
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameExW(process.Get(), nullptr, buf, MAX_PATH);
  if (n == 0) return false;
  exeName.assign(buf, n);
  return true;
}

namespace {
std::atomic<TZOROSVersionSource> gVersionSource{nullptr};

TZOROSVersion SystemVersion() {
  using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  auto get = reinterpret_cast<TRtlGetVersion>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (!get || get(&info) != 0) return {};
  return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}
}  // namespace

TZOROSVersion zoGetOSVersion() {
  TZOROSVersionSource source = gVersionSource.load();
  return source ? source() : SystemVersion();
}

void zoSetOSVersionSource(TZOROSVersionSource source) { gVersionSource.store(source); }

bool zoCheckWindowsVersion(int major, int minor, int build) {
  TZOROSVersion v = zoGetOSVersion();
  int64_t have = int64_t(v.Major) << 32 | v.Minor, want = int64_t(major) << 32 | static_cast<uint32_t>(minor);
  if (have != want) return have > want;
  return build < 0 || v.Build >= static_cast<uint32_t>(build);
}

bool zoIsWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring zoCreateGUIDString() {
  GUID guid;
  if (FAILED(CoCreateGuid(&guid))) return {};
  wchar_t buf[64];
  StringFromGUID2(guid, buf, 64);
  return zoUpperCase(buf);
}

void* zoLoadLibraryFromFolder(const std::wstring& fileName, uint32_t flags) {
  std::wstring old = zoGetCurrentDir();
  zoSetCurrentDir(zoExtractFilePath(fileName));
  HMODULE module;
  {
    TZORErrorModeGuard guard;
    module = LoadLibraryExW(fileName.c_str(), nullptr, flags);
  }
  DWORD err = GetLastError();
  zoSetCurrentDir(old);
  SetLastError(err);
  return module;
}

namespace {
LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* handler = reinterpret_cast<TZORWindowHandler*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (handler) return (*handler)(hwnd, msg, wp, lp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

std::atomic<TZORLanguageSource> gLanguageSource{nullptr};
}  // namespace

void* zoCreateMessageWindow(const std::wstring& className, TZORWindowHandler handler, bool messageOnly) {
  if (!zoIsMainThread()) throw EInvalidOperation(L"Cannot create window in non-main thread");
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW existing;
  if (GetClassInfoW(instance, className.c_str(), &existing) && existing.lpfnWndProc != DefWindowProcW)
    UnregisterClassW(className.c_str(), instance);
  if (!GetClassInfoW(instance, className.c_str(), &existing)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = className.c_str();
    if (!RegisterClassW(&wc)) zoRaiseLastOSError();
  }
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, className.c_str(), L"", WS_POPUP, 0, 0, 0, 0,
                                messageOnly ? HWND_MESSAGE : nullptr, nullptr, instance, nullptr);
  if (!window) zoRaiseLastOSError();
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TZORWindowHandler(std::move(handler))));
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageWindowProc));
  return window;
}

void zoDestroyMessageWindow(void* window) {
  if (!window) return;
  HWND hwnd = static_cast<HWND>(window);
  auto* handler = reinterpret_cast<TZORWindowHandler*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  DestroyWindow(hwnd);
  delete handler;
}

uint16_t zoGetUserUILanguage() {
  TZORLanguageSource source = gLanguageSource.load();
  return source ? source() : GetUserDefaultUILanguage();
}

void zoSetUserUILanguageSource(TZORLanguageSource source) { gLanguageSource.store(source); }

int zoMessageBox(const std::wstring& text, const std::wstring& caption, uint32_t flags) {
  return MessageBoxW(nullptr, text.c_str(), caption.c_str(), flags);
}
