#include "zor/base/INI.h"

#include <gtest/gtest.h>

#include "tests/TestUtil.h"
#include "zor/base/MUI.h"
#include "zor/base/Streams.h"

namespace {
std::wstring Saved(TZORIniFile& ini) {
  TMemoryStream m;
  ini.SaveToStream(m, cpUTF16LE);
  return std::wstring(reinterpret_cast<const wchar_t*>(m.Memory() + 2), (m.Size() - 2) / 2);
}
}  // namespace

TEST(IniFile, ParsingRules) {
  TZORIniFile ini;
  ini.LoadFromString(
      L"lost=1\r\n[A]\r\nx=1\r\n; note\r\n\r\n[a]\r\ny=2\r\n[Sp] \r\nz=3\r\n[B]\r\nk=1\r\nK=2\r\nkey = v\r\n");
  EXPECT_EQ(ini.SectionCount(), 3);
  EXPECT_FALSE(ini.ValueExists(L"A", L"lost"));
  EXPECT_EQ(ini.ReadString(L"a", L"Y", L"-"), L"2");  // repeated header continues A
  EXPECT_TRUE(ini.SectionExists(L"Sp]"));            // last character dropped whatever it is
  EXPECT_EQ(ini.ReadString(L"B", L"k", L""), L"1");   // the first line wins
  EXPECT_EQ(ini.ReadString(L"B", L"key", L"-"), L"-");
  EXPECT_EQ(ini.ReadString(L"B", L"key ", L"-"), L" v");
  EXPECT_EQ(Saved(ini), L"[A]\r\nx=1\r\n; note\r\ny=2\r\n\r\n[Sp]]\r\nz=3\r\n\r\n[B]\r\nk=1\r\nK=2\r\nkey = v\r\n\r\n");
  EXPECT_FALSE(ini.Modified());
}

TEST(IniFile, TypedReads) {
  TZORIniFile ini;
  ini.LoadFromString(L"[S]\r\ntwo=2\r\nzero=0\r\ntext=abc\r\nhex=0A1b\r\nodd=abc\r\nbad=zz\r\n");
  const struct {
    const wchar_t* Key;
    bool Def, Out;
  } bools[] = {{L"two", false, true}, {L"zero", true, false}, {L"text", true, true}, {L"text", false, false},
               {L"missing", true, true}};
  for (const auto& b : bools) EXPECT_EQ(ini.ReadBool(L"S", b.Key, b.Def), b.Out) << b.Key;
  EXPECT_EQ(ini.ReadInteger(L"S", L"text", -1), -1);
  EXPECT_EQ(ini.ReadInteger(L"S", L"two", -1), 2);

  TMemoryStream m;
  m.WriteBuffer("Q", 1);
  for (const wchar_t* key : {L"odd", L"bad", L"missing"}) {
    EXPECT_FALSE(ini.ReadStream(L"S", key, m)) << key;
    EXPECT_EQ(m.Size(), 1);
  }
  TMemoryStream h;
  ASSERT_TRUE(ini.ReadStream(L"S", L"hex", h));
  EXPECT_EQ(h.Position(), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(h.Memory()), h.Size()), "\x0A\x1B");
}

TEST(IniFile, WritesDeletesAndEvents) {
  TZORIniFile ini;
  int events = 0;
  ini.OnChange = [&] { ++events; };
  ini.LoadFromString(L"[S]\r\nkey=1\r\n");
  events = 0;
  ini.WriteString(L"s", L"KEY", L"2");  // rewrites the line with the capitals
  EXPECT_EQ(ini.ReadSectionText(L"S"), L"KEY=2\r\n");
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(events, 1);
  ini.BeginUpdate();
  ini.WriteInteger(L"New", L"n", 5);
  ini.WriteBool(L"New", L"b", true);
  ini.WriteBool(L"New", L"d", false, false);  // equal to the default: not written
  EXPECT_EQ(events, 1);
  ini.EndUpdate();
  EXPECT_EQ(events, 2);
  EXPECT_EQ(ini.ReadSectionText(L"New"), L"n=5\r\nb=1\r\n");
  ini.WriteInteger(L"New", L"n", 7, 7);
  EXPECT_FALSE(ini.ValueExists(L"New", L"n"));
  EXPECT_TRUE(ini.DeleteKey(L"New", L"B"));
  EXPECT_FALSE(ini.DeleteKey(L"New", L"B"));
  EXPECT_TRUE(ini.SectionExists(L"New"));   // empty but still there
  EXPECT_EQ(Saved(ini), L"[S]\r\nKEY=2\r\n\r\n");  // and not written
  ini.DeleteSection(L"S");
  EXPECT_FALSE(ini.SectionExists(L"S"));
  ini.WriteSectionText(L"T", L"; c\r\na=1");
  TZORStringList keys;
  ini.ReadSection(L"T", keys);
  EXPECT_EQ(keys.Text(), L"a\r\n");
}

