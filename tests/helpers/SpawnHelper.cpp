// The two instances of the spawn service, as separate processes:
//   serve FILE MS       owns the spawn window, writes its handle to FILE, serves for MS
//   send HANDLE COMMAND asks that window to open COMMAND
#include <windows.h>

#include <cstdio>
#include <string>

#include "setup/core/Spawn.h"
#include "zor/base/Threads.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  std::wstring mode = argv[1];
  if (mode == L"serve") {
    TSetupSpawnService::Initialize(nullptr);
    FILE* f = _wfopen(argv[2], L"w");
    if (!f) return 3;
    std::fprintf(f, "%lld", static_cast<long long>(reinterpret_cast<intptr_t>(TSetupSpawnService::SpawnWindow())));
    std::fclose(f);
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    zoWaitForHandle(never, static_cast<uint32_t>(_wtoi(argv[3])));
    TSetupSpawnService::Shutdown();
    return 0;
  }
  if (mode == L"send") {
    TSetupSpawnService::Initialize(reinterpret_cast<void*>(static_cast<intptr_t>(_wtoi64(argv[2]))));
    TSetupSpawnService::Spawn(argv[3]);
    return 0;
  }
  return 2;
}
