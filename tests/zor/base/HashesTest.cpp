#include "zor/base/Hashes.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/TestUtil.h"
#include "zor/base/Streams.h"

namespace {
uint32_t Crc(const std::string& bytes) {
  TZORHashCRC32::State s;
  TZORHashCRC32::Initialize(s);
  TZORHashCRC32::Update(s, bytes.data(), static_cast<uint32_t>(bytes.size()));
  return TZORHashCRC32::Finalize(s);
}

// One table lookup per byte, straight from the definition.
uint32_t CrcBytewise(const std::string& bytes) {
  uint32_t c = 0;
  for (unsigned char b : bytes) c = (c << 8) ^ TZORHashCRC32::DefaultTable()[(c >> 24) ^ b];
  return c;
}
}  // namespace

TEST(CRC32, CheckValues) {
  const struct {
    std::string In;
    uint32_t Out;
  } cases[] = {{"", 0}, {"123456789", 0x89A1897F}, {"abc", 0x2C17398C}};
  for (const auto& c : cases) EXPECT_EQ(Crc(c.In), c.Out) << c.In;
  EXPECT_EQ(TZORHashCRC32::DefaultTable()[1], 0x04C11DB7u);
  EXPECT_EQ(TZORHashCRC32::DefaultTable()[2], 0x09823B6Eu);
}

TEST(CRC32, AnySplitAndLengthMatchesBytewise) {
  std::mt19937 rng(7);
  std::string data(4099, '\0');
  for (char& ch : data) ch = static_cast<char>(rng());
  for (size_t len : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 4099u}) {
    std::string part = data.substr(3, len);
    EXPECT_EQ(Crc(part), CrcBytewise(part)) << len;
  }
  for (size_t split : {0u, 1u, 5u, 8u, 13u, 1000u, 4099u}) {
    TZORHashCRC32::State s;
    TZORHashCRC32::Initialize(s);
    TZORHashCRC32::Update(s, data.data(), static_cast<uint32_t>(split));
    TZORHashCRC32::Update(s, data.data() + split, static_cast<uint32_t>(data.size() - split));
    EXPECT_EQ(TZORHashCRC32::Finalize(s), CrcBytewise(data)) << split;
  }
}

TEST(CRC32, TextEncodings) {
  // No encoding feeds the UTF-16 LE units; UTF-8 one byte per ASCII letter.
  EXPECT_EQ(TZORHashCRC32::Calculate(L"A"), Crc(std::string("A\0", 2)));
  EXPECT_EQ(TZORHashCRC32::Calculate(L"A", cpUTF8), Crc("A"));
  EXPECT_EQ(TZORHashCRC32::Calculate(L"\u00e9", cpUTF8), Crc("\xC3\xA9"));
  EXPECT_EQ(TZORHashCRC32::Calculate(L""), 0u);
}

TEST(BobJenkins, Lookup3Vectors) {
  const std::string four = "Four score and seven years ago";
  const struct {
    std::string In;
    uint32_t Init, Out;
  } cases[] = {{"", 0, 0xdeadbeef}, {"", 0xdeadbeef, 0xbd5b7dde}, {four, 0, 0x17770551}, {four, 1, 0xcd628161}};
  for (const auto& c : cases)
    EXPECT_EQ(TZORHashBobJenkins::HashLittle(c.In.data(), c.In.size(), c.Init), c.Out) << c.In << " " << c.Init;
  // The running value chains from 0.
  TZORHashBobJenkins::State s;
  TZORHashBobJenkins::Initialize(s);
  TZORHashBobJenkins::Update(s, four.data(), static_cast<uint32_t>(four.size()));
  EXPECT_EQ(TZORHashBobJenkins::Finalize(s), static_cast<int32_t>(0x17770551));
}

