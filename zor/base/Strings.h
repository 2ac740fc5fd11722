#pragma once
// Strings: formatting, locale-aware comparison and case mapping, trimming,
// numbers and code-page conversion. Texts are UTF-16 (std::wstring).
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of zoFormat.
struct TZORFormatArg {
  enum TKind { fkInt, fkUInt, fkFloat, fkText } Kind;
  int64_t I = 0;
  uint64_t U = 0;
  double F = 0;
  std::wstring_view S;

  template <class T>
    requires std::is_integral_v<T>
  TZORFormatArg(T v) : Kind(std::is_signed_v<T> ? fkInt : fkUInt), I(static_cast<int64_t>(v)), U(static_cast<uint64_t>(v)) {}
  TZORFormatArg(double v) : Kind(fkFloat), F(v) {}
  TZORFormatArg(std::wstring_view v) : Kind(fkText), S(v) {}
  TZORFormatArg(const std::wstring& v) : Kind(fkText), S(v) {}
  TZORFormatArg(const wchar_t* v) : Kind(fkText), S(v ? v : L"") {}
};

// printf-like formatting with the specifiers %d %u %x %X %s %f %e %g %p and %%,
// an optional "index:", "-", width and ".precision". A specifier without a
// matching argument is copied as it stands, so a faulty language text never throws.
std::wstring zoFormatArgs(std::wstring_view format, std::initializer_list<TZORFormatArg> args);
template <class... A>
std::wstring zoFormat(std::wstring_view format, const A&... args) {
  return zoFormatArgs(format, {TZORFormatArg(args)...});
}

// Comparison under the user's default locale.
int zoCompareText(std::wstring_view a, std::wstring_view b);  // case-insensitive
int zoCompareStr(std::wstring_view a, std::wstring_view b);   // case-sensitive
// Same length and equal ignoring case under the user's locale.
bool zoSameText(std::wstring_view a, std::wstring_view b);
// Natural order: runs of digits by value, other text case-insensitively.
int zoCompareLogical(std::wstring_view a, std::wstring_view b);
// ASCII-only case folding (a-z equal A-Z); other characters must be equal.
bool zoSameTextASCII(std::wstring_view a, std::wstring_view b);

std::wstring zoUpperCase(std::wstring_view s);
std::wstring zoLowerCase(std::wstring_view s);
// Removes characters below 33 from both ends (left, right, or both).
std::wstring zoTrim(std::wstring_view s);
std::wstring zoTrimLeft(std::wstring_view s);
std::wstring zoTrimRight(std::wstring_view s);
bool zoStartsText(std::wstring_view prefix, std::wstring_view s);

std::wstring zoIntToStr(int64_t v);
// Decimal with optional sign and leading spaces, or hexadecimal with "$" or "0x".
bool zoTryStrToInt(std::wstring_view s, int32_t& value);
int32_t zoStrToIntDef(std::wstring_view s, int32_t def);

// Code pages: UTF-8 65001, UTF-16 LE 1200, UTF-16 BE 1201, the ANSI code page 0.
inline constexpr uint32_t cpANSI = 0;
inline constexpr uint32_t cpUTF8 = 65001;
inline constexpr uint32_t cpUTF16LE = 1200;
inline constexpr uint32_t cpUTF16BE = 1201;
inline constexpr uint32_t cpNone = 0xFFFFFFFFu;  // "no encoding given"

std::string zoUTF8Encode(std::wstring_view s);
std::wstring zoUTF8Decode(std::string_view s);
// Bytes of the text in a code page (no byte-order mark).
std::string zoEncodeText(std::wstring_view s, uint32_t codePage);
// Decodes bytes; false when they are not valid in that code page.
bool zoTryDecodeText(std::string_view bytes, uint32_t codePage, std::wstring& text);
// The ANSI code page actually in force (never 0).
uint32_t zoANSICodePage();
// A code page from an encoding name ("utf-8", "windows-1251", "iso-8859-1"...); 0 when unknown.
uint32_t zoCodePageFromName(std::wstring_view name);
