#include "zor/base/Strings.h"

#include <gtest/gtest.h>

TEST(Format, Specifiers) {
  EXPECT_EQ(zoFormat(L"Cannot open file \"%s\". %s", L"a.txt", std::wstring(L"Denied")), L"Cannot open file \"a.txt\". Denied");
  EXPECT_EQ(zoFormat(L"System Error.  Code: %d.\r\n%s%s", 5, L"Access denied.", L""),
            L"System Error.  Code: 5.\r\nAccess denied.");
  EXPECT_EQ(zoFormat(L"%d|%u|%x|%.4d|%5s|%-5s|%%", -42, 42u, 255, 7, L"ab", L"ab"), L"-42|42|FF|0007|   ab|ab   |%");
  EXPECT_EQ(zoFormat(L"%1:s %0:s", L"a", L"b"), L"b a");
  EXPECT_EQ(zoFormat(L"%.2f", 4.512), L"4.51");
  EXPECT_EQ(zoFormat(L"LZMA Error (%d)", static_cast<int64_t>(-3)), L"LZMA Error (-3)");
}

TEST(Format, FaultyFormatsNeverThrow) {
  // Language texts are user data: missing or mismatched arguments stay visible.
  EXPECT_EQ(zoFormat(L"%s and %s", L"one"), L"one and %s");
  EXPECT_EQ(zoFormat(L"%d", L"text"), L"%d");
  EXPECT_EQ(zoFormat(L"100%"), L"100%");
  EXPECT_EQ(zoFormat(L"%q %"), L"%q %");
}

TEST(Numbers, TryStrToInt) {
  const struct {
    const wchar_t* In;
    bool Ok;
    int32_t Value;
  } cases[] = {
      {L"0", true, 0},           {L"42", true, 42},         {L"-17", true, -17},      {L"+5", true, 5},
      {L"  9", true, 9},         {L"9 ", false, 0},         {L"", false, 0},          {L"x", false, 0},
      {L"$1F", true, 31},        {L"0x10", true, 16},       {L"2147483647", true, 2147483647},
      {L"2147483648", false, 0}, {L"-2147483648", true, INT32_MIN}, {L"$FFFFFFFF", true, -1}, {L"1.5", false, 0},
  };
  for (const auto& c : cases) {
    int32_t v = 0;
    EXPECT_EQ(zoTryStrToInt(c.In, v), c.Ok) << c.In;
    if (c.Ok) {
      EXPECT_EQ(v, c.Value) << c.In;
    }
  }
  EXPECT_EQ(zoStrToIntDef(L"nope", 7), 7);
  EXPECT_EQ(zoIntToStr(INT64_MIN), L"-9223372036854775808");
}

TEST(Compare, CaseAndNaturalOrder) {
  EXPECT_TRUE(zoSameText(L"Common", L"COMMON"));
  EXPECT_TRUE(zoSameText(L"\u0444\u0430\u0439\u043b", L"\u0424\u0410\u0419\u041b"));  // Cyrillic
  EXPECT_FALSE(zoSameText(L"abc", L"abcd"));
  EXPECT_TRUE(zoSameTextASCII(L"product", L"PRODUCT"));
  EXPECT_FALSE(zoSameTextASCII(L"\u00e9", L"\u00c9"));
  EXPECT_LT(zoCompareLogical(L"skin2", L"skin10"), 0);
  EXPECT_GT(zoCompareLogical(L"Skin10", L"skin9"), 0);
  EXPECT_EQ(zoCompareLogical(L"A01", L"a1"), 0);
  EXPECT_LT(zoCompareLogical(L"a", L"a1"), 0);
  EXPECT_EQ(zoUpperCase(L"key\u00e9"), L"KEY\u00c9");
  EXPECT_EQ(zoTrim(L" \t x y \r\n"), L"x y");
}

TEST(CodePages, RoundTripsAndNames) {
  std::wstring text = L"Qolt \u0444\u0430\u0439\u043b \u00e9";
  std::wstring back;
  for (uint32_t cp : {cpUTF8, cpUTF16LE, cpUTF16BE}) {
    ASSERT_TRUE(zoTryDecodeText(zoEncodeText(text, cp), cp, back)) << cp;
    EXPECT_EQ(back, text) << cp;
  }
  EXPECT_FALSE(zoTryDecodeText("\xC3\x28", cpUTF8, back));
  EXPECT_EQ(zoCodePageFromName(L"UTF-8"), 65001u);
  EXPECT_EQ(zoCodePageFromName(L"windows-1251"), 1251u);
  EXPECT_EQ(zoCodePageFromName(L"ISO-8859-1"), 28591u);
  EXPECT_EQ(zoCodePageFromName(L"no-such-thing"), 0u);
}
