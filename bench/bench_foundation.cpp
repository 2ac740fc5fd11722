// Throughput of the foundation's hot paths: CRC-32 over 64 MiB and lookups in a
// 2,000-key language file. Run under Wine by bench/run.sh.
#include <windows.h>

#include "bench/BenchClock.h"

#include <cstdio>
#include <string>
#include <vector>

#include "setup/resources/Script.h"
#include "zor/base/Hashes.h"
#include "zor/base/INI.h"
#include "zor/base/Streams.h"
#include "zor/base/XML.h"

namespace {

void BenchCRC() {
  std::vector<uint8_t> data(64u << 20);
  uint32_t x = 12345;
  for (auto& b : data) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
  double best = 1e9;
  uint32_t crc = 0;
  for (int run = 0; run < 5; ++run) {
    double t = BenchNow();
    TZORHashCRC32::State s;
    TZORHashCRC32::Initialize(s);
    TZORHashCRC32::Update(s, data.data(), static_cast<uint32_t>(data.size()));
    crc = TZORHashCRC32::Finalize(s);
    best = std::min(best, BenchNow() - t);
  }
  std::printf("crc32: 64 MiB in %.1f ms = %.0f MB/s (crc %08X)\n", best * 1000, data.size() / best / 1e6, crc);
}

void BenchIni() {
  std::wstring text = L"[File]\r\nName=English\r\n";
  for (int s = 0; s < 20; ++s) {
    text += L"[Section" + std::to_wstring(s) + L"]\r\n";
    for (int k = 0; k < 100; ++k)
      text += L"Key" + std::to_wstring(k) + L"=An honest English text number " + std::to_wstring(k) + L"\r\n";
  }
  TZORIniFile ini;
  double t0 = BenchNow();
  ini.LoadFromString(text);
  double load = BenchNow() - t0;
  std::vector<std::wstring> sections, keys;
  for (int s = 0; s < 20; ++s) sections.push_back(L"section" + std::to_wstring(s));
  for (int k = 0; k < 100; ++k) keys.push_back(L"KEY" + std::to_wstring(k));
  const int rounds = 20;
  size_t total = 0;
  t0 = BenchNow();
  for (int r = 0; r < rounds; ++r)
    for (int s = 0; s < 20; ++s)
      for (int k = 0; k < 100; ++k) total += ini.ReadString(sections[s], keys[k]).size();
  double t = BenchNow() - t0;
  std::printf("ini: load of 2,000 keys %.2f ms; %d lookups in %.1f ms = %.0f lookups/s (%zu chars)\n", load * 1000,
              rounds * 2000, t * 1000, rounds * 2000 / t, total);
}
void BenchScript() {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<install><setup><license>"
                    "<File lang-family=\"EN\">License_EN.rtf</File></license></setup><product><Components>\r\n";
  for (int i = 0; xml.size() < (1u << 20); ++i)
    xml += "\t<File name=\"$DEST\\Plugins\\Group" + std::to_string(i % 50) + "\\plugin_" + std::to_string(i) +
           ".dll\" lang-family=\"EN\">plugin_" + std::to_string(i) + ".dll</File>\r\n";
  xml += "</Components></product></install>";
  double best = 1e9;
  int count = 0;
  for (int run = 0; run < 5; ++run) {
    TMemoryStream m;
    m.WriteBuffer(xml.data(), static_cast<int64_t>(xml.size()));
    m.SetPosition(0);
    double t = BenchNow();
    TSetupScript script;
    script.Load(m);
    best = std::min(best, BenchNow() - t);
    count = script.Components.Count();
  }
  std::printf("script: %.2f MiB Install.xml with %d entries loaded in %.1f ms\n", xml.size() / 1048576.0, count,
              best * 1000);
}
}  // namespace

int main() {
  BenchCRC();
  BenchIni();
  BenchScript();
  return 0;
}
