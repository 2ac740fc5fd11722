#include "zor/base/Strings.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {
void AppendPadded(std::wstring& out, std::wstring_view text, int width, bool left) {
  int pad = width - static_cast<int>(text.size());
  if (pad > 0 && !left) out.append(pad, L' ');
  out.append(text);
  if (pad > 0 && left) out.append(pad, L' ');
}

std::wstring UnsignedText(uint64_t v, unsigned base, bool upper) {
  const wchar_t* digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
  wchar_t buf[24];
  int p = 24;
  do {
    buf[--p] = digits[v % base];
    v /= base;
  } while (v);
  return std::wstring(buf + p, 24 - p);
}

std::wstring FormatOne(wchar_t type, const TZORFormatArg& a, int precision, bool& ok) {
  ok = true;
  switch (type) {
    case L'd':
    case L'u':
    case L'x':
    case L'X': {
      if (a.Kind == TZORFormatArg::fkText || a.Kind == TZORFormatArg::fkFloat) break;
      bool negative = type == L'd' && a.Kind == TZORFormatArg::fkInt && a.I < 0;
      uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(a.I) : a.U;
      std::wstring digits = UnsignedText(magnitude, (type == L'x' || type == L'X') ? 16 : 10, true);
      if (precision > static_cast<int>(digits.size())) digits.insert(0, precision - digits.size(), L'0');
      return negative ? L"-" + digits : digits;
    }
    case L'p':
      if (a.Kind == TZORFormatArg::fkText || a.Kind == TZORFormatArg::fkFloat) break;
      {
        std::wstring digits = UnsignedText(a.U, 16, true);
        digits.insert(0, 16 - digits.size(), L'0');
        return digits;
      }
    case L's':
      if (a.Kind == TZORFormatArg::fkText) {
        std::wstring_view s = a.S;
        if (precision >= 0 && static_cast<size_t>(precision) < s.size()) s = s.substr(0, precision);
        return std::wstring(s);
      }
      if (a.Kind == TZORFormatArg::fkFloat) return FormatOne(L'g', a, precision, ok);
      return a.Kind == TZORFormatArg::fkInt ? zoIntToStr(a.I) : UnsignedText(a.U, 10, false);
    case L'f':
    case L'e':
    case L'g': {
      double v = a.Kind == TZORFormatArg::fkFloat ? a.F
                 : a.Kind == TZORFormatArg::fkInt ? static_cast<double>(a.I)
                                                  : static_cast<double>(a.U);
      if (a.Kind == TZORFormatArg::fkText) break;
      wchar_t pattern[8] = {L'%', L'.', L'*', type, 0};
      wchar_t buf[512];
      int n = swprintf(buf, 512, pattern, precision < 0 ? (type == L'g' ? 15 : 2) : precision, v);
      return n > 0 ? std::wstring(buf, n) : std::wstring();
    }
  }
  ok = false;
  return {};
}
}  // namespace

std::wstring zoFormatArgs(std::wstring_view format, std::initializer_list<TZORFormatArg> args) {
  std::wstring out;
  out.reserve(format.size() + 16 * args.size());
  size_t next = 0;
  const size_t n = format.size();
  for (size_t i = 0; i < n;) {
    wchar_t c = format[i];
    if (c != L'%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < n && format[i + 1] == L'%') {
      out += L'%';
      i += 2;
      continue;
    }
    // %[index:][-][width][.precision]type
    size_t start = i++;
    auto number = [&](int& value) {
      bool any = false;
      value = 0;
      while (i < n && format[i] >= L'0' && format[i] <= L'9') {
        if (value < 100000) value = value * 10 + (format[i] - L'0');
        ++i;
        any = true;
      }
      return any;
    };
    int index = -1, width = 0, precision = -1, value = 0;
    bool left = false;
    size_t save = i;
    if (number(value) && i < n && format[i] == L':') {
      index = value;
      ++i;
    } else {
      i = save;
    }
    if (i < n && format[i] == L'-') {
      left = true;
      ++i;
    }
    number(width);
    if (i < n && format[i] == L'.') {
      ++i;
      number(precision);
    }
    bool ok = false;
    if (i < n) {
      wchar_t type = static_cast<wchar_t>(towlower(format[i]));
      if (format[i] == L'X') type = L'X';
      size_t argIndex = index >= 0 ? static_cast<size_t>(index) : next;
      if (argIndex < args.size()) {
        std::wstring text = FormatOne(type, args.begin()[argIndex], precision, ok);
        if (ok) {
          AppendPadded(out, text, width, left);
          next = argIndex + 1;
          ++i;
          continue;
        }
      }
    }
    // Unusable specifier: copy it as written.
    i = std::min(i + 1, n);
    out.append(format.substr(start, i - start));
  }
  return out;
}

