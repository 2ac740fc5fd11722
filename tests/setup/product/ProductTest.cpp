#include <gtest/gtest.h>
#include <windows.h>

#include "setup/core/Errors.h"
#include "setup/core/Setup.h"
#include "setup/core/SystemHelpers.h"
#include "setup/product/ActionExtract.h"
#include "setup/product/ActionPrepare.h"
#include "setup/product/ActionsIntegration.h"
#include "setup/product/ActionsUninstall.h"
#include "setup/product/Zip.h"
#include "setup/product/ProductInfoQOLT.h"
#include "setup/product/Profiles.h"
#include "tests/e2e/E2E.h"
#include "tests/setup/SetupFixture.h"
#include "zor/utils/Common.h"
#include "zor/utils/Registry.h"

namespace {
const std::wstring kEntry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QOLTTest";

std::string Script(const std::string& components) {
  return "<install><product><Settings><S name=\"ProductName\" value=\"QOLT Test\"/><S name=\"Publisher\" value=\"QOLT Team\"/>"
         "<S name=\"ProductVersionNo\" value=\"5.50\"/><S name=\"HomePage\" value=\"https://qolt.example/\"/>"
         "<S name=\"ProductVersionId\" value=\"5500\"/></Settings><Components>" +
         components + "</Components></product></install>";
}

class ProductTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterProductQOLT(); }
  void TearDown() override {
    Setup.reset();
    TSetupAppRepo::Unregister(L"QOLT Test");
  }
  void Make(const std::wstring& params, const std::string& components, const TTestFiles& product) {
    Setup.reset();
    Module.reset();
    TTestFiles setupData = TestSetupData();
    setupData[L"Install.xml"] = Script(components);
    std::wstring exe = Dir / (L"Setup" + std::to_wstring(++Built) + L".exe");
    MakeSetupExe(exe, setupData, product);
    Module = std::make_unique<TTestSetupModule>(exe);
    Setup = std::make_unique<TSetup>(params, Module->Environment());
    Setup->Resources().InitializeLanguages(false);
  }
  TTestDir Dir;
  int Built = 0;
  std::unique_ptr<TTestSetupModule> Module;
  std::unique_ptr<TSetup> Setup;
};

std::unique_ptr<TZORIniFile> ReadUninstallIni(const std::wstring& dataFile) {
  TZORFileStream file(dataFile, fmOpenRead | fmShareDenyNone);
  TSetupPackageReader reader(file);
  std::unique_ptr<TMemoryStream> stream;
  EXPECT_TRUE(reader.Extract(L"Uninstall.ini", stream));
  auto ini = std::make_unique<TZORIniFile>();
  ini->LoadFromStream(*stream);
  return ini;
}
}  // namespace

TEST_F(ProductTest, InstalledCopyAtTheDestination) {
  const struct {
    std::string QoltIni, Qolt3Ini;
    int32_t Version;
    bool CanUpdate, Portable;
  } cases[] = {
      {"[System]\r\nVersion=5200\r\n", "", 5200, true, false},
      {"[System]\r\nVersion=3499\r\n", "", 3499, false, false},
      {"[System]\r\nVersion=3500\r\nUserMode=0\r\n", "", 3500, true, true},
      {"[System]\r\nVersion=5499\r\n", "", 5499, true, false},
      {"[System]\r\nVersion=5500\r\n", "", 5500, false, false},
      {"[System]\r\nVersion=5000\r\n", "[System]\r\nVersion=3800\r\n", 5000, true, false},
      {"", "[System]\r\nVersion=3800\r\nUserMode=0\r\n", 3800, true, true},
      {"", "", 0, false, false},
  };
  Make(L"/AUTO", "", {{L"x.txt", "x"}});
  int n = 0;
  for (const auto& c : cases) {
    std::wstring dest = Dir / (L"dest" + std::to_wstring(++n) + L"\\");
    zoForceDirectories(dest);
    if (!c.QoltIni.empty()) WriteFileBytes(dest + L"QOLT.ini", c.QoltIni + "[Integration]\r\nAssoc=1\r\n");
    if (!c.Qolt3Ini.empty()) WriteFileBytes(dest + L"QOLT3.ini", c.Qolt3Ini);
    Setup->Options.WriteString(L"Integration", L"Stale", L"1");
    Setup->SetDestPath(dest);
    TSetupProductInfo& info = Setup->ProductInfo();
    EXPECT_EQ(info.InstalledVersion(), c.Version) << n;
    EXPECT_EQ(info.CanUpdate(), c.CanUpdate) << n;
    EXPECT_EQ(info.IsPortable(), c.Portable) << n;
    EXPECT_EQ(Setup->HasOption(soUpdate), c.CanUpdate) << n;
    EXPECT_EQ(Setup->Options.ReadSectionText(L"Integration"), c.QoltIni.empty() ? L"" : L"Assoc=1\r\n") << n;
  }
}

