#include "zor/base/Streams.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "zor/base/Strings.h"

int64_t TStream::Size() {
  int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError(L"Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count <= 0) return;
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    int64_t n = Read(p, count);
    if (n <= 0) throw EReadError(SReadError);
    p += n;
    count -= n;
  }
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count <= 0) return;
  if (Write(buffer, count) != count) throw EWriteError(SWriteError);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (auto* mem = dynamic_cast<TCustomMemoryStream*>(&source)) {
    int64_t pos = mem->Position();
    int64_t avail = std::max<int64_t>(0, mem->Size() - pos);
    if (count < 0) count = avail;
    if (count > avail) throw EReadError(SReadError);
    WriteBuffer(mem->Memory() + pos, count);
    mem->Seek(count, TSeekOrigin::soCurrent);
    return count;
  }
  constexpr int64_t kChunk = 1 << 20;
  std::vector<uint8_t> buffer(static_cast<size_t>(count >= 0 ? std::min(count, kChunk) : kChunk));
  int64_t done = 0;
  while (count < 0 || done < count) {
    int64_t want = count < 0 ? kChunk : std::min(kChunk, count - done);
    if (want == 0) break;
    int64_t n = source.Read(buffer.data(), want);
    if (n <= 0) {
      if (count < 0) break;
      throw EReadError(SReadError);
    }
    WriteBuffer(buffer.data(), n);
    done += n;
  }
  return done;
}

// --- memory ------------------------------------------------------------------

void TCustomMemoryStream::SetPointer(const uint8_t* memory, int64_t size) {
  FMemory = memory;
  FSize = size;
}

int64_t TCustomMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || FPosition >= FSize) return 0;
  int64_t n = std::min(count, FSize - FPosition);
  std::memcpy(buffer, FMemory + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TCustomMemoryStream::Write(const void*, int64_t) { throw EStreamError(L"Stream is read-only"); }

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? FPosition : FSize;
  FPosition = std::max<int64_t>(0, base + offset);
  return FPosition;
}

namespace {
// Large blocks come straight from the system, committed at once: the heap's
// lazily committed pages cost a fault handler per page under Wine.
constexpr size_t kLargeBlock = 1 << 20;

void FreeBlock(uint8_t* p, size_t capacity) {
  if (!p) return;
  if (capacity >= kLargeBlock) VirtualFree(p, 0, MEM_RELEASE);
  else std::free(p);
}
}  // namespace

TMemoryStream::~TMemoryStream() { FreeBlock(FData, FCapacity); }

