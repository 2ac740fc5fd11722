// Pack and read throughput of IPK5 packages, timed inside the process.
//   bench_package pack FOLDER OUT.ipk5   builds the package (files read, compressed, written)
//   bench_package read PACKAGE           decodes, checks the CRC, loads the table; peak memory
#include <windows.h>

#include "bench/BenchClock.h"
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "setup/core/package/Lzma.h"
#include "setup/core/package/Package.h"
#include "zor/base/Hashes.h"
#include "zor/utils/FileSystem.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  std::wstring mode = argv[1];
  if (mode == L"pack" && argc == 4) {
    double t = BenchNow();
    TSetupPackageBuilder builder;
    std::wstring root = zoIncludeTrailingPathDelimiter(argv[2]);
    zoEnumFilesEx(root, L"", L"*", fkFile, [&](const TZORFindFileInfo& e) {
      TZORBufferedFileStream file(e.FullName(), fmOpenRead | fmShareDenyWrite);
      builder.Add(file, e.FullName().substr(root.size()));
    }, true);
    int64_t content = builder.Content().Size();
    builder.Commit(argv[3], 4);
    std::printf("pack %.3f s %lld\n", BenchNow() - t, static_cast<long long>(content));
    return 0;
  }
  if (mode == L"parts") {
    // The read's steps one by one: file to memory, key removal, decoding, CRC.
    TMemoryStream raw;
    double t = BenchNow();
    raw.LoadFromFile(argv[2]);
    double load = BenchNow() - t;
    uint32_t size = *reinterpret_cast<const uint32_t*>(raw.Memory() + 8);
    t = BenchNow();
    TSetupKey key;
    key.Set(SetupPackageKey);
    key.Apply(raw.Memory() + 12, static_cast<size_t>(raw.Size() - 12));
    double xorTime = BenchNow() - t;
    raw.SetPosition(12);
    struct TNull : TStream {
      int64_t Read(void*, int64_t) override { return 0; }
      int64_t Write(const void*, int64_t n) override { return n; }
      int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
    } null;
    t = BenchNow();
    LzmaDecompress(raw, null, size, nullptr);
    double toNull = BenchNow() - t;
    raw.SetPosition(12);
    TMemoryStream out;
    t = BenchNow();
    t = BenchNow();
    LzmaDecompress(raw, out, size, nullptr);
    double decode = BenchNow() - t;
    std::printf("decode through 64 KiB buffers %.3f\n", toNull);
    t = BenchNow();
    TZORHashCRC32::State s;
    TZORHashCRC32::Initialize(s);
    out.SetPosition(0);
    TZORHashCRC32::UpdateFromStream(s, out);
    double crc = BenchNow() - t;
    std::printf("load %.3f xor %.3f decode %.3f crc %.3f\n", load, xorTime, decode, crc);
    return 0;
  }
  if (mode == L"read") {
    double t = BenchNow();
    TZORFileStream file(argv[2], fmOpenRead | fmShareDenyWrite);
    TSetupPackageReader reader(file);
    double elapsed = BenchNow() - t;
    PROCESS_MEMORY_COUNTERS pmc{};
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    std::printf("read %.3f s %lld %d %llu\n", elapsed, static_cast<long long>(reader.Content().Size()),
                reader.FileTable().Count(), static_cast<unsigned long long>(pmc.PeakPagefileUsage));
    return 0;
  }
  return 2;
}
