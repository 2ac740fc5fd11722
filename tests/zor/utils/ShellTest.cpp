#include "zor/utils/Shell.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/TestUtil.h"
#include "zor/base/Streams.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"

namespace {
std::wstring Child() { return zoSelfPath() + L"..\\helpers\\test_child.exe"; }
}  // namespace

TEST(Shell, SpecialFolders) {
  for (int folder : {CSIDL_DESKTOP_, CSIDL_COMMON_PROGRAMS_, CSIDL_COMMON_DESKTOPDIRECTORY_, CSIDL_APPDATA_,
                     CSIDL_PROGRAM_FILES_, CSIDL_PROFILE_}) {
    std::wstring path = zoGetSpecialFolderPath(folder);
    EXPECT_EQ(path.back(), L'\\') << folder;
    EXPECT_EQ(path[1], L':') << folder;
  }
  EXPECT_EQ(zoGetSpecialFolderPath(0x7FFF), zoTempPath());  // no such folder
  EXPECT_TRUE(zoDirectoryExists(zoGetSystemPath()));
}

TEST(Shell, Shortcuts) {
  TTestDir dir;
  std::wstring target = dir / L"Player.exe";
  WriteFileBytes(target, "MZ");
  EXPECT_FALSE(zoCreateShortcut(dir / L"none.lnk", dir / L"missing.exe"));
  EXPECT_FALSE(zoFileExists(dir / L"none.lnk"));
  ASSERT_TRUE(zoCreateShortcut(dir / L"Player.lnk", target));
  std::wstring read;
  ASSERT_TRUE(zoGetShortcutTarget(dir / L"PLAYER.LNK", read));
  EXPECT_TRUE(zoSameText(read, target)) << read;
  WriteFileBytes(dir / L"site.url", "[InternetShortcut]\r\nURL=https://example.org/\r\n");
  EXPECT_FALSE(zoGetShortcutTarget(dir / L"site.url", read));
  EXPECT_EQ(read, L"");
  EXPECT_FALSE(zoGetShortcutTarget(dir / L"missing.lnk", read));
}

TEST(Process, WaitExitCodeAndOutput) {
  uint32_t code = 0;
  ASSERT_TRUE(TZORProcess::Execute(L"\"" + Child() + L"\" exit 42", pfWait | pfShow, nullptr, nullptr, &code));
  EXPECT_EQ(code, 42u);
  ASSERT_TRUE(TZORProcess::Execute(L"\"" + Child() + L"\" sleep 300", pfWait | pfShow, nullptr, nullptr, &code));
  EXPECT_EQ(code, 7u);  // returned only after the child ended
  TMemoryStream out, err;
  ASSERT_TRUE(TZORProcess::Execute(L"\"" + Child() + L"\" print hello oops", pfWait, &out, &err, &code));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Memory()), out.Size()), "hello");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(err.Memory()), err.Size()), "oops");
  EXPECT_FALSE(TZORProcess::Execute(L"\"C:\\no\\such.exe\"", pfWait | pfShow));
}

TEST(Process, WindowsAndTheirPrograms) {
  ASSERT_TRUE(TZORProcess::Execute(L"\"" + Child() + L"\" window TQOLTTestWindow 20000", pfShow));
  HWND window = nullptr;
  for (int i = 0; i < 100 && !window; ++i, Sleep(50)) window = static_cast<HWND>(zoFindWindow(L"TQOLTTestWindow"));
  ASSERT_NE(window, nullptr);
  std::wstring exe;
  ASSERT_TRUE(zoGetWindowExeName(window, exe));
  EXPECT_TRUE(zoSameText(zoExtractFileName(exe), L"test_child.exe")) << exe;
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(zoGetWindowExeName(nullptr, exe));
  EXPECT_EQ(zoFindWindow(L"TNoSuchWindowClass"), nullptr);
}

TEST(System, VersionWineAndGuids) {
  EXPECT_TRUE(zoCheckWindowsVersion(6, 0));
  EXPECT_TRUE(zoCheckWindowsVersion(10, 0));  // the prefix runs as Windows 10
  EXPECT_FALSE(zoCheckWindowsVersion(10, 1));
  zoSetOSVersionSource([] { return TZOROSVersion{6, 1, 7601}; });
  EXPECT_TRUE(zoCheckWindowsVersion(6, 0));
  EXPECT_TRUE(zoCheckWindowsVersion(6, 1, 7601));
  EXPECT_FALSE(zoCheckWindowsVersion(6, 1, 7602));
  EXPECT_FALSE(zoCheckWindowsVersion(6, 2));
  zoSetOSVersionSource(nullptr);
  EXPECT_TRUE(zoIsWine());
  std::wstring guid = zoCreateGUIDString();
  ASSERT_EQ(guid.size(), 38u);
  EXPECT_EQ(guid.front(), L'{');
  EXPECT_EQ(guid, zoUpperCase(guid));
  EXPECT_NE(guid, zoCreateGUIDString());
}