TEST_F(ProductTest, ProfilePaths) {
  Make(L"/AUTO", "", {{L"x.txt", "x"}});
  EXPECT_EQ(TSetupProfileHelper::GetProfilePath(L"C:\\Users\\A\\AppData\\Roaming", 3800), L"C:\\Users\\A\\AppData\\Roaming\\QOLT3\\");
  EXPECT_EQ(TSetupProfileHelper::GetNewProfilePath(L"C:\\Users\\A\\AppData\\Roaming"),
            L"C:\\Users\\A\\AppData\\Roaming\\QOLT Test\\");
  EXPECT_EQ(TSetupProfileHelper::GetProfilePath(L"", 5200), Setup->DestPath() + L"Profile\\");
  TZORStringList list;
  list.SetText(L"C:\\Q\\a\r\nC:\\q\\B\r\nC:\\R\\c");
  TSetupHelper::RemoveByPrefix(list, L"c:\\Q\\");
  EXPECT_EQ(list.Text(), L"C:\\R\\c\r\n");
  EXPECT_THROW(TSetupHelper::CopyFolder(Dir / L"missing", Dir / L"to", false), EInstallerInstallError);
}

TEST_F(ProductTest, ExtractInstallsFilesAndUninstallData) {
  std::wstring dest = Dir / L"QOLT Test\\";
  Make(L"/AUTO=\"" + dest + L"\" /SILENT",
       "<File name=\"$DEST\\QOLT.exe\"/><File name=\"$DEST\\Plugins\\a.dll\">plugin_a.dll</File>"
       "<File name=\"$DEST\\Langs\\German.txt\" lang-family=\"DE\">de.txt</File>"
       "<File name=\"$DEST\\Langs\\English.txt\" lang-family=\"en\">en.txt</File>",
       {{L"QOLT.exe", "MZ player"}, {L"plugin_a.dll", std::string(3 << 20, 'p')}, {L"de.txt", "de"}, {L"en.txt", "en"}});
  Setup->Start(true);
  ASSERT_FALSE(Setup->HasErrors()) << Setup->Errors.Text();
  EXPECT_EQ(ReadFileBytes(dest + L"QOLT.exe"), "MZ player");
  EXPECT_EQ(ReadFileBytes(dest + L"Plugins\\a.dll"), std::string(3 << 20, 'p'));
  EXPECT_EQ(ReadFileBytes(dest + L"Langs\\English.txt"), "en");
  EXPECT_FALSE(zoFileExists(dest + L"Langs\\German.txt"));
  EXPECT_TRUE(zoFileExists(dest + L"Uninstall.exe"));
  auto ini = ReadUninstallIni(dest + L"Uninstall.dat");
  const wchar_t* expected[] = {L"QOLT.exe", L"Plugins\\a.dll", L"Langs\\English.txt", L"Uninstall.dat", L"Uninstall.exe"};
  EXPECT_EQ(ini->ReadInteger(L"Uninstall", L"Count", 0), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ini->ReadString(L"Uninstall", zoIntToStr(i)), expected[i]);
  TZORRegKey key = TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kEntry);
  ASSERT_TRUE(key);
  EXPECT_EQ(key.ReadString(L"DisplayName"), L"QOLT Test");
  EXPECT_EQ(key.ReadString(L"UninstallString"), dest + L"Uninstall.exe");
  EXPECT_EQ(key.ReadString(L"DisplayVersion"), L"5.50");
}

