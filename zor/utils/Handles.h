#pragma once
// Move-only owners of system handles.
#include <windows.h>
#include <objbase.h>

#include <utility>

template <class T, class Traits>
class TZOROwner {
public:
  TZOROwner() = default;
  explicit TZOROwner(T value) : FValue(value) {}
  TZOROwner(TZOROwner&& other) noexcept : FValue(std::exchange(other.FValue, Traits::Invalid())) {}
  TZOROwner& operator=(TZOROwner&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.FValue, Traits::Invalid()));
    return *this;
  }
  TZOROwner(const TZOROwner&) = delete;
  TZOROwner& operator=(const TZOROwner&) = delete;
  ~TZOROwner() { Reset(); }

  T Get() const { return FValue; }
  explicit operator bool() const { return FValue != Traits::Invalid(); }
  T* Put() {
    Reset();
    return &FValue;
  }
  T Release() { return std::exchange(FValue, Traits::Invalid()); }
  void Reset(T value = Traits::Invalid()) {
    if (FValue != Traits::Invalid()) Traits::Close(FValue);
    FValue = value;
  }

private:
  T FValue = Traits::Invalid();
};

struct THandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct TFileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct TFindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { FindClose(h); }
};
struct TKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY h) { RegCloseKey(h); }
};
struct TModuleTraits {
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE h) { FreeLibrary(h); }
};
struct TGdiTraits {
  static HGDIOBJ Invalid() { return nullptr; }
  static void Close(HGDIOBJ h) { DeleteObject(h); }
};

using TZORHandle = TZOROwner<HANDLE, THandleTraits>;          // processes, threads, events, pipes
using TZORFileHandle = TZOROwner<HANDLE, TFileHandleTraits>;  // CreateFile results
using TZORFindHandle = TZOROwner<HANDLE, TFindHandleTraits>;
using TZORKey = TZOROwner<HKEY, TKeyTraits>;
using TZORModule = TZOROwner<HMODULE, TModuleTraits>;
using TZORGdiObject = TZOROwner<HGDIOBJ, TGdiTraits>;

// A COM interface pointer released when it goes.
template <class I>
class TZORComPtr {
public:
  TZORComPtr() = default;
  TZORComPtr(TZORComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
  TZORComPtr& operator=(TZORComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      FPtr = std::exchange(other.FPtr, nullptr);
    }
    return *this;
  }
  TZORComPtr(const TZORComPtr&) = delete;
  TZORComPtr& operator=(const TZORComPtr&) = delete;
  ~TZORComPtr() { Reset(); }
  I* Get() const { return FPtr; }
  I* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  void** PutVoid() {
    Reset();
    return reinterpret_cast<void**>(&FPtr);
  }
  void Reset() {
    if (FPtr) FPtr->Release();
    FPtr = nullptr;
  }

private:
  I* FPtr = nullptr;
};
