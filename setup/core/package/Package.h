#pragma once
// IPK5 packages: a 12-byte header ("IPK5", CRC-32 and size of the content),
// then the content LZMA-compressed and XOR-ed with a text key. The content is
// the files' bytes one after the other, then the file table and its length.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zor/base/Exceptions.h"
#include "zor/base/Streams.h"

class ESetupPackageReadError : public Exception {
public:
  ESetupPackageReadError() : Exception(L"Package was corrupted") {}
  const wchar_t* ClassName() const noexcept override { return L"ESetupPackageReadError"; }
};

inline constexpr const wchar_t* SetupPackageKey = L"3060481623";

// The XOR key; its index runs on across calls.
struct TSetupKey {
  std::string Bytes;
  size_t Index = 0;
  void Set(std::wstring_view text);
  void Apply(uint8_t* data, size_t count);
};

struct TSetupPackageFileTableItem {
  std::wstring Name;
  int64_t Offset = 0;
  int64_t Size = 0;
  // Raises the stream read error for a name longer than the bytes that are there.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
};

class TSetupPackageFileTable {
public:
  TSetupPackageFileTableItem& Add();
  // The first item of that name (case-insensitive), or none.
  const TSetupPackageFileTableItem* Find(std::wstring_view name) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  const TSetupPackageFileTableItem& operator[](int index) const { return *FItems[index]; }
  // A count that cannot fit in the bytes left raises the stream read error.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

private:
  std::vector<std::unique_ptr<TSetupPackageFileTableItem>> FItems;
};

class TCustomSetupPackage {
public:
  virtual ~TCustomSetupPackage() = default;
  const TSetupPackageFileTable& FileTable() const { return FTable; }
  TMemoryStream& Content() { return FContent; }

protected:
  TMemoryStream FContent;
  TSetupPackageFileTable FTable;
};

class TSetupPackageReader : public TCustomSetupPackage {
public:
  // Reads the whole package from the stream's position.
  explicit TSetupPackageReader(TStream& source);
  bool Contains(std::wstring_view name) const { return FTable.Find(name) != nullptr; }
  // A copy of the file's bytes positioned at 0; false when there is no such file.
  bool Extract(std::wstring_view name, std::unique_ptr<TMemoryStream>& stream);
  // The file's bytes in place (valid while the reader lives).
  bool View(std::wstring_view name, const uint8_t*& data, int64_t& size);
};

class TSetupPackageBuilder : public TCustomSetupPackage {
public:
  explicit TSetupPackageBuilder(std::wstring keyText = SetupPackageKey) : FKeyText(std::move(keyText)) {}
  // Appends a file from the stream's position to its end.
  void Add(TStream& stream, const std::wstring& name);
  void Commit(TStream& stream, int level);
  void Commit(const std::wstring& fileName, int level);

private:
  std::wstring FKeyText;
};