TEST_F(ProductTest, PortableEmptyAndOutsideTargets) {
  std::wstring dest = Dir / L"Portable\\";
  Make(L"/AUTO=\"" + dest + L"\" /PORTABLE /SILENT", "", {{L"x.txt", "x"}});
  Setup->Start(true);
  ASSERT_FALSE(Setup->HasErrors()) << Setup->Errors.Text();
  auto ini = ReadUninstallIni(dest + L"Uninstall.dat");
  EXPECT_EQ(ini->ReadInteger(L"Uninstall", L"Count", 0), 2);
  EXPECT_EQ(ini->ReadString(L"Uninstall", L"0") + L"|" + ini->ReadString(L"Uninstall", L"1"), L"Uninstall.dat|Uninstall.exe");
  EXPECT_FALSE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kEntry));

  // A target that escapes the destination is refused; one in a macro folder is written but not listed.
  std::wstring outside = Dir / L"Outside\\";
  Make(L"/AUTO=\"" + outside + L"\" /PORTABLE /SILENT",
       "<File name=\"$TEMP\\qolt-extract-test.txt\">x.txt</File><File name=\"$DEST\\..\\kept.txt\">x.txt</File>"
       "<File name=\"C:\\qolt-escape\\escaped.txt\">x.txt</File>",
       {{L"x.txt", "x"}});
  Setup->Start(true);
  ASSERT_EQ(Setup->Errors.Count(), 1);
  EXPECT_NE(Setup->Errors[0].find(L"outside the destination"), std::wstring::npos) << Setup->Errors[0];
  EXPECT_TRUE(zoFileExists(zoTempPath() + L"qolt-extract-test.txt"));
  EXPECT_TRUE(zoFileExists(outside + L"kept.txt"));  // ".." is cleaned away, not followed
  EXPECT_FALSE(zoFileExists(L"C:\\qolt-escape\\escaped.txt"));
  zoDeleteFile(zoTempPath() + L"qolt-extract-test.txt");
}

