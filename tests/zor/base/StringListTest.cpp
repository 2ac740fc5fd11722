#include "zor/base/StringList.h"

#include <gtest/gtest.h>

TEST(StringList, TextSplitting) {
  const struct {
    std::wstring In;
    std::vector<std::wstring> Out;
  } cases[] = {
      {L"", {}},
      {L"a", {L"a"}},
      {L"a\r\nb\r\n", {L"a", L"b"}},
      {L"a\n\rb", {L"a", L"", L"b"}},  // LF CR is two breaks
      {L"a\r\n\r\nb", {L"a", L"", L"b"}},
      {L"a\r\n\r\n", {L"a", L""}},
      {L"a\u2028\r\nb", {L"a", L"b"}},
      {L"a\rb", {L"a", L"b"}},
  };
  for (const auto& c : cases) {
    TZORStringList list;
    list.SetText(c.In);
    std::vector<std::wstring> got;
    for (const auto& item : list) got.push_back(item.S);
    EXPECT_EQ(got, c.Out) << list.Count();
  }
  TZORStringList list;
  list.SetText(L"x\ny");
  EXPECT_EQ(list.Text(), L"x\r\ny\r\n");
  EXPECT_EQ(list.GetDelimitedText(L";", false), L"x;y");
  EXPECT_EQ(list.GetDelimitedText(L";", true), L"x;y;");
  EXPECT_EQ(TZORStringList().Text(), L"");
}

TEST(StringList, NamesAndValues) {
  TZORStringList list;
  list.SetText(L"k=1\r\nK=2\r\nplain\r\nx=a=b");
  EXPECT_EQ(list.Values(L"k"), L"2");  // the last line wins
  EXPECT_EQ(list.IndexOfName(L"X"), 3);
  EXPECT_EQ(list.ValueFromIndex(3), L"a=b");
  EXPECT_EQ(list.Names(2), L"");
  EXPECT_EQ(list.ValueFromIndex(2), L"plain");
  EXPECT_EQ(list.Values(L"missing"), L"");
  EXPECT_EQ(list.IndexOf(L"PLAIN"), 2);
  list.IgnoreCase = false;
  EXPECT_EQ(list.IndexOf(L"PLAIN"), -1);
  list.SetValue(L"x", L"c");
  list.SetValue(L"new", L"v");
  EXPECT_EQ(list.Items(3), L"x=c");
  EXPECT_EQ(list.Items(4), L"new=v");
  EXPECT_EQ(list.Items(99), L"");
  EXPECT_EQ(list.Objects(-1), nullptr);
}

TEST(StringList, SortingAndDuplicates) {
  TZORStringList list;
  list.SetText(L"skin10\r\nSkin2\r\nskin1\r\nskin2");
  list.SortLogical();
  EXPECT_EQ(list.GetDelimitedText(L",", false), L"skin1,Skin2,skin2,skin10");
  EXPECT_EQ(list.RemoveDuplicates(), 1);
  EXPECT_EQ(list.GetDelimitedText(L",", false), L"skin1,Skin2,skin10");
  list.SetText(L"b\r\nB\r\na");
  list.Sort();
  EXPECT_EQ(list.Items(0), L"a");
}
