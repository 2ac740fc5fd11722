#include "zor/base/StringList.h"

#include <algorithm>

#include "zor/base/Encoding.h"
#include "zor/base/Streams.h"

void zoSplitLines(std::wstring_view text, const std::function<void(std::wstring_view)>& line) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    size_t start = i;
    while (i < n && text[i] != L'\r' && text[i] != L'\n' && text[i] != L'\u2028') ++i;
    line(text.substr(start, i - start));
    if (i < n && text[i] == L'\u2028') ++i;
    if (i < n && text[i] == L'\r') ++i;
    if (i < n && text[i] == L'\n') ++i;
  }
}

namespace {
const std::wstring kEmpty;
}

int TZORStringList::Add(std::wstring s, void* object) {
  FItems.push_back({std::move(s), object});
  Changed();
  return Count() - 1;
}

void TZORStringList::Insert(int index, std::wstring s, void* object) {
  index = std::clamp(index, 0, Count());
  FItems.insert(FItems.begin() + index, {std::move(s), object});
  Changed();
}

const std::wstring& TZORStringList::Items(int index) const {
  return index >= 0 && index < Count() ? FItems[index].S : kEmpty;
}

void* TZORStringList::Objects(int index) const { return index >= 0 && index < Count() ? FItems[index].Object : nullptr; }

void TZORStringList::Put(int index, std::wstring s) {
  if (index < 0 || index >= Count()) return;
  FItems[index].S = std::move(s);
  Changed();
}

void TZORStringList::PutObject(int index, void* object) {
  if (index >= 0 && index < Count()) FItems[index].Object = object;
}

void TZORStringList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TZORStringList::Clear() {
  std::vector<TItem>().swap(FItems);
  Changed();
}

bool TZORStringList::SameItem(std::wstring_view a, std::wstring_view b) const {
  return IgnoreCase ? zoSameText(a, b) : zoCompareStr(a, b) == 0;
}

int TZORStringList::IndexOf(std::wstring_view s) const {
  for (int i = 0; i < Count(); ++i)
    if (SameItem(FItems[i].S, s)) return i;
  return -1;
}

int TZORStringList::IndexOfName(std::wstring_view name) const {
  const size_t len = name.size();
  for (int i = Count() - 1; i >= 0; --i) {
    const std::wstring& s = FItems[i].S;
    if (s.size() > len && s[len] == NameValueSeparator && SameItem(std::wstring_view(s).substr(0, len), name)) return i;
  }
  return -1;
}

std::wstring TZORStringList::Values(std::wstring_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::wstring() : ValueFromIndex(i);
}

void TZORStringList::SetValue(std::wstring_view name, std::wstring_view value) {
  std::wstring line = std::wstring(name) + NameValueSeparator + std::wstring(value);
  int i = IndexOfName(name);
  if (i >= 0) Put(i, std::move(line));
  else Add(std::move(line));
}

std::wstring TZORStringList::Names(int index) const {
  const std::wstring& s = Items(index);
  size_t p = s.find(NameValueSeparator);
  return p == std::wstring::npos ? std::wstring() : s.substr(0, p);
}

std::wstring TZORStringList::ValueFromIndex(int index) const {
  const std::wstring& s = Items(index);
  size_t p = s.find(NameValueSeparator);
  return p == std::wstring::npos ? s : s.substr(p + 1);
}

std::wstring TZORStringList::Text() const { return GetDelimitedText(L"\r\n", true); }

void TZORStringList::SetText(std::wstring_view text) {
  FItems.clear();
  zoSplitLines(text, [this](std::wstring_view line) { FItems.push_back({std::wstring(line), nullptr}); });
  Changed();
}

std::wstring TZORStringList::GetDelimitedText(std::wstring_view separator, bool trailing) const {
  size_t total = 0;
  for (const auto& item : FItems) total += item.S.size() + separator.size();
  std::wstring text;
  text.reserve(total);
  for (int i = 0; i < Count(); ++i) {
    text += FItems[i].S;
    if (trailing || i + 1 < Count()) text += separator;
  }
  return text;
}

void TZORStringList::LoadFromStream(TStream& stream, uint32_t codePage) { SetText(zoLoadText(stream, codePage)); }

void TZORStringList::SaveToStream(TStream& stream, uint32_t codePage) const { zoSaveText(stream, Text(), codePage); }

void TZORStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const TItem& a, const TItem& b) { return zoCompareStr(a.S, b.S) < 0; });
  Changed();
}

void TZORStringList::SortLogical() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [](const TItem& a, const TItem& b) { return zoCompareLogical(a.S, b.S) < 0; });
  Changed();
}

int TZORStringList::RemoveDuplicates() {
  int removed = 0;
  for (int i = Count() - 1; i >= 0; --i) {
    if (IndexOf(FItems[i].S) < i) {
      FItems.erase(FItems.begin() + i);
      ++removed;
    }
  }
  if (removed) Changed();
  return removed;
}
