#include "setup/core/SystemHelpers.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/TestUtil.h"
#include "zor/base/StringList.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Registry.h"

namespace {
const std::wstring kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
}

TEST(AppRepo, RegisterFindAndUnregister) {
  EXPECT_EQ(TSetupAppRepo::GetUninstallKey(false), kUninstall);
  EXPECT_EQ(TSetupAppRepo::GetUninstallKey(true), L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
  EXPECT_EQ(TSetupAppRepo::GetEntryName(L" QOLT Test Player "), L"QOLTTestPlayer");

  TTestDir dir;
  std::wstring uninstaller = dir / L"Uninstall.exe";
  WriteFileBytes(uninstaller, "MZ");
  {
    // Values of an older entry disappear with it.
    TZORRegKey old = TZORRegKey::OpenWrite(HKEY_LOCAL_MACHINE, kUninstall + L"QOLTTestPlayer", true);
    old.WriteString(L"Foreign", L"x");
    TZORRegKey::OpenWrite(HKEY_LOCAL_MACHINE, kUninstall + L"QOLTTestPlayer\\Sub\\Deeper", true);
  }
  TSetupAppRepo::Register(L"QOLT Test Player", uninstaller, L"5.50", L"QOLT Team", L"https://qolt.example/");
  TZORRegKey key = TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kUninstall + L"QOLTTestPlayer");
  ASSERT_TRUE(key);
  EXPECT_FALSE(key.ValueExists(L"Foreign"));
  EXPECT_TRUE(key.SubKeys().empty());
  uint32_t one = 0;
  EXPECT_TRUE(key.ReadInteger(L"NoModify", one) && one == 1);
  EXPECT_TRUE(key.ReadInteger(L"NoRepair", one) && one == 1);
  EXPECT_EQ(key.ReadString(L"DisplayName"), L"QOLT Test Player");
  EXPECT_EQ(key.ReadString(L"DisplayIcon"), uninstaller);
  EXPECT_EQ(key.ReadString(L"UninstallString"), uninstaller);
  EXPECT_EQ(key.ReadString(L"InstallPath"), dir.Path);
  EXPECT_EQ(key.ReadString(L"DisplayVersion"), L"5.50");
  EXPECT_EQ(key.ReadString(L"Publisher"), L"QOLT Team");
  EXPECT_EQ(key.ReadString(L"URLInfoAbout"), L"https://qolt.example/");
  EXPECT_EQ(key.ReadString(L"InstallDate").size(), 8u);

  std::wstring folder;
  ASSERT_TRUE(TSetupAppRepo::FindInstallPath(L"QOLT Test Player", folder));
  EXPECT_EQ(folder, dir.Path);

  // Without InstallPath the uninstaller's folder is taken; a quoted one never exists.
  key.~TZORRegKey();
  new (&key) TZORRegKey(TZORRegKey::OpenWrite(HKEY_LOCAL_MACHINE, kUninstall + L"QOLTTestPlayer", false));
  key.DeleteValue(L"InstallPath");
  ASSERT_TRUE(TSetupAppRepo::FindInstallPath(L"QOLT Test Player", folder));
  EXPECT_EQ(folder, dir.Path);
  key.WriteString(L"UninstallString", L"\"" + uninstaller + L"\"");
  key.WriteString(L"DisplayIcon", L"\"" + uninstaller + L"\"");
  EXPECT_FALSE(TSetupAppRepo::FindInstallPath(L"QOLT Test Player", folder));

  // The 32-bit view is tried second, and removal clears both.
  TSetupAppRepo::Unregister(L"QOLT Test Player");
  {
    TZORRegKey k32 = TZORRegKey::OpenWrite(HKEY_LOCAL_MACHINE, kUninstall + L"QOLTTestPlayer", true, TZORRegView::rv32);
    k32.WriteString(L"InstallPath", dir.Path);
  }
  ASSERT_TRUE(TSetupAppRepo::FindInstallPath(L"QOLT Test Player", folder));
  TSetupAppRepo::Unregister(L"QOLT Test Player");
  EXPECT_FALSE(TSetupAppRepo::FindInstallPath(L"QOLT Test Player", folder));
  EXPECT_FALSE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kUninstall + L"QOLTTestPlayer", TZORRegView::rv32));
  EXPECT_FALSE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kUninstall + L"QOLTTestPlayer"));
}

