#pragma once
// The stream family: memory, file (opened from a mode word) and buffered file.
// Positions and sizes are 64-bit; a short ReadBuffer raises EReadError.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zor/base/Exceptions.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t size);

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from the source's position (all the rest when count < 0).
  int64_t CopyFrom(TStream& source, int64_t count = -1);
  template <class T>
  T ReadValue() {
    T v;
    ReadBuffer(&v, sizeof v);
    return v;
  }
  template <class T>
  void WriteValue(const T& v) { WriteBuffer(&v, sizeof v); }
};

// A stream over memory it does not necessarily own; the hashes and the
// package reader work on its bytes in place.
class TCustomMemoryStream : public TStream {
public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return FSize; }
  const uint8_t* Memory() const { return FMemory; }

protected:
  void SetPointer(const uint8_t* memory, int64_t size);
  const uint8_t* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

// A read-only view of bytes owned elsewhere.
class TZORReadOnlyMemoryStream : public TCustomMemoryStream {
public:
  TZORReadOnlyMemoryStream(const void* memory, int64_t size) { SetPointer(static_cast<const uint8_t*>(memory), size); }
};

// Growable memory. Growing does not initialise the new bytes, so sizing a
// stream for a large result costs nothing until it is written.
class TMemoryStream : public TCustomMemoryStream {
public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Raises std::bad_alloc when the memory cannot be had.
  void SetSize(int64_t size) override;
  void Clear();
  uint8_t* Memory() { return FData; }
  const uint8_t* Memory() const { return FData; }
  void LoadFromStream(TStream& source);
  void LoadFromFile(const std::wstring& fileName);
  void SaveToStream(TStream& target);

private:
  void Reserve(size_t capacity);
  uint8_t* FData = nullptr;
  size_t FCapacity = 0;
};

// Long-path form: paths of 260 characters or more get the "\\?\" prefix
// ("\\?\UNC\" for network paths); shorter ones pass unchanged.
std::wstring zoLongPath(std::wstring_view path);

// Sets the calling thread to fail critical errors silently (no removable-media
// prompt) while it lives.
class TZORErrorModeGuard {
public:
  TZORErrorModeGuard();
  ~TZORErrorModeGuard();
  TZORErrorModeGuard(const TZORErrorModeGuard&) = delete;
  TZORErrorModeGuard& operator=(const TZORErrorModeGuard&) = delete;

private:
  unsigned long FOld = 0;
  bool FSet = false;
};

// File mode words: 0xFF00/0xFF40 create or truncate (read and write, no
// sharing); otherwise bits 0-1 access (0 read, 1 write, 2 both) and bits 4-7
// sharing (0/1 none, 2 read, 3 write, 4 both) of an existing file.
inline constexpr uint16_t fmCreate = 0xFF00;
inline constexpr uint16_t fmCreateShared = 0xFF40;
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmShareExclusive = 0x0010;
inline constexpr uint16_t fmShareDenyWrite = 0x0020;
inline constexpr uint16_t fmShareDenyRead = 0x0030;
inline constexpr uint16_t fmShareDenyNone = 0x0040;

// Opens a file from a mode word; INVALID_HANDLE_VALUE on failure (last error set).
void* zoCreateFileHandle(const std::wstring& fileName, uint16_t mode, uint32_t extraFlags = 0);

class THandleStream : public TStream {
public:
  explicit THandleStream(void* handle) : FHandle(handle) {}
  ~THandleStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  void* Handle() const { return FHandle; }

protected:
  void* FHandle;
};

class TZORFileStream : public THandleStream {
public:
  // Raises EFOpenError "Cannot open file "%s". %s" when no handle can be had.
  TZORFileStream(const std::wstring& fileName, uint16_t mode, uint32_t extraFlags = 0);
  const std::wstring& FileName() const { return FFileName; }

private:
  std::wstring FFileName;
};

class TZORBufferedFileStream : public TStream {
public:
  static constexpr int64_t DefaultBufferSize = 262144;
  TZORBufferedFileStream(const std::wstring& fileName, uint16_t mode, int64_t bufferSize = DefaultBufferSize);
  // Flushes what is still buffered; errors there are lost, so writers call Flush first.
  ~TZORBufferedFileStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  // Writes what is buffered; raises EWriteError when the file does not take it all.
  void Flush();
  TZORFileStream& FileStream() { return *FFile; }

private:
  void DropReadAhead();
  std::unique_ptr<TZORFileStream> FFile;
  std::vector<uint8_t> FBuffer;
  int64_t FPosition = 0;    // the stream's position
  int64_t FBufferPos = 0;   // file position of FBuffer[0]
  int64_t FBufferFill = 0;  // bytes valid (read-ahead) or pending (write-behind)
  bool FDirty = false;      // the buffer holds bytes not yet written
};

// Never throw: open for reading with full sharing (0x0040), create for writing (0xFF40).
std::unique_ptr<TZORBufferedFileStream> zoTryOpenFileForReading(const std::wstring& fileName);
std::unique_ptr<TZORBufferedFileStream> zoTryCreateFileForWriting(const std::wstring& fileName);