TEST(MD5, RFC1321Suite) {
  const struct {
    const wchar_t* In;
    const wchar_t* Out;
  } cases[] = {
      {L"", L"d41d8cd98f00b204e9800998ecf8427e"},
      {L"a", L"0cc175b9c0f1b6a831c399e269772661"},
      {L"abc", L"900150983cd24fb0d6963f7d28e17f72"},
      {L"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
      {L"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
      {L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", L"d174ab98d277d9f5a5611c2c9f419d9f"},
      {L"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       L"57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(TZORHashMD5::Calculate(c.In, cpUTF8), c.Out) << c.In;
}

TEST(MD5, ResetStartsAgain) {
  TZORHashMD5::State s;
  TZORHashMD5::Initialize(s);
  TZORHashMD5::UpdateText(s, L"junk");
  TZORHashMD5::Reset(s);
  TZORHashMD5::UpdateText(s, L"abc");
  EXPECT_EQ(TZORHashMD5::Finalize(s), L"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(s.Hash, 0u);
  EXPECT_EQ(s.Provider, 0u);
}

TEST(HashStreams, MemoryStreamHashesRestInPlace) {
  TMemoryStream m;
  m.WriteBuffer("xx123456789", 11);
  m.SetPosition(2);
  TZORHashCRC32::State s;
  TZORHashCRC32::Initialize(s);
  int calls = 0;
  TZORHashCRC32::UpdateFromStream(s, m, [&](float) { ++calls; });
  EXPECT_EQ(TZORHashCRC32::Finalize(s), 0x89A1897Fu);
  EXPECT_EQ(m.Position(), 2);
  EXPECT_EQ(calls, 0);
}

TEST(HashStreams, FileStreamEndsAtEndWithProgress) {
  TTestDir dir;
  std::string data(1000, 'q');
  WriteFileBytes(dir / L"f.bin", data);
  TZORFileStream file(dir / L"f.bin", fmOpenRead | fmShareDenyNone);
  TZORHashCRC32::State s;
  TZORHashCRC32::Initialize(s);
  std::vector<float> seen;
  TZORHashCRC32::UpdateFromStream(s, file, [&](float p) { seen.push_back(p); });
  EXPECT_EQ(TZORHashCRC32::Finalize(s), Crc(data));
  EXPECT_EQ(file.Position(), 1000);
  ASSERT_EQ(seen.size(), 4u);  // 256-byte steps
  EXPECT_FLOAT_EQ(seen.back(), 100.0f);

  WriteFileBytes(dir / L"empty.bin", "");
  TZORFileStream empty(dir / L"empty.bin", fmOpenRead | fmShareDenyNone);
  TZORHashCRC32::Initialize(s);
  int calls = 0;
  TZORHashCRC32::UpdateFromStream(s, empty, [&](float) { ++calls; });
  EXPECT_EQ(TZORHashCRC32::Finalize(s), 0u);
  EXPECT_EQ(calls, 0);
}

TEST(HashStreams, UpdateFromFile) {
  TTestDir dir;
  WriteFileBytes(dir / L"abc.txt", "abc");
  TZORHashMD5::State s;
  TZORHashMD5::Initialize(s);
  TZORHashMD5::UpdateFromFile(s, dir / L"abc.txt");
  EXPECT_EQ(TZORHashMD5::Finalize(s), L"900150983cd24fb0d6963f7d28e17f72");

  TZORHashCRC32::State c;
  TZORHashCRC32::Initialize(c);
  try {
    TZORHashCRC32::UpdateFromFile(c, dir / L"missing.txt");
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind(L"Cannot open file \"" + (dir / L"missing.txt") + L"\". ", 0), 0u) << e.Message();
  }
}

TEST(ElfHash, Values) {
  EXPECT_EQ(ElfHash(L"abc", false), 0x6783u);
  EXPECT_EQ(ElfHash(L"Key", true), ElfHash(L"KEY", true));
  EXPECT_NE(ElfHash(L"Key", false), ElfHash(L"KEY", false));
  std::wstring longKey(100, L'k');
  EXPECT_EQ(ElfHash(longKey, true), ElfHash(std::wstring(100, L'K'), false));
  EXPECT_EQ(ElfHash(L"", true), 0u);
}
