#include "setup/core/package/Package.h"

#include <cstring>

#include "setup/core/package/Lzma.h"
#include "zor/base/Hashes.h"
#include "zor/base/Strings.h"

void TSetupKey::Set(std::wstring_view text) {
  Bytes = zoEncodeText(text, cpANSI);
  Index = 0;
}

void TSetupKey::Apply(uint8_t* data, size_t count) {
  const size_t n = Bytes.size();
  if (n == 0) return;
  const auto* key = reinterpret_cast<const uint8_t*>(Bytes.data());
  size_t i = 0;
  // Whole key periods at a time through a widened key.
  if (count >= 4 * n) {
    uint8_t wide[80];
    size_t period = n * (sizeof wide / n);
    for (size_t k = 0; k < period; ++k) wide[k] = key[(Index + k) % n];
    for (; i + period <= count; i += period)
      for (size_t k = 0; k < period; ++k) data[i + k] ^= wide[k];
  }
  for (; i < count; ++i) {
    data[i] ^= key[Index];
    Index = Index + 1 == n ? 0 : Index + 1;
  }
}

void TSetupPackageFileTableItem::LoadFromStream(TStream& stream) {
  uint16_t length = stream.ReadValue<uint16_t>();
  if (length * 2 > stream.Size() - stream.Position()) throw EReadError(SReadError);
  Name.resize(length);
  for (auto& c : Name) c = static_cast<wchar_t>(stream.ReadValue<uint16_t>());
  Offset = stream.ReadValue<int64_t>();
  Size = stream.ReadValue<int64_t>();
}

void TSetupPackageFileTableItem::SaveToStream(TStream& stream) const {
  stream.WriteValue(static_cast<uint16_t>(Name.size()));
  for (wchar_t c : Name) stream.WriteValue(static_cast<uint16_t>(c));
  stream.WriteValue(Offset);
  stream.WriteValue(Size);
}

TSetupPackageFileTableItem& TSetupPackageFileTable::Add() {
  FItems.push_back(std::make_unique<TSetupPackageFileTableItem>());
  return *FItems.back();
}

const TSetupPackageFileTableItem* TSetupPackageFileTable::Find(std::wstring_view name) const {
  for (const auto& item : FItems)
    if (zoSameText(item->Name, name)) return item.get();
  return nullptr;
}

void TSetupPackageFileTable::LoadFromStream(TStream& stream) {
  int32_t count = stream.ReadValue<int32_t>();
  if (count <= 0) return;
  // Every entry takes at least 18 bytes.
  if (static_cast<int64_t>(count) * 18 > stream.Size() - stream.Position()) throw EReadError(SReadError);
  FItems.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) Add().LoadFromStream(stream);
}

void TSetupPackageFileTable::SaveToStream(TStream& stream) const {
  stream.WriteValue(static_cast<int32_t>(FItems.size()));
  for (const auto& item : FItems) item->SaveToStream(stream);
}

TSetupPackageReader::TSetupPackageReader(TStream& source) {
  uint8_t header[12];
  source.ReadBuffer(header, sizeof header);
  if (std::memcmp(header, "IPK5", 4) != 0) throw ESetupPackageReadError();
  uint32_t crc, size;
  std::memcpy(&crc, header + 4, 4);
  std::memcpy(&size, header + 8, 4);
  TSetupKey key;
  key.Set(L"3060481623");
  LzmaDecompress(source, FContent, size, [&key](uint8_t* data, size_t count) { key.Apply(data, count); });
  FContent.SetPosition(0);
  if (FContent.Size() != size) throw ESetupPackageReadError();
  TZORHashCRC32::State state;
  TZORHashCRC32::Initialize(state);
  TZORHashCRC32::UpdateFromStream(state, FContent);
  if (TZORHashCRC32::Finalize(state) != crc) throw ESetupPackageReadError();
  if (FContent.Size() < 4) throw EReadError(SReadError);
  FContent.Seek(-4, TSeekOrigin::soEnd);
  uint32_t tableLength = FContent.ReadValue<uint32_t>();
  if (static_cast<int64_t>(tableLength) + 4 > FContent.Size()) throw EReadError(SReadError);
  FContent.Seek(-static_cast<int64_t>(tableLength) - 4, TSeekOrigin::soEnd);
  FTable.LoadFromStream(FContent);
}

bool TSetupPackageReader::View(std::wstring_view name, const uint8_t*& data, int64_t& size) {
  const TSetupPackageFileTableItem* item = FTable.Find(name);
  if (!item) return false;
  if (item->Offset < 0 || item->Size < 0 || item->Offset > FContent.Size() || item->Size > FContent.Size() - item->Offset)
    throw EReadError(SReadError);
  data = FContent.Memory() + item->Offset;
  size = item->Size;
  return true;
}

bool TSetupPackageReader::Extract(std::wstring_view name, std::unique_ptr<TMemoryStream>& stream) {
  const uint8_t* data;
  int64_t size;
  if (!View(name, data, size)) return false;
  auto copy = std::make_unique<TMemoryStream>();
  copy->WriteBuffer(data, size);
  copy->SetPosition(0);
  stream = std::move(copy);
  return true;
}

void TSetupPackageBuilder::Add(TStream& stream, const std::wstring& name) {
  TSetupPackageFileTableItem& item = FTable.Add();
  item.Name = name;
  item.Offset = FContent.Position();
  item.Size = stream.Size() - stream.Position();
  FContent.CopyFrom(stream, item.Size);
}

void TSetupPackageBuilder::Commit(TStream& stream, int level) {
  TMemoryStream table;
  FTable.SaveToStream(table);
  FContent.Seek(0, TSeekOrigin::soEnd);
  table.SetPosition(0);
  FContent.CopyFrom(table);
  FContent.WriteValue(static_cast<uint32_t>(table.Size()));
  FContent.SetPosition(0);
  TZORHashCRC32::State state;
  TZORHashCRC32::Initialize(state);
  TZORHashCRC32::UpdateFromStream(state, FContent);
  uint8_t header[12] = {'I', 'P', 'K', '5'};
  uint32_t crc = TZORHashCRC32::Finalize(state), size = static_cast<uint32_t>(FContent.Size());
  std::memcpy(header + 4, &crc, 4);
  std::memcpy(header + 8, &size, 4);
  stream.WriteBuffer(header, sizeof header);
  TSetupKey key;
  key.Set(FKeyText);
  FContent.SetPosition(0);
  LzmaCompress(FContent, stream, level, [&key](uint8_t* data, size_t count) { key.Apply(data, count); });
}

void TSetupPackageBuilder::Commit(const std::wstring& fileName, int level) {
  TZORBufferedFileStream file(fileName, fmCreate);
  Commit(file, level);
  file.Flush();
}
