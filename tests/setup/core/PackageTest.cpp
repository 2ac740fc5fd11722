#include "setup/core/package/Package.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <windows.h>

#include "setup/core/package/Lzma.h"
#include "zor/base/Hashes.h"

namespace {
std::string Bytes(TMemoryStream& m) { return std::string(reinterpret_cast<const char*>(m.Memory()), m.Size()); }

std::string Build(const std::vector<std::pair<std::wstring, std::string>>& files) {
  TSetupPackageBuilder builder(L"3060481623");
  for (const auto& [name, bytes] : files) {
    TMemoryStream m;
    m.WriteBuffer(bytes.data(), bytes.size());
    m.SetPosition(0);
    builder.Add(m, name);
  }
  TMemoryStream out;
  builder.Commit(out, 4);
  return Bytes(out);
}

// A package around raw content bytes, with a correct header.
std::string Wrap(const std::string& content) {
  TMemoryStream plain;
  plain.WriteBuffer(content.data(), content.size());
  plain.SetPosition(0);
  TZORHashCRC32::State s;
  TZORHashCRC32::Initialize(s);
  TZORHashCRC32::UpdateFromStream(s, plain);
  uint32_t crc = TZORHashCRC32::Finalize(s), size = static_cast<uint32_t>(content.size());
  TMemoryStream out;
  out.WriteBuffer("IPK5", 4);
  out.WriteValue(crc);
  out.WriteValue(size);
  TSetupKey key;
  key.Set(SetupPackageKey);
  LzmaCompress(plain, out, 4, [&](uint8_t* d, size_t n) { key.Apply(d, n); });
  return Bytes(out);
}

std::unique_ptr<TSetupPackageReader> Read(const std::string& bytes) {
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), bytes.size());
  m.SetPosition(0);
  return std::make_unique<TSetupPackageReader>(m);
}

std::string Extract(TSetupPackageReader& r, const std::wstring& name) {
  std::unique_ptr<TMemoryStream> s;
  if (!r.Extract(name, s)) return "<none>";
  EXPECT_EQ(s->Position(), 0);
  return Bytes(*s);
}
}  // namespace

TEST(Package, OneFileRoundTrip) {
  std::string package = Build({{L"Uninstall.ini", "0123456789"}});
  uint32_t size;
  std::memcpy(&size, package.data() + 8, 4);
  EXPECT_EQ(size, 62u);
  TSetupKey key;
  key.Set(SetupPackageKey);
  std::string props = package.substr(12, 5);
  key.Apply(reinterpret_cast<uint8_t*>(props.data()), 5);
  EXPECT_EQ(props, std::string("\x5D\x00\x00\x40\x00", 5));

  auto reader = Read(package);
  ASSERT_EQ(reader->FileTable().Count(), 1);
  EXPECT_EQ(reader->FileTable()[0].Offset, 0);
  EXPECT_EQ(reader->FileTable()[0].Size, 10);
  EXPECT_EQ(Extract(*reader, L"UNINSTALL.INI"), "0123456789");
  EXPECT_TRUE(reader->Contains(L"uninstall.ini"));
  EXPECT_EQ(Extract(*reader, L"Install.xml"), "<none>");
}

TEST(Package, ManyFilesEmptyFilesAndEmptyPackages) {
  std::mt19937 rng(3);
  std::string big(3 << 20, '\0');
  for (char& c : big) c = static_cast<char>(rng() % 7);
  auto reader = Read(Build({{L"Install.xml", "<install/>"}, {L"empty.txt", ""}, {L"Plugins\\big.bin", big},
                            {L"install.xml", "second"}}));
  EXPECT_EQ(Extract(*reader, L"install.XML"), "<install/>");  // the first match
  EXPECT_EQ(Extract(*reader, L"empty.txt"), "");
  EXPECT_EQ(Extract(*reader, L"plugins\\BIG.bin"), big);
  auto none = Read(Build({}));
  EXPECT_EQ(none->FileTable().Count(), 0);
  EXPECT_EQ(none->Content().Size(), 8);
}

