#pragma once
// The exception family: a message, the class name and the call stack taken
// where the exception was made. Handlers catch Exception.
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

class Exception : public std::exception {
public:
  explicit Exception(std::wstring message);
  const std::wstring& Message() const noexcept { return FMessage; }
  void SetMessage(std::wstring message);
  virtual const wchar_t* ClassName() const noexcept { return L"Exception"; }
  // Raw return addresses, innermost first.
  const std::vector<void*>& StackFrames() const noexcept { return FFrames; }
  // One line per frame: module+offset, and the function name where one can be had.
  std::wstring StackTrace() const;
  const char* what() const noexcept override;

private:
  std::wstring FMessage;
  std::vector<void*> FFrames;
  mutable std::string FWhat;
};

#define ZOR_DECLARE_EXCEPTION(Name, Base)                                    \
  class Name : public Base {                                                 \
  public:                                                                    \
    using Base::Base;                                                        \
    const wchar_t* ClassName() const noexcept override { return L"" #Name; } \
  }

// Quiet abort: ends an operation without a message reaching the user.
ZOR_DECLARE_EXCEPTION(EAbort, Exception);
ZOR_DECLARE_EXCEPTION(EStreamError, Exception);
ZOR_DECLARE_EXCEPTION(EFOpenError, EStreamError);
ZOR_DECLARE_EXCEPTION(EFCreateError, EStreamError);
ZOR_DECLARE_EXCEPTION(EReadError, EStreamError);
ZOR_DECLARE_EXCEPTION(EWriteError, EStreamError);
ZOR_DECLARE_EXCEPTION(EInvalidOperation, Exception);
ZOR_DECLARE_EXCEPTION(EResNotFound, Exception);
ZOR_DECLARE_EXCEPTION(EInvalidCast, Exception);
ZOR_DECLARE_EXCEPTION(EConvertError, Exception);

class EOSError : public Exception {
public:
  EOSError(std::wstring message, uint32_t errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
  const wchar_t* ClassName() const noexcept override { return L"EOSError"; }
  uint32_t ErrorCode;
};

inline constexpr const wchar_t* SReadError = L"Stream read error";
inline constexpr const wchar_t* SWriteError = L"Stream write error";
inline constexpr const wchar_t* SFOpenErrorEx = L"Cannot open file \"%s\". %s";
inline constexpr const wchar_t* SOSError = L"System Error.  Code: %d.\r\n%s%s";

// The system's text for an error code, without the trailing line break.
std::wstring zoSysErrorMessage(uint32_t code);
// The system's text for the calling thread's last error.
std::wstring zoLastErrorText();
[[noreturn]] void zoRaiseOSError(uint32_t code, const std::wstring& additional = {});
[[noreturn]] void zoRaiseLastOSError();