TEST_F(ProductTest, LockedIdenticalTargetIsSkipped) {
  std::wstring dest = Dir / L"Locked\\";
  zoForceDirectories(dest);
  WriteFileBytes(dest + L"same.txt", "same");
  HANDLE lock = CreateFileW((dest + L"same.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME before;
  GetFileTime(lock, nullptr, nullptr, &before);
  Make(L"/AUTO=\"" + dest + L"\" /PORTABLE /SILENT", "<File name=\"$DEST\\same.txt\"/>", {{L"same.txt", "same"}});
  Setup->Start(true);
  FILETIME after;
  GetFileTime(lock, nullptr, nullptr, &after);
  CloseHandle(lock);
  EXPECT_FALSE(Setup->HasErrors()) << Setup->Errors.Text();
  EXPECT_EQ(CompareFileTime(&before, &after), 0);
  EXPECT_EQ(ReadUninstallIni(dest + L"Uninstall.dat")->ReadString(L"Uninstall", L"0"), L"same.txt");
}

TEST_F(ProductTest, DefaultDestinationFindsAnInstallationElsewhere) {
  Make(L"/AUTO", "", {{L"x.txt", "x"}});
  TSetupProductInfo& info = Setup->ProductInfo();
  const std::wstring fallback = Setup->Resources().ProgramFilesPath + L"QOLT Test\\";
  EXPECT_EQ(info.DefaultDestination(), fallback);

  // A running player names its folder.
  std::wstring player = Dir / L"Running\\QOLT.exe";
  zoForceDirectoriesForFile(player);
  ASSERT_TRUE(zoCopyFile(zoSelfPath() + L"..\\..\\sample\\QOLT.exe", player, false));
  ASSERT_TRUE(TZORProcess::Execute(L"\"" + player + L"\"", pfShow));
  HWND window = nullptr;
  for (int i = 0; i < 100 && !window; ++i, Sleep(50)) window = FindWindowW(L"TQOLTMainForm", nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(info.DefaultDestination(), Dir / L"Running\\");

  // The uninstall entry of "QOLT" (or "QOLT3") comes first.
  std::wstring installed = Dir / L"Installed\\";
  zoForceDirectories(installed);
  TZORRegKey::OpenWrite(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QOLT3", true)
      .WriteString(L"InstallPath", installed);
  EXPECT_EQ(info.DefaultDestination(), installed);
  TSetupAppRepo::Unregister(L"QOLT3");
  PostMessageW(window, WM_CLOSE, 0, 0);
  for (int i = 0; i < 100 && FindWindowW(L"TQOLTMainForm", nullptr); ++i) Sleep(50);
}

TEST_F(ProductTest, UninstallListsStayInsideTheDestination) {
  std::wstring dest = Dir / L"Installed\\";
  for (const wchar_t* f : {L"QOLT.exe", L"Plugins\\a.qpl", L"Skins\\Deep\\b.qsk", L"!Backup\\z.zip", L"Profile\\QOLT.ini"}) {
    zoForceDirectoriesForFile(dest + f);
    WriteFileBytes(dest + f, "x");
  }
  WriteFileBytes(Dir / L"precious.txt", "keep");
  Make(L"/AUTO /SILENT", "",
       {{L"Uninstall.ini", "[Uninstall]\r\nCount=6\r\n0=QOLT.exe\r\n1=Plugins\\a.qpl\r\n2=qolt.EXE\r\n"
                           "3=..\\precious.txt\r\n4=C:\\Windows\\win.ini\r\n5=\r\n"}});
  ASSERT_EQ(Setup->Mode(), TSetupMode::smUninstall);
  Setup->SetDestPath(dest);
  std::vector<std::wstring> files = TSetupActionUninstallFiles::CreateFileList();
  EXPECT_EQ(files, (std::vector<std::wstring>{dest + L"QOLT.exe", dest + L"Plugins\\a.qpl"}));

  const struct {
    const wchar_t* Backups;
    const wchar_t* Content;
    std::vector<std::pair<std::wstring, bool>> Tail;
  } cases[] = {
      {nullptr, nullptr, {{dest + L"!Backup\\", true}}},  // with /AUTO backups go by default
      {L"0", L"1", {{dest + L"Profile\\", true}}},
      {L"1", L"1", {{dest + L"!Backup\\", true}, {dest, true}}},
  };
  for (const auto& c : cases) {
    Setup->Options.DeleteSection(L"Common");
    if (c.Backups) Setup->Options.WriteString(L"Common", L"RemoveBackups", c.Backups);
    if (c.Content) Setup->Options.WriteString(L"Common", L"RemoveContent", c.Content);
    auto folders = TSetupActionUninstallFiles::CreateDirsList();
    ASSERT_GE(folders.size(), 6u);
    // Deeper folders come before their parents, all only-if-empty.
    EXPECT_EQ(folders[0].Path.find(L"!Backup"), std::wstring::npos);
    size_t deep = 0, skins = 0;
    for (size_t i = 0; i < folders.size(); ++i) {
      if (folders[i].Path == dest + L"Skins\\Deep\\") deep = i;
      if (folders[i].Path == dest + L"Skins\\") skins = i;
    }
    EXPECT_LT(deep, skins);
    std::vector<std::pair<std::wstring, bool>> tail;
    for (size_t i = 5; i < folders.size(); ++i) tail.emplace_back(folders[i].Path, folders[i].Tree);
    EXPECT_EQ(tail, c.Tail);
  }
}

TEST(BackupArchive, ManyEntriesNeedZip64) {
  TTestDir dir;
  const std::wstring archive = dir / L"many.zip";
  {
    TSetupZipWriter zip(archive);
    for (int i = 0; i < 66000; ++i) zip.AddBytes(L"Profiles\\u\\f" + std::to_wstring(i) + L".txt", i % 1000 ? "" : "x");
    zip.AddFile(TestChildPath(), L"Program\\\u00e9t\u00e9.exe");
    zip.Close();
  }
  auto entries = TSetupZipWriter::ReadAll(archive);
  ASSERT_EQ(entries.size(), 66001u);
  EXPECT_EQ(entries[65999].first, L"Profiles/u/f65999.txt");
  EXPECT_EQ(entries.back().first, L"Program/\u00e9t\u00e9.exe");  // UTF-8 names, forward slashes
  EXPECT_TRUE(entries.back().second == ReadFileBytes(TestChildPath()));
  // A file that cannot be read is named at once, and no archive is left behind.
  {
    TSetupZipWriter zip(dir / L"broken.zip");
    EXPECT_THROW(zip.AddFile(dir / L"missing.txt", L"missing.txt"), Exception);
  }
  EXPECT_FALSE(zoFileExists(dir / L"broken.zip"));
}

TEST_F(ProductTest, RegistrationToolSwitches) {
  const struct {
    const wchar_t* Params;
    std::string Integration;
    TZOROSVersion Os;
    std::wstring Switches;
  } cases[] = {
      {L"/AUTO", "", {10, 0, 19041}, L" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2"},
      {L"", "", {10, 0, 19041}, L" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2 /REG_UI"},
      {L"", "", {6, 1, 7601}, L" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2"},
      {L"", "IntegrateToWindows=0\r\nRegisterContextMenu=0\r\n", {10, 0, 19041}, L" /REG=R2 /REG_UI"},
      {L"/AUTO", "IntegrateToWindows=0\r\nRegisterContextMenu=0\r\nAssociateWithFiles=0\r\n", {10, 0, 19041}, L""},
  };
  for (const auto& c : cases) {
    Make(c.Params, "", {{L"x.txt", "x"}});
    Setup->Options.WriteSectionText(L"Integration", std::wstring(c.Integration.begin(), c.Integration.end()));
    static TZOROSVersion os;
    os = c.Os;
    zoSetOSVersionSource([] { return os; });
    EXPECT_EQ(TSetupActionIntegrate::Switches(), c.Switches) << c.Params << " " << c.Os.Major;
    zoSetOSVersionSource(nullptr);
  }
}

TEST_F(ProductTest, UninstallWithContentAndBackupsTakesTheWholeFolder) {
  const struct {
    const wchar_t* Backups;
    bool FolderGone, BackupGone, ProfileGone;
  } cases[] = {{L"1", true, true, true}, {L"0", false, false, true}};
  for (const auto& c : cases) {
    std::wstring dest = Dir / (std::wstring(L"Installed") + c.Backups + L"\\");
    WriteTree(dest, {{L"QOLT.exe", "x"}, {L"!Backup\\z.zip", "PK"}, {L"Profile\\QOLT.ini", "mine"}, {L"Extra\\notes.txt", "n"}});
    Make(L"/AUTO /SILENT", "", {{L"Uninstall.ini", "[Uninstall]\r\nCount=1\r\n0=QOLT.exe\r\n"}});
    Setup->SetDestPath(dest);
    Setup->Options.WriteString(L"Common", L"RemoveContent", L"1");
    Setup->Options.WriteString(L"Common", L"RemoveBackups", c.Backups);
    TSetupActionUninstallFiles().Execute();
    EXPECT_EQ(!zoDirectoryExists(dest), c.FolderGone) << c.Backups;
    EXPECT_EQ(!zoDirectoryExists(dest + L"!Backup"), c.BackupGone) << c.Backups;
    EXPECT_EQ(!zoDirectoryExists(dest + L"Profile"), c.ProfileGone) << c.Backups;
    EXPECT_FALSE(zoFileExists(dest + L"QOLT.exe"));
  }
}

TEST_F(ProductTest, ReadyPageSummary) {
  Make(L"/AUTO", "", {{L"x.txt", "x"}});
  Setup->Resources().Lang.LoadFromString(
      L"[PageSetup]\r\nLB1=Destination folder\r\nTitle=Installation\r\nCB2=Per-user installation\r\nCB4=Back up the old copy\r\n"
      L"[PageIntegration]\r\nLB1=Shortcuts\r\nLB2=Windows integration\r\nCB1=On the desktop\r\nCB2=In the Start menu\r\n"
      L"CB3=File associations\r\nCB4=Register with Windows\r\nCB5=Context menu\r\n");
  Setup->Options.WriteString(L"Integration", L"RegisterContextMenu", L"0");
  TSetupSummaryBuilder builder;
  TSetupActionPrepare().BuildSummary(builder);
  TSetupActionIntegrate().BuildSummary(builder);
  TSetupActionShortcuts().BuildSummary(builder);
  TSetupActionConfig().BuildSummary(builder);
  EXPECT_EQ(builder.ToString(), L"Destination folder:\r\n * " + Setup->DestPath() +
                                    L"\r\n\r\nInstallation:\r\n * Per-user installation\r\n * Back up the old copy\r\n"
                                    L"\r\nWindows integration:\r\n * Register with Windows\r\n * File associations\r\n"
                                    L"\r\nShortcuts:\r\n * On the desktop\r\n * In the Start menu\r\n");
}

TEST_F(ProductTest, AddonsInstallerGetsTheChosenSwitches) {
  std::string installer = ReadFileBytes(zoSelfPath() + L"..\\..\\sample\\QOLTAddons.exe");
  ASSERT_FALSE(installer.empty());
  Make(L"/AUTO", "", {{L"QOLTAddons.exe", installer}, {L"addons.ini", ReadFileBytes(zoSelfPath() + L"..\\..\\..\\..\\sample\\data\\addons.ini")}});
  const std::wstring log = zoTempPath() + L"AddonsInstaller.log";
  zoDeleteFile(log);
  TSetupActionAddonsInstall().Execute();  // nothing chosen: nothing started
  Sleep(500);
  EXPECT_FALSE(zoFileExists(log));
  Setup->Options.WriteBool(L"Common", L"AddonsViewer", true);
  Setup->Options.WriteBool(L"Common", L"AddonsShortcuts", true);
  TSetupActionAddonsInstall().Execute();
  for (int i = 0; i < 100 && !zoFileExists(log); ++i) Sleep(50);
  Sleep(200);
  std::string bytes = ReadFileBytes(log);
  std::wstring line(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  EXPECT_NE(line.find(L"/SILENT /NOEXT  /VIEWER  /SHORTCUTS"), std::wstring::npos) << line;
  zoDeleteFile(log);
  zoDeleteFile(zoTempPath() + L"QOLTAddons.exe");
}
