#pragma once
// An ordered list of strings with an optional object pointer per item.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "zor/base/Strings.h"

class TStream;

// Takes strings one at a time (searches hand their finds to one).
class IZORStringReceiver {
public:
  virtual ~IZORStringReceiver() = default;
  virtual void AddString(const std::wstring& s) = 0;
};

// Splits text at CR, LF and U+2028; at a break one U+2028, then one CR, then one
// LF are consumed, so CR LF is one break and LF CR two. The last line is
// reported only when it is not empty.
void zoSplitLines(std::wstring_view text, const std::function<void(std::wstring_view)>& line);

class TZORStringList : public IZORStringReceiver {
public:
  struct TItem {
    std::wstring S;
    void* Object = nullptr;
  };

  wchar_t NameValueSeparator = L'=';
  bool IgnoreCase = true;

  TZORStringList() = default;
  TZORStringList(const TZORStringList&) = default;
  TZORStringList& operator=(const TZORStringList&) = default;
  ~TZORStringList() override = default;

  int Add(std::wstring s, void* object = nullptr);
  void Insert(int index, std::wstring s, void* object = nullptr);
  void AddString(const std::wstring& s) override { Add(s); }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Out of range: "" and none.
  const std::wstring& Items(int index) const;
  const std::wstring& operator[](int index) const { return Items(index); }
  void* Objects(int index) const;
  void Put(int index, std::wstring s);
  void PutObject(int index, void* object);
  void Delete(int index);
  void Clear();

  int IndexOf(std::wstring_view s) const;
  // From the last item to the first: the last line with that name wins.
  int IndexOfName(std::wstring_view name) const;
  std::wstring Values(std::wstring_view name) const;
  void SetValue(std::wstring_view name, std::wstring_view value);
  std::wstring Names(int index) const;
  std::wstring ValueFromIndex(int index) const;

  std::wstring Text() const;
  void SetText(std::wstring_view text);
  std::wstring GetDelimitedText(std::wstring_view separator, bool trailing) const;

  void LoadFromStream(TStream& stream, uint32_t codePage = cpNone);
  void SaveToStream(TStream& stream, uint32_t codePage = cpNone) const;

  void Sort();
  void SortLogical();
  int RemoveDuplicates();

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

protected:
  // Called after every change.
  virtual void Changed() {}
  std::vector<TItem> FItems;

private:
  bool SameItem(std::wstring_view a, std::wstring_view b) const;
};
