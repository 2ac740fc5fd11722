#include "zor/base/INI.h"

#include <windows.h>

#include "zor/base/Encoding.h"
#include "zor/base/Hashes.h"
#include "zor/base/Streams.h"

namespace {
// Object slot of a line: 0 = hash not computed yet, kNoKey = a line without "=".
constexpr uintptr_t kHashed = uintptr_t(1) << 32;
constexpr uintptr_t kNoKey = uintptr_t(1) << 33;
}  // namespace

uint32_t TZORIniFileSection::NameHash() {
  if (!FHashed) {
    FNameHash = ElfHash(FName, true);
    FHashed = true;
  }
  return FNameHash;
}

int TZORIniFileSection::IndexOfKey(std::wstring_view key, uint32_t keyHash) {
  for (int i = 0; i < Count(); ++i) {
    auto slot = reinterpret_cast<uintptr_t>(FItems[i].Object);
    const std::wstring& line = FItems[i].S;
    size_t eq = line.find(L'=');
    if (slot == 0) {
      slot = eq == std::wstring::npos ? kNoKey : kHashed | ElfHash(line.data(), eq, true);
      FItems[i].Object = reinterpret_cast<void*>(slot);
    }
    if (slot == kNoKey || static_cast<uint32_t>(slot) != keyHash || eq != key.size()) continue;
    if (zoSameText(std::wstring_view(line).substr(0, eq), key)) return i;
  }
  return -1;
}

void TZORIniFileSection::Changed() {
  if (FOwner) FOwner->Changed();
}

TZORIniFile::TZORIniFile(std::wstring fileName, bool autoSave) : FileName(std::move(fileName)), AutoSave(autoSave) {
  if (!FileName.empty()) LoadFromFile(FileName);
}

TZORIniFile::~TZORIniFile() {
  if (AutoSave) UpdateFile();
}

void TZORIniFile::Changed() {
  FModified = true;
  if (FUpdateCount == 0) {
    if (OnChange) OnChange();
  } else {
    FChangedInUpdate = true;
  }
}

void TZORIniFile::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedInUpdate) {
    FChangedInUpdate = false;
    if (OnChange) OnChange();
  }
}

TZORIniFileSection* TZORIniFile::Sections(int index) const {
  return index >= 0 && index < SectionCount() ? FSections[index].get() : nullptr;
}

TZORIniFileSection* TZORIniFile::FindSection(std::wstring_view name) {
  if (FLastSection && zoSameText(FLastSection->Name(), name)) return FLastSection;
  uint32_t hash = ElfHash(name, true);
  for (auto& section : FSections) {
    if (section->NameHash() == hash && zoSameText(section->Name(), name)) {
      FLastSection = section.get();
      return FLastSection;
    }
  }
  return nullptr;
}

TZORIniFileSection* TZORIniFile::AddSection(std::wstring_view name) {
  if (TZORIniFileSection* section = FindSection(name)) return section;
  FSections.push_back(std::make_unique<TZORIniFileSection>(this, std::wstring(name)));
  FLastSection = FSections.back().get();
  Changed();
  return FLastSection;
}

bool TZORIniFile::SectionExists(std::wstring_view section) { return FindSection(section) != nullptr; }

bool TZORIniFile::ValueExists(std::wstring_view section, std::wstring_view key) {
  TZORIniFileSection* s = FindSection(section);
  return s && s->IndexOfKey(key, ElfHash(key, true)) >= 0;
}

bool TZORIniFile::IsEmpty() const { return FSections.empty(); }

bool TZORIniFile::TryReadString(std::wstring_view section, std::wstring_view key, std::wstring& value) {
  TZORIniFileSection* s = FindSection(section);
  int i = s ? s->IndexOfKey(key, ElfHash(key, true)) : -1;
  if (i < 0) return false;
  value = s->Items(i).substr(key.size() + 1);
  return true;
}

std::wstring TZORIniFile::ReadString(std::wstring_view section, std::wstring_view key, std::wstring_view def) {
  std::wstring value;
  return TryReadString(section, key, value) ? value : std::wstring(def);
}

int32_t TZORIniFile::ReadInteger(std::wstring_view section, std::wstring_view key, int32_t def) {
  std::wstring value;
  return TryReadString(section, key, value) ? zoStrToIntDef(value, def) : def;
}

