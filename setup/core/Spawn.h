#pragma once
// Starts programs as the desktop user: the elevated instance hands the command
// to the first, non-elevated instance's window ("SpawnToken" copy-data), or
// else asks the desktop shell to open it.
#include <cstdint>
#include <string>

class TSetupSpawnService {
public:
  // 0: create and own a message-only window; else use the given window.
  // Raises "SpawnService is already initialized" the second time.
  static void Initialize(void* window);
  static void Spawn(const std::wstring& command);
  static void Shutdown();
  static void* SpawnWindow();
  static bool OwnsWindow();
  static uint32_t SpawnTokenMessage();
};
