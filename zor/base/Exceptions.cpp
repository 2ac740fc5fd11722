#include "zor/base/Exceptions.h"

#include <windows.h>
#include <dbghelp.h>

#include <mutex>

#include "zor/base/Strings.h"

namespace {
constexpr DWORD kMaxFrames = 62;

// The debug-help library is single-threaded and initialised once.
std::mutex gSymLock;
bool gSymReady = false;

std::wstring FrameName(void* address) {
  std::wstring line;
  HMODULE module = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(address), &module) && module) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring name(path, n);
    size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    line = zoFormat(L"%s+0x%x", name,
                    static_cast<uint64_t>(static_cast<const char*>(address) - reinterpret_cast<const char*>(module)));
  } else {
    line = zoFormat(L"0x%x", static_cast<uint64_t>(reinterpret_cast<uintptr_t>(address)));
  }
  std::lock_guard lock(gSymLock);
  if (!gSymReady) {
    SymSetOptions(SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS);
    gSymReady = SymInitializeW(GetCurrentProcess(), nullptr, TRUE) != FALSE;
  }
  if (gSymReady) {
    alignas(SYMBOL_INFOW) char buffer[sizeof(SYMBOL_INFOW) + 256 * sizeof(wchar_t)];
    auto* symbol = reinterpret_cast<SYMBOL_INFOW*>(buffer);
    symbol->SizeOfStruct = sizeof(SYMBOL_INFOW);
    symbol->MaxNameLen = 255;
    DWORD64 displacement = 0;
    if (SymFromAddrW(GetCurrentProcess(), reinterpret_cast<DWORD64>(address), &displacement, symbol))
      line += L" " + std::wstring(symbol->Name);
  }
  return line;
}
}  // namespace

Exception::Exception(std::wstring message) : FMessage(std::move(message)) {
  void* frames[kMaxFrames];
  USHORT n = CaptureStackBackTrace(1, kMaxFrames, frames, nullptr);
  FFrames.assign(frames, frames + n);
}

void Exception::SetMessage(std::wstring message) {
  FMessage = std::move(message);
  FWhat.clear();
}

std::wstring Exception::StackTrace() const {
  std::wstring text;
  for (void* frame : FFrames) {
    text += FrameName(frame);
    text += L"\r\n";
  }
  return text;
}

const char* Exception::what() const noexcept {
  if (FWhat.empty()) FWhat = zoUTF8Encode(FMessage);
  return FWhat.c_str();
}

std::wstring zoSysErrorMessage(uint32_t code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                               FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", n);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return text;
}

std::wstring zoLastErrorText() { return zoSysErrorMessage(GetLastError()); }

void zoRaiseOSError(uint32_t code, const std::wstring& additional) {
  throw EOSError(zoFormat(SOSError, static_cast<int64_t>(code), zoSysErrorMessage(code), additional), code);
}

void zoRaiseLastOSError() { zoRaiseOSError(GetLastError()); }