bool TZORIniFile::ReadBool(std::wstring_view section, std::wstring_view key, bool def) {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TZORIniFile::ReadStream(std::wstring_view section, std::wstring_view key, TStream& stream) {
  std::wstring value;
  if (!TryReadString(section, key, value) || value.size() % 2) return false;
  auto nibble = [](wchar_t c) -> int {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
  };
  std::vector<uint8_t> bytes(value.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    int hi = nibble(value[2 * i]), lo = nibble(value[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(0);
  return true;
}

void TZORIniFile::ReadSection(std::wstring_view section, TZORStringList& keys) {
  TZORIniFileSection* s = FindSection(section);
  if (!s) return;
  for (int i = 0; i < s->Count(); ++i) {
    std::wstring name = s->Names(i);
    if (!name.empty()) keys.Add(std::move(name));
  }
}

void TZORIniFile::ReadSections(TZORStringList& names) const {
  for (const auto& s : FSections) names.Add(s->Name());
}

std::wstring TZORIniFile::ReadSectionText(std::wstring_view section) {
  TZORIniFileSection* s = FindSection(section);
  return s ? s->Text() : std::wstring();
}

void TZORIniFile::WriteString(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
  TZORIniFileSection* s = AddSection(section);
  std::wstring line;
  line.reserve(key.size() + 1 + value.size());
  line.append(key).append(1, L'=').append(value);
  uint32_t hash = ElfHash(key, true);
  int i = s->IndexOfKey(key, hash);
  if (i >= 0) {
    s->Put(i, std::move(line));
    s->PutObject(i, reinterpret_cast<void*>(kHashed | hash));
  } else {
    s->Add(std::move(line), reinterpret_cast<void*>(kHashed | hash));
  }
}

void TZORIniFile::WriteInteger(std::wstring_view section, std::wstring_view key, int32_t value) {
  WriteString(section, key, zoIntToStr(value));
}

void TZORIniFile::WriteBool(std::wstring_view section, std::wstring_view key, bool value) {
  WriteInteger(section, key, value ? 1 : 0);
}

void TZORIniFile::WriteInteger(std::wstring_view section, std::wstring_view key, int32_t value, int32_t def) {
  if (value == def) DeleteKey(section, key);
  else WriteInteger(section, key, value);
}

void TZORIniFile::WriteBool(std::wstring_view section, std::wstring_view key, bool value, bool def) {
  if (value == def) DeleteKey(section, key);
  else WriteBool(section, key, value);
}

void TZORIniFile::WriteSectionText(std::wstring_view section, std::wstring_view text) {
  AddSection(section)->SetText(text);
}

bool TZORIniFile::DeleteKey(std::wstring_view section, std::wstring_view key) {
  TZORIniFileSection* s = FindSection(section);
  int i = s ? s->IndexOfKey(key, ElfHash(key, true)) : -1;
  if (i < 0) return false;
  s->Delete(i);
  return true;
}

void TZORIniFile::DeleteSection(std::wstring_view section) {
  TZORIniFileSection* s = FindSection(section);
  if (!s) return;
  if (FLastSection == s) FLastSection = nullptr;
  std::erase_if(FSections, [s](const auto& p) { return p.get() == s; });
  Changed();
}

void TZORIniFile::Clear() {
  FLastSection = nullptr;
  FSections.clear();
  Changed();
}

void TZORIniFile::Assign(TZORIniFile& other) {
  TMemoryStream stream;
  other.SaveToStream(stream, cpUTF16LE);
  stream.SetPosition(0);
  LoadFromStream(stream);
}

void TZORIniFile::Merge(TZORIniFile& source, bool overwrite) {
  BeginUpdate();
  for (const auto& section : source.FSections) {
    const std::wstring& name = section->Name();
    if (SectionExists(name)) {
      TZORStringList keys;
      source.ReadSection(name, keys);
      for (const auto& key : keys) {
        if (!overwrite && ValueExists(name, key.S)) continue;
        WriteString(name, key.S, source.ReadString(name, key.S));
      }
    } else {
      WriteSectionText(name, section->Text());
    }
  }
  EndUpdate();
}

void TZORIniFile::LoadFromString(std::wstring_view text) {
  BeginUpdate();
  Clear();
  TZORIniFileSection* current = nullptr;
  zoSplitLines(text, [&](std::wstring_view line) {
    if (line.empty()) return;
    if (line[0] == L'[') {
      current = AddSection(line.size() >= 2 ? line.substr(1, line.size() - 2) : std::wstring_view());
    } else if (current) {
      current->Add(std::wstring(line));
    }
  });
  EndUpdate();
  FModified = false;
}

void TZORIniFile::LoadFromStream(TStream& stream) {
  uint32_t found = cpANSI;
  std::wstring text = zoLoadText(stream, cpNone, &found);
  Encoding = found;
  LoadFromString(text);
}

void TZORIniFile::LoadFromFile(const std::wstring& fileName) {
  Clear();
  if (auto stream = zoTryOpenFileForReading(fileName)) {
    try {
      LoadFromStream(*stream);
    } catch (const Exception&) {
      // An unreadable file gives an empty document.
      Clear();
    }
  }
  FModified = false;
}

void TZORIniFile::SaveToStream(TStream& stream, uint32_t codePage) {
  if (codePage == cpNone) codePage = cpUTF16LE;
  std::wstring text;
  for (const auto& s : FSections) {
    if (s->Count() == 0) continue;
    text.append(1, L'[').append(s->Name()).append(L"]\r\n");
    for (const auto& line : *s) text.append(line.S).append(L"\r\n");
    text.append(L"\r\n");
  }
  zoSaveText(stream, text, codePage);
}

bool TZORIniFile::SaveToFile(const std::wstring& fileName, uint32_t codePage) {
  SetFileAttributesW(zoLongPath(fileName).c_str(), FILE_ATTRIBUTE_NORMAL);
  try {
    TZORBufferedFileStream stream(fileName, fmCreateShared, TZORBufferedFileStream::DefaultBufferSize);
    SaveToStream(stream, codePage);
    stream.Flush();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

bool TZORIniFile::UpdateFile() {
  if (FileName.empty()) return false;
  if (FModified && SaveToFile(FileName, Encoding)) FModified = false;
  return true;
}
