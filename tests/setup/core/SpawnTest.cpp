#include "setup/core/Spawn.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include "setup/core/Relaunch.h"
#include "tests/TestUtil.h"
#include "zor/base/Threads.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"

namespace {
std::wstring Helper(const wchar_t* name) { return zoSelfPath() + L"..\\helpers\\" + name; }

bool WaitForFile(const std::wstring& path, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (zoFileExists(path) && zoGetFileSize(path) >= 0) return true;
    Sleep(50);
  }
  return zoFileExists(path);
}
}  // namespace

// A first instance owns the window; a second process hands it a command with spaces.
TEST(SpawnService, CommandCrossesToTheFirstInstance) {
  TTestDir dir;
  std::wstring folder = dir / L"with space\\";
  zoForceDirectories(folder);
  ASSERT_TRUE(zoCopyFile(Helper(L"test_child.exe"), folder + L"spawned marker.exe", false));
  std::wstring handleFile = dir / L"handle.txt";
  ASSERT_TRUE(TZORProcess::Execute(L"\"" + Helper(L"spawn_helper.exe") + L"\" serve \"" + handleFile + L"\" 20000", pfShow));
  ASSERT_TRUE(WaitForFile(handleFile, 10000));
  Sleep(100);
  std::string handle = ReadFileBytes(handleFile);
  ASSERT_FALSE(handle.empty());
  uint32_t code = 99;
  ASSERT_TRUE(TZORProcess::Execute(L"\"" + Helper(L"spawn_helper.exe") + L"\" send " + std::wstring(handle.begin(), handle.end()) +
                                       L" \"" + folder + L"spawned marker.exe\"",
                                   pfWait | pfShow, nullptr, nullptr, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WaitForFile(folder + L"marker.txt", 10000));
}

TEST(SpawnService, OneInitialisationPerProcess) {
  TSetupSpawnService::Initialize(nullptr);
  EXPECT_TRUE(TSetupSpawnService::OwnsWindow());
  EXPECT_NE(TSetupSpawnService::SpawnWindow(), nullptr);
  EXPECT_EQ(TSetupSpawnService::SpawnTokenMessage(), RegisterWindowMessageW(L"SpawnToken"));
  try {
    TSetupSpawnService::Initialize(nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), L"SpawnService is already initialized");
  }
  TSetupSpawnService::Shutdown();
  EXPECT_EQ(TSetupSpawnService::SpawnWindow(), nullptr);
}

// Wine never shows a consent prompt, so the declined prompt is played through the launcher.
TEST(Relaunch, ElevatedStartAndDeclinedPrompt) {
  SetupSetElevatedLauncher([](SHELLEXECUTEINFOW*) {
    SetLastError(ERROR_CANCELLED);
    return false;
  });
  EXPECT_FALSE(RunElevated(L"/AUTO"));
  TSetupSpawnService::Shutdown();
  SetupSetElevatedLauncher([](SHELLEXECUTEINFOW*) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  });
  EXPECT_THROW(RunElevated(L"/AUTO"), EOSError);
  TSetupSpawnService::Shutdown();

  // The real "runas" start of this program, which runs no test and ends.
  static std::wstring seen;
  SetupSetElevatedLauncher([](SHELLEXECUTEINFOW* info) {
    seen = std::wstring(info->lpVerb) + L"|" + info->lpParameters;
    SetupSetElevatedLauncher(nullptr);
    return ShellExecuteExW(info) != FALSE;
  });
  EXPECT_TRUE(RunElevated(L"--gtest_filter=NoSuchTest"));
  std::wstring expected = zoFormat(L"runas|/SKIPUAC=%d --gtest_filter=NoSuchTest",
                                   static_cast<int64_t>(reinterpret_cast<intptr_t>(TSetupSpawnService::SpawnWindow())));
  EXPECT_EQ(seen, expected);
  TSetupSpawnService::Shutdown();
  SetupSetElevatedLauncher(nullptr);
}

TEST(Relaunch, CopiesToTheTemporaryFolder) {
  TTestDir dir;
  // A name of its own: the end-to-end uninstaller runs use %TEMP%\Uninstall.dat meanwhile.
  WriteFileBytes(dir / L"qolt-copy-test.dat", "data");
  std::wstring copy = CopyToTempFolder(dir / L"qolt-copy-test.dat");
  EXPECT_EQ(copy, zoTempPath() + L"qolt-copy-test.dat");
  EXPECT_EQ(ReadFileBytes(copy), "data");
  zoDeleteFile(copy);
  try {
    CopyToTempFolder(dir / L"missing.dat");
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_NE(e.Message().find(L" -> " + zoTempPath() + L"missing.dat"), std::wstring::npos) << e.Message();
  }
  EXPECT_FALSE(IsUninstallerExecutable());
}