int zoCompareText(std::wstring_view a, std::wstring_view b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) - CSTR_EQUAL;
}

int zoCompareStr(std::wstring_view a, std::wstring_view b) {
  return CompareStringW(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) - CSTR_EQUAL;
}

bool zoSameText(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;
  return zoCompareText(a, b) == 0;
}

bool zoSameTextASCII(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'a' && x <= L'z') x -= 32;
    if (y >= L'a' && y <= L'z') y -= 32;
    if (x != y) return false;
  }
  return true;
}

int zoCompareLogical(std::wstring_view a, std::wstring_view b) {
  auto isDigit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      size_t si = i, sj = j;
      while (si < a.size() && a[si] == L'0') ++si;
      while (sj < b.size() && b[sj] == L'0') ++sj;
      size_t ei = si, ej = sj;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
      if (c) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    size_t ei = i, ej = j;
    while (ei < a.size() && !isDigit(a[ei])) ++ei;
    while (ej < b.size() && !isDigit(b[ej])) ++ej;
    int c = zoCompareText(a.substr(i, ei - i), b.substr(j, ej - j));
    if (c) return c < 0 ? -1 : 1;
    i = ei;
    j = ej;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

namespace {
std::wstring MapCase(std::wstring_view s, DWORD flag) {
  if (s.empty()) return {};
  std::wstring out(s.size(), L'\0');
  int n = LCMapStringW(LOCALE_USER_DEFAULT, flag, s.data(), static_cast<int>(s.size()), out.data(),
                       static_cast<int>(out.size()));
  if (n <= 0) return std::wstring(s);
  out.resize(n);
  return out;
}
}  // namespace

std::wstring zoUpperCase(std::wstring_view s) { return MapCase(s, LCMAP_UPPERCASE); }
std::wstring zoLowerCase(std::wstring_view s) { return MapCase(s, LCMAP_LOWERCASE); }

std::wstring zoTrimLeft(std::wstring_view s) {
  size_t b = 0;
  while (b < s.size() && s[b] < 33) ++b;
  return std::wstring(s.substr(b));
}

std::wstring zoTrimRight(std::wstring_view s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] < 33) --e;
  return std::wstring(s.substr(0, e));
}

std::wstring zoTrim(std::wstring_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] < 33) ++b;
  while (e > b && s[e - 1] < 33) --e;
  return std::wstring(s.substr(b, e - b));
}

bool zoStartsText(std::wstring_view prefix, std::wstring_view s) {
  return s.size() >= prefix.size() && zoSameText(prefix, s.substr(0, prefix.size()));
}

std::wstring zoIntToStr(int64_t v) {
  bool negative = v < 0;
  std::wstring digits = UnsignedText(negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v), 10, false);
  return negative ? L"-" + digits : digits;
}

bool zoTryStrToInt(std::wstring_view s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == L' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) negative = s[i++] == L'-';
  unsigned base = 10;
  if (i < s.size() && s[i] == L'$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == L'0' && (s[i + 1] == L'x' || s[i + 1] == L'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    wchar_t c = s[i];
    unsigned d;
    if (c >= L'0' && c <= L'9') d = c - L'0';
    else if (base == 16 && c >= L'a' && c <= L'f') d = c - L'a' + 10;
    else if (base == 16 && c >= L'A' && c <= L'F') d = c - L'A' + 10;
    else return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFull) return false;
  }
  if (base == 10) {
    if (negative ? v > 0x80000000ull : v > 0x7FFFFFFFull) return false;
    value = negative ? static_cast<int32_t>(0 - v) : static_cast<int32_t>(v);
  } else {
    // Hexadecimal may use all 32 bits.
    uint32_t u = static_cast<uint32_t>(v);
    value = static_cast<int32_t>(negative ? 0u - u : u);
  }
  return true;
}

