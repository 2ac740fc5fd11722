#include <gtest/gtest.h>

#include <algorithm>

#include "setup/core/SystemHelpers.h"
#include "setup/product/Zip.h"
#include "tests/e2e/E2E.h"
#include "zor/base/INI.h"
#include "zor/utils/Registry.h"
#include "zor/utils/Shell.h"

namespace {
const std::wstring kProfiles = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
const std::wstring kSid = L"S-1-5-21-424242-424242-424242-1002";

// A second user, Bob, whose profile folder lives in the test folder.
class TSecondUser {
public:
  explicit TSecondUser(const std::wstring& home) : Home(home) {
    zoForceDirectories(home);
    TZORRegKey::OpenWrite(HKEY_LOCAL_MACHINE, kProfiles + kSid, true).WriteString(L"ProfileImagePath", home);
    TZORRegKey::OpenWrite(HKEY_USERS, kSid + L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", true)
        .WriteString(L"AppData", L"%USERPROFILE%\\AppData\\Roaming");
  }
  ~TSecondUser() {
    TZORRegKey::DeleteTree(HKEY_LOCAL_MACHINE, kProfiles + kSid);
    TZORRegKey::DeleteTree(HKEY_USERS, kSid);
  }
  std::wstring AppData() const { return Home + L"\\AppData\\Roaming\\"; }
  std::wstring Home;
};

// The entries of the archive this run made (the one named after the new version).
std::map<std::wstring, std::string> ArchiveOf(const std::wstring& folder) {
  TZORStringList zips;
  zoEnumFiles(folder + L"!Backup\\", L"*.zip;", zips);
  std::map<std::wstring, std::string> entries;
  for (const auto& zip : zips)
    if (zip.S.find(L"install 5.50 [") != std::wstring::npos)
      for (auto& [name, bytes] : TSetupZipWriter::ReadAll(zip.S)) entries[name] = bytes;
  return entries;
}

}  // namespace

TEST(Update, PerUserInstallationWithTwoProfiles) {
  TTestDir dir;
  const std::wstring folder = dir / L"QOLT\\";
  TSecondUser bob(dir / L"Bob");
  const std::wstring mine = zoGetAppDataPath() + L"QOLT\\";
  zoDeleteDirectory(mine, true);
  WriteTree(folder, {{L"QOLT.ini", "[System]\r\nVersion=5200\r\nUserMode=1\r\n[Integration]\r\nAssociateWithFiles=0\r\n"},
                     {L"QOLT.exe", "old player"},
                     {L"Plugins\\Audio\\old.qpl", "an old plug-in"},
                     {L"Plugins\\Updater\\update.qpl", "obsolete"},
                     {L"Icons\\mine.ico", "kept"},
                     {L"AlbumArts.db", "never archived"}});
  WriteTree(mine, {{L"QOLT.ini", "my settings"}, {L"Playlists\\a.qpls", "my list"}});
  WriteTree(bob.AppData() + L"QOLT\\", {{L"QOLT.ini", "bob's settings"}});
  WriteTree(folder + L"!Backup\\", {{L"z Before install 5.00 [2024.01.01 10-00-00].zip", "1"},
                                    {L"z Before install 5.10 [2025.01.01 10-00-00].zip", "2"},
                                    {L"z Before install 5.20 [2026.01.01 10-00-00].zip", "3"}});
  // Refused over a version that cannot be updated, accepted over 5.20.
  TTestDir other;
  WriteTree(other.Path, {{L"QOLT.ini", "[System]\r\nVersion=5500\r\n"}});
  TSetupRun refused = RunSetup(SampleSetup(), L"/AUTO=\"" + other.Path + L"\" /UPDATE");
  EXPECT_EQ(refused.BoxText.rfind(L"EInstallerUpdateError: Cannot install update on v5.50", 0), 0u) << refused.BoxText;
  TSetupRun accepted = RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /UPDATE");
  EXPECT_EQ(accepted.BoxText.find(L"Cannot install update"), std::wstring::npos) << accepted.BoxText;

  // A running player is closed before its files are replaced.
  ASSERT_TRUE(zoCopyFile(SampleProduct() + L"QOLT.exe", folder + L"QOLT.exe", false));
  ASSERT_TRUE(TZORProcess::Execute(L"\"" + folder + L"QOLT.exe\"", pfShow));
  for (int i = 0; i < 100 && !zoFindWindow(L"TQOLTMainForm"); ++i) Sleep(50);
  ASSERT_NE(zoFindWindow(L"TQOLTMainForm"), nullptr);
  std::string oldPlayer = ReadFileBytes(folder + L"QOLT.exe");

  TSetupRun run = RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
  EXPECT_EQ(zoFindWindow(L"TQOLTMainForm"), nullptr);
  EXPECT_TRUE(ReadFileBytes(folder + L"QOLT.exe") == ReadFileBytes(SampleProduct() + L"QOLT.exe"));

  std::map<std::wstring, std::string> archive = ArchiveOf(folder);
  EXPECT_TRUE(archive[L"Program/QOLT.exe"] == oldPlayer) << archive[L"Program/QOLT.exe"].size();
  EXPECT_EQ(archive[L"Program/Plugins/Audio/old.qpl"], "an old plug-in");
  EXPECT_EQ(archive[L"Profiles/" + zoLastPathComponent(zoGetSpecialFolderPath(CSIDL_PROFILE_)) + L"/Playlists/a.qpls"], "my list");
  EXPECT_EQ(archive[L"Profiles/" + zoLastPathComponent(bob.Home) + L"/QOLT.ini"], "bob's settings");
  EXPECT_EQ(archive.count(L"Program/AlbumArts.db"), 0u);
  for (const auto& [name, bytes] : archive) EXPECT_EQ(name.find(L"!Backup"), std::wstring::npos) << name;

  EXPECT_EQ(ReadFileBytes(folder + L"Icons\\mine.ico"), "kept");
  EXPECT_EQ(ReadFileBytes(folder + L"Plugins\\Audio\\old.qpl"), "an old plug-in");
  EXPECT_FALSE(zoFileExists(folder + L"Plugins\\Updater\\update.qpl"));
  EXPECT_FALSE(zoFileExists(folder + L"AlbumArts.db"));
  EXPECT_EQ(ReadFileBytes(mine + L"Playlists\\a.qpls"), "my list");
  EXPECT_EQ(ReadFileBytes(bob.AppData() + L"QOLT\\QOLT.ini"), "bob's settings");
  TZORIniFile ini(folder + L"QOLT.ini");
  EXPECT_EQ(ini.ReadInteger(L"System", L"Version", 0), 5500);
  EXPECT_EQ(ini.ReadSectionText(L"Integration"), L"AssociateWithFiles=0\r\n");

  // Four archives leave three: the new one and the two newest old ones.
  TZORStringList zips;
  zoEnumFiles(folder + L"!Backup\\", L"*.zip;", zips);
  zips.Sort();
  ASSERT_EQ(zips.Count(), 3);
  EXPECT_NE(zips[0].find(L"5.10"), std::wstring::npos);
  EXPECT_NE(zips[1].find(L"5.20"), std::wstring::npos);
  zoDeleteDirectory(mine, true);
  RemoveInstallation(folder);
}

TEST(Update, From380MigratesTheOldProfile) {
  TTestDir dir;
  const std::wstring folder = dir / L"QOLT3\\";
  const std::wstring oldProfile = zoGetAppDataPath() + L"QOLT3\\", newProfile = zoGetAppDataPath() + L"QOLT\\";
  zoDeleteDirectory(oldProfile, true);
  zoDeleteDirectory(newProfile, true);
  WriteTree(folder, {{L"QOLT3.ini", "[System]\r\nVersion=3800\r\nUserMode=1\r\n"}, {L"QOLT3.exe", "old"},
                     {L"Skins\\QOLT3 Default.qsk", "obsolete skin"}});
  WriteTree(oldProfile, {{L"QOLT3.ini", "settings"}, {L"QOLT3-cat.db", "catalogue"}, {L"qolt3_menu.ini", "menu"},
                         {L"QOLT3.bak", "backup"}});
  TSetupRun run = RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
  EXPECT_EQ(ReadFileBytes(newProfile + L"QOLT.ini"), "settings");
  EXPECT_EQ(ReadFileBytes(newProfile + L"QOLT-cat.db"), "catalogue");
  EXPECT_EQ(ReadFileBytes(newProfile + L"QOLT-ContextMenu.ini"), "menu");
  EXPECT_FALSE(zoFileExists(newProfile + L"QOLT3.bak"));
  EXPECT_FALSE(zoDirectoryExists(oldProfile));
  EXPECT_FALSE(zoFileExists(folder + L"QOLT3.ini"));
  EXPECT_FALSE(zoFileExists(folder + L"Skins\\QOLT3 Default.qsk"));
  TZORIniFile ini(folder + L"QOLT.ini");
  EXPECT_EQ(ini.ReadInteger(L"System", L"Version", 0), 5500);
  auto archive = ArchiveOf(folder);
  EXPECT_EQ(archive[L"Profiles/" + zoLastPathComponent(zoGetSpecialFolderPath(CSIDL_PROFILE_)) + L"/QOLT3.ini"], "settings");
  zoDeleteDirectory(newProfile, true);
  RemoveInstallation(folder);
}

TEST(Update, PortableInstallAndUpdateKeepTheProfile) {
  TTestDir dir;
  const std::wstring folder = dir / L"Portable\\";
  ASSERT_TRUE(RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /PORTABLE /SILENT").Ended);
  EXPECT_FALSE(zoDirectoryExists(folder + L"!Backup"));  // nothing was there to back up
  WriteTree(folder, {{L"QOLT.ini", "[System]\r\nVersion=5300\r\nUserMode=0\r\n"}, {L"Profile\\QOLT.ini", "portable settings"}});
  TSetupRun run = RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
  auto archive = ArchiveOf(folder);
  EXPECT_EQ(archive[L"Profile/QOLT.ini"], "portable settings");
  EXPECT_EQ(archive.count(L"QOLT.exe"), 1u);
  EXPECT_EQ(ReadFileBytes(folder + L"Profile\\QOLT.ini"), "portable settings");
  TZORIniFile ini(folder + L"QOLT.ini");
  EXPECT_EQ(ini.ReadInteger(L"System", L"UserMode", -1), 0);
  EXPECT_FALSE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QOLT"));
}
