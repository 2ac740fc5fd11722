#pragma once
// INI documents: no trimming, "=" without spaces, headers in column 1, every
// other line kept verbatim (comments too) and written back as read.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zor/base/StringList.h"

class TStream;
class TZORIniFile;

class TZORIniFileSection : public TZORStringList {
public:
  TZORIniFileSection(TZORIniFile* owner, std::wstring name) : FOwner(owner), FName(std::move(name)) {}
  const std::wstring& Name() const { return FName; }
  // Hash of the upper-cased name, computed on first use.
  uint32_t NameHash();
  // The first line whose key equals key ignoring case (keyHash = ElfHash(key, true)); -1 when none.
  int IndexOfKey(std::wstring_view key, uint32_t keyHash);

protected:
  void Changed() override;

private:
  TZORIniFile* FOwner;
  std::wstring FName;
  uint32_t FNameHash = 0;
  bool FHashed = false;
};

class TZORIniFile {
public:
  explicit TZORIniFile(std::wstring fileName = {}, bool autoSave = false);
  TZORIniFile(const TZORIniFile&) = delete;
  TZORIniFile& operator=(const TZORIniFile&) = delete;
  virtual ~TZORIniFile();

  std::wstring FileName;
  bool AutoSave = false;
  uint32_t Encoding = cpUTF16LE;
  std::function<void()> OnChange;
  bool Modified() const { return FModified; }

  virtual void Changed();
  virtual bool ValueExists(std::wstring_view section, std::wstring_view key);
  virtual bool SectionExists(std::wstring_view section);
  virtual bool IsEmpty() const;
  virtual int32_t ReadInteger(std::wstring_view section, std::wstring_view key, int32_t def);
  virtual bool TryReadString(std::wstring_view section, std::wstring_view key, std::wstring& value);
  virtual void WriteString(std::wstring_view section, std::wstring_view key, std::wstring_view value);
  virtual void LoadFromFile(const std::wstring& fileName);
  virtual void LoadFromStream(TStream& stream);
  virtual void LoadFromString(std::wstring_view text);
  virtual void SaveToStream(TStream& stream, uint32_t codePage = cpNone);
  virtual bool UpdateFile();

  std::wstring ReadString(std::wstring_view section, std::wstring_view key, std::wstring_view def = {});
  bool ReadBool(std::wstring_view section, std::wstring_view key, bool def);
  // Hexadecimal value into the stream, which is then rewound; false (stream
  // untouched) for a missing key, an odd length or a non-hex character.
  bool ReadStream(std::wstring_view section, std::wstring_view key, TStream& stream);
  // Appends the non-empty key names of the section's lines, in line order.
  void ReadSection(std::wstring_view section, TZORStringList& keys);
  void ReadSections(TZORStringList& names) const;
  std::wstring ReadSectionText(std::wstring_view section);
  void WriteInteger(std::wstring_view section, std::wstring_view key, int32_t value);
  void WriteBool(std::wstring_view section, std::wstring_view key, bool value);
  // Delete the key when value equals def, otherwise write it.
  void WriteInteger(std::wstring_view section, std::wstring_view key, int32_t value, int32_t def);
  void WriteBool(std::wstring_view section, std::wstring_view key, bool value, bool def);
  void WriteSectionText(std::wstring_view section, std::wstring_view text);
  bool DeleteKey(std::wstring_view section, std::wstring_view key);
  void DeleteSection(std::wstring_view section);
  void Clear();
  void Assign(TZORIniFile& other);
  // Lays the source over this document; with overwrite every source key wins,
  // target-only keys always stay.
  void Merge(TZORIniFile& source, bool overwrite);
  // False instead of raising when the file cannot be written.
  bool SaveToFile(const std::wstring& fileName, uint32_t codePage);
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

  int SectionCount() const { return static_cast<int>(FSections.size()); }
  TZORIniFileSection* Sections(int index) const;
  TZORIniFileSection* FindSection(std::wstring_view name);

private:
  TZORIniFileSection* AddSection(std::wstring_view name);
  std::vector<std::unique_ptr<TZORIniFileSection>> FSections;
  TZORIniFileSection* FLastSection = nullptr;
  int FUpdateCount = 0;
  bool FModified = false;
  bool FChangedInUpdate = false;
};