TEST(IniFile, Merge) {
  TZORIniFile base, chosen;
  base.LoadFromString(L"[Common]\r\nA1=Base one\r\nonly=base\r\n");
  chosen.LoadFromString(L"[Common]\r\na1=Chosen one\r\nnew=x\r\n[File]\r\n; family\r\nFamily=RU\r\n");
  TZORIniFile keep;
  keep.Assign(base);
  keep.Merge(chosen, false);
  EXPECT_EQ(keep.ReadString(L"Common", L"A1"), L"Base one");
  EXPECT_EQ(keep.ReadString(L"Common", L"new"), L"x");
  base.Merge(chosen, true);
  EXPECT_EQ(base.ReadSectionText(L"Common"), L"a1=Chosen one\r\nonly=base\r\nnew=x\r\n");
  EXPECT_EQ(base.ReadSectionText(L"File"), L"; family\r\nFamily=RU\r\n");
}

TEST(IniFile, FilesKeepTheirEncoding) {
  TTestDir dir;
  const struct {
    std::string In;
    std::string Out;
  } cases[] = {
      {"\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n", "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\nn=1\r\n\r\n"},
      {"[S]\r\nk=\xE9\r\n", "[S]\r\nk=\xE9\r\nn=1\r\n\r\n"},
  };
  for (const auto& c : cases) {
    WriteFileBytes(dir / L"c.ini", c.In);
    {
      TZORIniFile ini(dir / L"c.ini", true);
      EXPECT_EQ(ini.ReadString(L"S", L"k"), L"\u00e9");
      ini.WriteInteger(L"S", L"n", 1);
    }
    EXPECT_EQ(ReadFileBytes(dir / L"c.ini"), c.Out);
  }
  // Unchanged documents are not written back.
  WriteFileBytes(dir / L"same.ini", "[S]\r\nk=1");
  { TZORIniFile ini(dir / L"same.ini", true); }
  EXPECT_EQ(ReadFileBytes(dir / L"same.ini"), "[S]\r\nk=1");
  // A document that never came from a file saves as UTF-16 with its mark.
  TZORIniFile mem;
  mem.WriteString(L"S", L"k", L"v");
  ASSERT_TRUE(mem.SaveToFile(dir / L"m.ini", mem.Encoding));
  EXPECT_EQ(ReadFileBytes(dir / L"m.ini").substr(0, 4), std::string("\xFF\xFE[\0", 4));
  // A missing file is an empty document; an unwritable target is a false result.
  TZORIniFile missing(dir / L"none.ini");
  EXPECT_TRUE(missing.IsEmpty());
  EXPECT_FALSE(mem.SaveToFile(dir / L"no\\such\\folder.ini", cpUTF8));
}

TEST(LangInfo, ReadsFileSection) {
  TZORIniFile lng;
  lng.LoadFromString(L"[File]\r\nAuthor=QOLT team\r\nLangId=1049\r\nName=Russian\r\nVersionId=x\r\nIcon=00010203\r\n");
  TZORLocalizationInfo info;
  TMemoryStream icon;
  EXPECT_TRUE(LangGetInfo(lng, info, &icon));
  EXPECT_EQ(info.Author, L"QOLT team");
  EXPECT_EQ(info.LangId, 1049);
  EXPECT_EQ(info.Name, L"Russian");
  EXPECT_EQ(info.VersionId, 0);
  EXPECT_EQ(icon.Size(), 4);
  lng.WriteString(L"File", L"Icon", L"xyz");
  EXPECT_TRUE(LangGetInfo(lng, info, &icon));
  EXPECT_EQ(icon.Size(), 0);
}