void TMemoryStream::Reserve(size_t capacity) {
  if (capacity <= FCapacity) return;
  if (capacity < kLargeBlock) {
    void* p = std::realloc(FData, capacity);
    if (!p) throw std::bad_alloc();
    FData = static_cast<uint8_t*>(p);
  } else {
    auto* p = static_cast<uint8_t*>(VirtualAlloc(nullptr, capacity, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!p) throw std::bad_alloc();
    if (FSize > 0) std::memcpy(p, FData, static_cast<size_t>(FSize));
    FreeBlock(FData, FCapacity);
    FData = p;
  }
  FCapacity = capacity;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  int64_t end = FPosition + count;
  if (end > FSize) {
    if (static_cast<size_t>(end) > FCapacity) Reserve(std::max<size_t>(end, FCapacity + FCapacity / 2));
    if (FPosition > FSize) std::memset(FData + FSize, 0, static_cast<size_t>(FPosition - FSize));
    SetPointer(FData, end);
  }
  std::memcpy(FData + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  return count;
}

void TMemoryStream::SetSize(int64_t size) {
  size = std::max<int64_t>(0, size);
  if (static_cast<uint64_t>(size) > SIZE_MAX / 2) throw std::bad_alloc();
  Reserve(static_cast<size_t>(size));
  SetPointer(FData, size);
  if (FPosition > FSize) FPosition = FSize;
}

void TMemoryStream::Clear() {
  FreeBlock(FData, FCapacity);
  FData = nullptr;
  FCapacity = 0;
  SetPointer(nullptr, 0);
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  int64_t size = source.Size();
  SetSize(size);
  FPosition = 0;
  source.ReadBuffer(FData, size);
}

void TMemoryStream::LoadFromFile(const std::wstring& fileName) {
  TZORFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& target) { target.WriteBuffer(FData, FSize); }

// --- files -------------------------------------------------------------------

std::wstring zoLongPath(std::wstring_view path) {
  if (path.size() < 260 || path.substr(0, 4) == L"\\\\?\\") return std::wstring(path);
  if (path.substr(0, 2) == L"\\\\") return L"\\\\?\\UNC\\" + std::wstring(path.substr(2));
  return L"\\\\?\\" + std::wstring(path);
}

TZORErrorModeGuard::TZORErrorModeGuard() {
  DWORD old = 0;
  FSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &old) != FALSE;
  FOld = old;
}

TZORErrorModeGuard::~TZORErrorModeGuard() {
  if (FSet) {
    DWORD ignored;
    DWORD err = GetLastError();
    SetThreadErrorMode(FOld, &ignored);
    SetLastError(err);
  }
}

void* zoCreateFileHandle(const std::wstring& fileName, uint16_t mode, uint32_t extraFlags) {
  DWORD access, share, disposition;
  if ((mode & 0xFF00) == 0xFF00) {
    access = GENERIC_READ | GENERIC_WRITE;
    share = 0;
    disposition = CREATE_ALWAYS;
  } else {
    static const DWORD kAccess[4] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, GENERIC_READ};
    static const DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    access = kAccess[mode & 3];
    unsigned s = (mode >> 4) & 0xF;
    share = s < 5 ? kShare[s] : 0;
    disposition = OPEN_EXISTING;
  }
  TZORErrorModeGuard guard;
  return CreateFileW(zoLongPath(fileName).c_str(), access, share, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | extraFlags, nullptr);
}

THandleStream::~THandleStream() {
  if (FHandle && FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}

int64_t THandleStream::Read(void* buffer, int64_t count) {
  int64_t total = 0;
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    DWORD want = static_cast<DWORD>(std::min<int64_t>(count, 1 << 30)), got = 0;
    if (!ReadFile(FHandle, p, want, &got, nullptr) || got == 0) break;
    total += got;
    p += got;
    count -= got;
  }
  return total;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
  int64_t total = 0;
  auto* p = static_cast<const uint8_t*>(buffer);
  while (count > 0) {
    DWORD want = static_cast<DWORD>(std::min<int64_t>(count, 1 << 30)), put = 0;
    if (!WriteFile(FHandle, p, want, &put, nullptr) || put == 0) break;
    total += put;
    p += put;
    count -= put;
  }
  return total;
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN : origin == TSeekOrigin::soCurrent ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(FHandle, distance, &result, method)) return -1;
  return result.QuadPart;
}

int64_t THandleStream::Size() {
  LARGE_INTEGER size;
  return GetFileSizeEx(FHandle, &size) ? size.QuadPart : 0;
}

void THandleStream::SetSize(int64_t size) {
  int64_t pos = Position();
  Seek(size, TSeekOrigin::soBeginning);
  if (!SetEndOfFile(FHandle)) zoRaiseLastOSError();
  Seek(std::min(pos, size), TSeekOrigin::soBeginning);
}

TZORFileStream::TZORFileStream(const std::wstring& fileName, uint16_t mode, uint32_t extraFlags)
    : THandleStream(zoCreateFileHandle(fileName, mode, extraFlags)), FFileName(fileName) {
  if (FHandle == INVALID_HANDLE_VALUE) {
    FHandle = nullptr;
    std::wstring text = zoLastErrorText();
    if ((mode & 0xFF00) == 0xFF00) throw EFCreateError(zoFormat(SFOpenErrorEx, fileName, text));
    throw EFOpenError(zoFormat(SFOpenErrorEx, fileName, text));
  }
}