TEST(Users, PopulateReadsTheProfileList) {
  TTestDir dir;
  const std::wstring list = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
  const std::wstring folders = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  const std::wstring sid = L"S-1-5-21-777-777-777-1001";
  std::wstring profile = dir / L"Alice";
  CreateDirectoryW(profile.c_str(), nullptr);
  TZORRegKey::OpenWrite(HKEY_LOCAL_MACHINE, list + sid, true).WriteString(L"ProfileImagePath", profile);
  TZORRegKey::OpenWrite(HKEY_LOCAL_MACHINE, list + sid + L".bak", true).WriteString(L"ProfileImagePath", profile);
  TZORRegKey::OpenWrite(HKEY_USERS, sid + folders, true).WriteString(L"AppData", L"%userprofile%\\AppData\\Roaming");

  std::vector<std::pair<std::wstring, std::wstring>> seen;
  TSetupUsers::Populate([&](const std::wstring& name, const std::wstring& appData) { seen.emplace_back(name, appData); });
  TZORRegKey::DeleteTree(HKEY_LOCAL_MACHINE, list + sid);
  TZORRegKey::DeleteTree(HKEY_LOCAL_MACHINE, list + sid + L".bak");
  TZORRegKey::DeleteTree(HKEY_USERS, sid);

  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].second.back(), L'\\');  // the current user first, from the shell
  int alice = 0;
  for (const auto& [name, appData] : seen) {
    if (name == L"Alice") {
      ++alice;
      EXPECT_EQ(appData, profile + L"\\AppData\\Roaming");
    }
  }
  EXPECT_EQ(alice, 1);  // never from the ".bak" entry
}

TEST(SearchHelper, ExcludedPrefix) {
  TTestDir dir;
  for (const wchar_t* f : {L"QOLT.exe", L"!Backup\\old.zip", L"Skins\\a.skin"}) {
    zoForceDirectoriesForFile(dir / f);
    WriteFileBytes(dir / f, "x");
  }
  TZORStringList found;
  TFileSearchHelper::Search(dir.Path, dir / L"!backup\\", found);
  EXPECT_EQ(found.Count(), 2);
  TZORStringList all;
  TFileSearchHelper::Search(dir.Path, L"", all);
  EXPECT_EQ(all.Count(), 3);
}

TEST(FileHelpers, CopyDeleteAndRun) {
  TTestDir dir;
  try {
    CopyFileOrRaise(dir / L"missing.txt", dir / L"to.txt");
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message().rfind(L"System Error.  Code: 2.\r\n", 0), 0u);
    EXPECT_NE(e.Message().find(dir / L"missing.txt -> " + (dir / L"to.txt")), std::wstring::npos) << e.Message();
  }
  WriteFileBytes(dir / L"a.txt", "a");
  CopyFileOrRaise(dir / L"a.txt", dir / L"b.txt");
  EXPECT_EQ(ReadFileBytes(dir / L"b.txt"), "a");

  SetFileAttributesW((dir / L"b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  DeleteFileOrPostpone(dir / L"b.txt");
  EXPECT_FALSE(zoFileExists(dir / L"b.txt"));
  DeleteFileOrPostpone(dir / L"never.txt");

  // A file held open without sharing: it cannot be deleted; it is moved aside
  // for deletion at restart, or, where the move fails too, stays as it was.
  WriteFileBytes(dir / L"locked.txt", "locked");
  HANDLE h = CreateFileW((dir / L"locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DeleteFileOrPostpone(dir / L"locked.txt");
  bool stayed = zoFileExists(dir / L"locked.txt");
  CloseHandle(h);
  if (!stayed) {
    TZORRegKey session = TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager");
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExW(session.Get(), L"PendingFileRenameOperations", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  } else {
    EXPECT_EQ(ReadFileBytes(dir / L"locked.txt"), "locked");
  }
  RunAndWait(L"\"" + zoSelfPath() + L"..\\helpers\\test_child.exe\" exit 0");
}

TEST(ActiveX, EntryPointRunsWithTheLibraryFolderCurrent) {
  std::wstring dll = zoSelfPath() + L"..\\helpers\\dll\\test_dll.dll";
  std::wstring before = zoGetCurrentDir();
  TSetupActiveX::Unregister(zoExpandFileName(dll));
  EXPECT_EQ(zoGetCurrentDir(), before);
  TZORRegKey key = TZORRegKey::OpenRead(HKEY_CURRENT_USER, L"Software\\QOLTTest");
  EXPECT_TRUE(zoSameText(zoIncludeTrailingPathDelimiter(key.ReadString(L"UnregisteredFrom")),
                         zoExtractFilePath(zoExpandFileName(dll))));
  TZORRegKey::DeleteTree(HKEY_CURRENT_USER, L"Software\\QOLTTest");
  TSetupActiveX::Unregister(L"C:\\no\\such.dll");  // quietly nothing
}