int32_t zoStrToIntDef(std::wstring_view s, int32_t def) {
  int32_t v;
  return zoTryStrToInt(s, v) ? v : def;
}

uint32_t zoANSICodePage() { return GetACP(); }

std::string zoEncodeText(std::wstring_view s, uint32_t codePage) {
  if (s.empty()) return {};
  if (codePage == cpUTF16LE || codePage == cpNone)
    return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2);
  if (codePage == cpUTF16BE) {
    std::string out(s.size() * 2, '\0');
    for (size_t i = 0; i < s.size(); ++i) {
      out[2 * i] = static_cast<char>(s[i] >> 8);
      out[2 * i + 1] = static_cast<char>(s[i] & 0xFF);
    }
    return out;
  }
  if (codePage == cpANSI) codePage = zoANSICodePage();
  int n = WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(n, '\0');
  WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

bool zoTryDecodeText(std::string_view bytes, uint32_t codePage, std::wstring& text) {
  text.clear();
  if (bytes.empty()) return true;
  if (codePage == cpUTF16LE || codePage == cpUTF16BE) {
    text.resize(bytes.size() / 2);
    for (size_t i = 0; i < text.size(); ++i) {
      auto lo = static_cast<unsigned char>(bytes[2 * i + (codePage == cpUTF16BE)]);
      auto hi = static_cast<unsigned char>(bytes[2 * i + (codePage == cpUTF16LE)]);
      text[i] = static_cast<wchar_t>(lo | hi << 8);
    }
    return bytes.size() % 2 == 0;
  }
  if (codePage == cpANSI) codePage = zoANSICodePage();
  // Only UTF-8 and a few others accept the strict flag; the rest never fail.
  DWORD flags = codePage == cpUTF8 || codePage == 54936 ? MB_ERR_INVALID_CHARS : 0;
  int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return false;
  text.resize(n);
  MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return true;
}

std::string zoUTF8Encode(std::wstring_view s) { return zoEncodeText(s, cpUTF8); }

std::wstring zoUTF8Decode(std::string_view s) {
  std::wstring text;
  if (!zoTryDecodeText(s, cpUTF8, text)) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    text.resize(n > 0 ? n : 0);
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), text.data(), n);
  }
  return text;
}

uint32_t zoCodePageFromName(std::wstring_view name) {
  std::wstring n = zoLowerCase(zoTrim(name));
  static const struct {
    const wchar_t* Name;
    uint32_t CodePage;
  } kNames[] = {
      {L"utf-8", 65001},       {L"utf8", 65001},         {L"utf-16", 1200},         {L"utf-16le", 1200},
      {L"unicode", 1200},      {L"utf-16be", 1201},      {L"unicodefffe", 1201},    {L"us-ascii", 20127},
      {L"ascii", 20127},       {L"iso-8859-1", 28591},   {L"latin1", 28591},        {L"iso-8859-2", 28592},
      {L"iso-8859-3", 28593},  {L"iso-8859-4", 28594},   {L"iso-8859-5", 28595},    {L"iso-8859-6", 28596},
      {L"iso-8859-7", 28597},  {L"iso-8859-8", 28598},   {L"iso-8859-9", 28599},    {L"iso-8859-13", 28603},
      {L"iso-8859-15", 28605}, {L"koi8-r", 20866},       {L"koi8-u", 21866},        {L"shift_jis", 932},
      {L"shift-jis", 932},     {L"gb2312", 936},         {L"gbk", 936},             {L"gb18030", 54936},
      {L"big5", 950},          {L"euc-kr", 51949},       {L"ks_c_5601-1987", 949},  {L"euc-jp", 51932},
      {L"iso-2022-jp", 50220}, {L"macintosh", 10000},    {L"x-mac-cyrillic", 10007}, {L"ibm866", 866},
  };
  for (const auto& e : kNames)
    if (n == e.Name) return e.CodePage;
  for (const wchar_t* prefix : {L"windows-", L"cp", L"ibm", L"x-cp"}) {
    std::wstring_view p(prefix);
    if (n.size() > p.size() && n.compare(0, p.size(), p) == 0) {
      int32_t v;
      if (zoTryStrToInt(std::wstring_view(n).substr(p.size()), v) && v > 0 && IsValidCodePage(v)) return v;
    }
  }
  return 0;
}