TEST(Package, DocumentedFailures) {
  std::string good = Build({{L"a.txt", std::string(5000, 'a')}, {L"b.txt", "bee"}});
  auto reason = [](const std::string& bytes) -> std::wstring {
    try {
      Read(bytes);
      return L"ok";
    } catch (const ESetupPackageReadError& e) {
      return e.Message();
    } catch (const EReadError& e) {
      return L"read: " + e.Message();
    } catch (const EInvalidOperation& e) {
      return e.Message();
    }
  };
  EXPECT_EQ(reason(good), L"ok");
  EXPECT_EQ(reason(good + "trailing bytes"), L"ok");
  EXPECT_EQ(reason("IPK5" + good.substr(4, 4)), L"read: Stream read error");
  EXPECT_EQ(reason("IPK4" + good.substr(4)), L"Package was corrupted");
  EXPECT_EQ(reason(good.substr(0, good.size() - 5)), L"Package was corrupted");
  EXPECT_EQ(reason(good.substr(0, 15)), L"Package was corrupted");
  std::string props = good;
  props[12] = static_cast<char>(225 ^ '3');
  EXPECT_EQ(reason(props), L"LZMA Error (4)");
  std::string flipped = good;
  flipped[good.size() / 2] ^= 0x10;
  EXPECT_EQ(reason(flipped), L"Package was corrupted");
}

TEST(Package, HostileTables) {
  auto le32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  auto le64 = [](int64_t v) { return std::string(reinterpret_cast<const char*>(&v), 8); };
  auto entry = [&](const std::string& name16, uint16_t length, int64_t offset, int64_t size) {
    return std::string(reinterpret_cast<const char*>(&length), 2) + name16 + le64(offset) + le64(size);
  };
  const std::string body = "bodybytes";
  const std::string tables[] = {
      le32(0x7FFFFFFF) + entry("a\0", 1, 0, 1),       // count far beyond the bytes there
      le32(1) + entry("a\0", 0xFFFF, 0, 1),          // name longer than what is left
  };
  for (const std::string& table : tables) {
    std::string content = body + table + le32(static_cast<uint32_t>(table.size()));
    EXPECT_THROW(Read(Wrap(content)), EReadError);
  }
  EXPECT_THROW(Read(Wrap(body + le32(1000))), EReadError);  // table length outside the content

  for (auto [offset, size] : {std::pair<int64_t, int64_t>{5, 100}, {-1, 2}, {0, -1}, {INT64_MAX, 1}}) {
    std::string table = le32(1) + entry(std::string("x\0", 2), 1, offset, size);
    auto reader = Read(Wrap(body + table + le32(static_cast<uint32_t>(table.size()))));
    std::unique_ptr<TMemoryStream> out;
    EXPECT_THROW(reader->Extract(L"x", out), EReadError) << offset << " " << size;
  }
}

TEST(Package, DamagedCopiesEndInDocumentedErrors) {
  std::string good = Build({{L"Install.xml", "<install><product/></install>"}, {L"English.lng", "[File]\r\nName=English\r\n"}});
  std::mt19937 rng(11);
  int outcomes = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string bad = good;
    if (round % 3 == 0) bad.resize(rng() % bad.size());
    else
      for (int k = 0; k <= round % 4; ++k) bad[rng() % bad.size()] ^= static_cast<char>(1 << (rng() % 8));
    try {
      auto reader = Read(bad);
      for (int i = 0; i < reader->FileTable().Count(); ++i) {
        std::unique_ptr<TMemoryStream> s;
        reader->Extract(reader->FileTable()[i].Name, s);
      }
    } catch (const ESetupPackageReadError&) {
      ++outcomes;
    } catch (const EReadError&) {
      ++outcomes;
    } catch (const EInvalidOperation& e) {
      EXPECT_EQ(e.Message().rfind(L"LZMA Error (", 0), 0u);
      ++outcomes;
    }
  }
  EXPECT_GT(outcomes, 1000);
}

TEST(Package, CommitToFile) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + L"qolt-commit-test.dat";
  TSetupPackageBuilder builder;
  TMemoryStream m;
  m.WriteBuffer("[Files]\r\n", 9);
  m.SetPosition(0);
  builder.Add(m, L"Uninstall.ini");
  builder.Commit(path, 4);
  TZORFileStream file(path, fmOpenRead | fmShareDenyNone);
  TSetupPackageReader reader(file);
  EXPECT_TRUE(reader.Contains(L"Uninstall.ini"));
  DeleteFileW(path.c_str());
  EXPECT_THROW(TSetupPackageBuilder().Commit(L"Q:\\no\\such\\folder\\x.dat", 4), EFCreateError);
}
