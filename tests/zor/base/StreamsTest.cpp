#include "zor/base/Streams.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/TestUtil.h"
#include "zor/base/Encoding.h"

TEST(MemoryStream, ReadWriteSeek) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Size(), 5);
  m.SetPosition(1);
  char buf[4] = {};
  m.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "ell");
  EXPECT_THROW(m.ReadBuffer(buf, 2), EReadError);
  m.Seek(-2, TSeekOrigin::soEnd);
  EXPECT_EQ(m.Read(buf, 4), 2);
  TZORReadOnlyMemoryStream view(m.Memory(), m.Size());
  EXPECT_THROW(view.WriteBuffer("x", 1), EStreamError);
}

TEST(FileStream, ModeWordsAndOpenError) {
  TTestDir dir;
  std::wstring name = dir / L"a.bin";
  try {
    TZORFileStream s(name, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind(L"Cannot open file \"" + name + L"\". ", 0), 0u);
    EXPECT_STREQ(e.ClassName(), L"EFOpenError");
  }
  {
    TZORFileStream created(name, fmCreateShared);  // no sharing while it is open
    created.WriteBuffer("abc", 3);
    EXPECT_THROW(TZORFileStream(name, fmShareDenyNone), EFOpenError);
  }
  TZORFileStream reader(name, fmOpenRead | fmShareDenyNone);
  TZORFileStream second(name, fmOpenRead | fmShareDenyNone);
  EXPECT_EQ(reader.Size(), 3);
  EXPECT_THROW(TZORFileStream(name, fmOpenReadWrite | fmShareExclusive), EFOpenError);
}

TEST(FileStream, LongPaths) {
  EXPECT_EQ(zoLongPath(std::wstring(259, L'a')), std::wstring(259, L'a'));
  std::wstring drive = L"C:\\" + std::wstring(257, L'a');
  EXPECT_EQ(zoLongPath(drive), L"\\\\?\\" + drive);
  std::wstring unc = L"\\\\srv\\share\\" + std::wstring(288, L'b');
  EXPECT_EQ(zoLongPath(unc), L"\\\\?\\UNC\\srv\\share\\" + std::wstring(288, L'b'));
  EXPECT_EQ(zoLongPath(L"\\\\?\\" + drive), L"\\\\?\\" + drive);

  TTestDir dir;
  std::wstring deep = dir.Path;
  while (deep.size() < 300) {
    deep += std::wstring(60, L'd') + L"\\";
    CreateDirectoryW(zoLongPath(deep).c_str(), nullptr);
  }
  std::wstring file = deep + L"f.txt";
  {
    TZORFileStream s(file, fmCreate);
    s.WriteBuffer("long", 4);
  }
  TZORFileStream r(file, fmOpenRead);
  EXPECT_EQ(r.Size(), 4);
}

TEST(BufferedFileStream, MixedReadsWritesAndSeeks) {
  TTestDir dir;
  std::wstring name = dir / L"b.bin";
  std::string expected;
  {
    TZORBufferedFileStream s(name, fmCreate, 1024);
    for (int i = 0; i < 3000; ++i) {
      char c = static_cast<char>('a' + i % 26);
      s.WriteBuffer(&c, 1);
      expected += c;
    }
    std::string big(5000, 'Z');
    s.WriteBuffer(big.data(), big.size());  // larger than the buffer
    expected += big;
    s.SetPosition(10);
    s.WriteBuffer("0123", 4);
    expected.replace(10, 4, "0123");
    EXPECT_EQ(s.Size(), static_cast<int64_t>(expected.size()));
    s.SetPosition(8);
    char buf[8];
    s.ReadBuffer(buf, 8);
    EXPECT_EQ(std::string(buf, 8), expected.substr(8, 8));
    s.Seek(0, TSeekOrigin::soEnd);
    s.WriteBuffer("!", 1);
    expected += "!";
    s.Flush();
  }
  EXPECT_EQ(ReadFileBytes(name), expected);
  TZORBufferedFileStream r(name, fmOpenRead, 1024);
  std::string all(expected.size(), '\0');
  r.ReadBuffer(all.data(), all.size());
  EXPECT_EQ(all, expected);
  EXPECT_EQ(r.Read(all.data(), 1), 0);
}

TEST(Text, LoadAndSaveEncodings) {
  const struct {
    std::string Bytes;
    uint32_t Default, Found;
    std::wstring Text;
  } cases[] = {
      {"\xEF\xBB\xBFk=\xC3\xA9", cpNone, cpUTF8, L"k=\u00e9"},
      {std::string("\xFF\xFEk\0=\0", 6), cpNone, cpUTF16LE, L"k="},
      {std::string("\xFE\xFF\0k\0=", 6), cpNone, cpUTF16BE, L"k="},
      {"plain", cpNone, cpANSI, L"plain"},
      {"k=\xC3\xA9", cpUTF8, cpUTF8, L"k=\u00e9"},
      {"\xEF\xBB\xBF", cpNone, cpUTF8, L""},
      {"", cpNone, cpANSI, L""},
  };
  for (const auto& c : cases) {
    TMemoryStream m;
    m.WriteBuffer(c.Bytes.data(), c.Bytes.size());
    m.SetPosition(0);
    uint32_t found = 12345;
    EXPECT_EQ(zoLoadText(m, c.Default, &found), c.Text);
    EXPECT_EQ(found, c.Found);
  }
  // Invalid UTF-8 falls back to the ANSI code page rather than losing the text.
  TMemoryStream bad;
  bad.WriteBuffer("\xEF\xBB\xBF" "a\xE9", 5);
  bad.SetPosition(0);
  EXPECT_EQ(zoLoadText(bad), L"a\u00e9");  // Windows-1252 here

  TMemoryStream out;
  zoSaveText(out, L"\u00e9");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Memory()), out.Size()), std::string("\xFF\xFE\xE9\x00", 4));
}