TZORBufferedFileStream::TZORBufferedFileStream(const std::wstring& fileName, uint16_t mode, int64_t bufferSize)
    : FFile(std::make_unique<TZORFileStream>(fileName, mode)) {
  FBuffer.resize(static_cast<size_t>(bufferSize >= 1024 ? bufferSize : DefaultBufferSize));
}

TZORBufferedFileStream::~TZORBufferedFileStream() {
  try {
    Flush();
  } catch (const Exception&) {
  }
}

void TZORBufferedFileStream::Flush() {
  if (!FDirty) return;
  FFile->Seek(FBufferPos, TSeekOrigin::soBeginning);
  int64_t put = FFile->Write(FBuffer.data(), FBufferFill);
  bool ok = put == FBufferFill;
  FDirty = false;
  FBufferFill = 0;
  if (!ok) throw EWriteError(SWriteError);
}

void TZORBufferedFileStream::DropReadAhead() {
  if (!FDirty) FBufferFill = 0;
}

int64_t TZORBufferedFileStream::Read(void* buffer, int64_t count) {
  Flush();
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t total = 0;
  const auto capacity = static_cast<int64_t>(FBuffer.size());
  while (count > 0) {
    if (FPosition >= FBufferPos && FPosition < FBufferPos + FBufferFill) {
      int64_t n = std::min(count, FBufferPos + FBufferFill - FPosition);
      std::memcpy(p, FBuffer.data() + (FPosition - FBufferPos), static_cast<size_t>(n));
      p += n;
      count -= n;
      total += n;
      FPosition += n;
      continue;
    }
    FFile->Seek(FPosition, TSeekOrigin::soBeginning);
    if (count >= capacity) {
      int64_t n = FFile->Read(p, count);
      if (n > 0) {
        total += n;
        FPosition += n;
      }
      break;
    }
    FBufferPos = FPosition;
    FBufferFill = std::max<int64_t>(0, FFile->Read(FBuffer.data(), capacity));
    if (FBufferFill == 0) break;
  }
  return total;
}

int64_t TZORBufferedFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const auto capacity = static_cast<int64_t>(FBuffer.size());
  if (FDirty && FPosition != FBufferPos + FBufferFill) Flush();
  DropReadAhead();
  if (!FDirty) FBufferPos = FPosition;
  auto* p = static_cast<const uint8_t*>(buffer);
  if (FBufferFill + count > capacity) {
    Flush();
    if (count >= capacity) {
      FFile->Seek(FPosition, TSeekOrigin::soBeginning);
      int64_t n = FFile->Write(p, count);
      if (n > 0) FPosition += n;
      return n;
    }
    FBufferPos = FPosition;
  }
  std::memcpy(FBuffer.data() + FBufferFill, p, static_cast<size_t>(count));
  FBufferFill += count;
  FDirty = true;
  FPosition += count;
  return count;
}

int64_t TZORBufferedFileStream::Size() {
  int64_t size = FFile->Size();
  return FDirty ? std::max(size, FBufferPos + FBufferFill) : size;
}

int64_t TZORBufferedFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? FPosition : Size();
  FPosition = std::max<int64_t>(0, base + offset);
  return FPosition;
}

void TZORBufferedFileStream::SetSize(int64_t size) {
  Flush();
  FBufferFill = 0;
  FFile->SetSize(size);
  if (FPosition > size) FPosition = size;
}

std::unique_ptr<TZORBufferedFileStream> zoTryOpenFileForReading(const std::wstring& fileName) {
  try {
    return std::make_unique<TZORBufferedFileStream>(fileName, fmShareDenyNone);
  } catch (const Exception&) {
    return nullptr;
  }
}

std::unique_ptr<TZORBufferedFileStream> zoTryCreateFileForWriting(const std::wstring& fileName) {
  try {
    return std::make_unique<TZORBufferedFileStream>(fileName, fmCreateShared);
  } catch (const Exception&) {
    return nullptr;
  }
}
