#include <gtest/gtest.h>

#include "setup/core/SystemHelpers.h"
#include "setup/core/package/Package.h"
#include "tests/e2e/E2E.h"
#include "zor/base/INI.h"
#include "zor/utils/Registry.h"
#include "zor/utils/Shell.h"

namespace {
const std::wstring kEntry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QOLT";


// The sample's files a silent English install puts in place (the other families' language packs stay out).
std::vector<std::wstring> ExpectedFiles() {
  std::vector<std::wstring> files;
  std::wstring root = SampleProduct();
  zoEnumFilesEx(root, L"", L"*", fkFile, [&](const TZORFindFileInfo& e) {
    std::wstring rel = e.FullName().substr(root.size());
    if (!zoStartsText(L"Langs\\RU\\", rel) && !zoStartsText(L"Langs\\DE\\", rel)) files.push_back(rel);
  }, true);
  return files;
}

std::unique_ptr<TZORIniFile> UninstallIni(const std::wstring& folder) {
  TZORFileStream file(folder + L"Uninstall.dat", fmOpenRead | fmShareDenyNone);
  TSetupPackageReader reader(file);
  std::unique_ptr<TMemoryStream> stream;
  EXPECT_TRUE(reader.Extract(L"Uninstall.ini", stream));
  auto ini = std::make_unique<TZORIniFile>();
  if (stream) ini->LoadFromStream(*stream);
  return ini;
}

// Every file's bytes, the uninstaller and its data.
void CheckInstalled(const std::wstring& folder) {
  std::vector<std::wstring> files = ExpectedFiles();
  ASSERT_GT(files.size(), 20u);
  for (const auto& rel : files) EXPECT_TRUE(ReadFileBytes(folder + rel) == ReadFileBytes(SampleProduct() + rel)) << rel;
  EXPECT_FALSE(zoDirectoryExists(folder + L"Langs\\RU"));
  EXPECT_TRUE(ReadFileBytes(folder + L"Uninstall.exe") == ReadFileBytes(SampleSetup()));
  auto ini = UninstallIni(folder);
  int32_t count = ini->ReadInteger(L"Uninstall", L"Count", 0);
  EXPECT_EQ(count, static_cast<int32_t>(files.size()) + 2);
  EXPECT_EQ(ini->ReadString(L"Uninstall", zoIntToStr(count - 2)), L"Uninstall.dat");
  EXPECT_EQ(ini->ReadString(L"Uninstall", zoIntToStr(count - 1)), L"Uninstall.exe");
  for (int32_t i = 0; i < count; ++i) EXPECT_TRUE(zoFileExists(folder + ini->ReadString(L"Uninstall", zoIntToStr(i)))) << i;
}

void CheckEntry(const std::wstring& folder) {
  TZORRegKey key = TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kEntry, TZORRegView::rv64);
  ASSERT_TRUE(key);
  uint32_t one = 0;
  EXPECT_TRUE(key.ReadInteger(L"NoModify", one) && one == 1);
  EXPECT_TRUE(key.ReadInteger(L"NoRepair", one) && one == 1);
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::pair<const wchar_t*, std::wstring> values[] = {
      {L"DisplayIcon", folder + L"Uninstall.exe"}, {L"DisplayName", L"QOLT"},
      {L"DisplayVersion", L"5.50"},               {L"InstallDate", zoFormat(L"%.4d%.2d%.2d", now.wYear, now.wMonth, now.wDay)},
      {L"InstallPath", folder},                   {L"Publisher", L"QOLT Team"},
      {L"UninstallString", folder + L"Uninstall.exe"}, {L"URLInfoAbout", L"https://qolt.example/"},
  };
  for (const auto& [name, value] : values) EXPECT_EQ(key.ReadString(name), value) << name;
}
}  // namespace

std::wstring Utf16File(const std::wstring& path) {
  std::string bytes = ReadFileBytes(path);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

// The whole life of a default install: files, entry, configuration, shortcuts,
// registration, then the uninstaller taking it all away again.
TEST(SilentInstall, IntoTheDefaultFolderAndOutAgain) {
  const std::wstring folder = zoGetSpecialFolderPath(CSIDL_PROGRAM_FILES_) + L"QOLT\\";
  const std::wstring desktopLink = zoGetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY_) + L"QOLT.lnk";
  const std::wstring menu = zoGetSpecialFolderPath(CSIDL_COMMON_PROGRAMS_) + L"QOLT\\";
  RemoveInstallation(folder);
  TSetupRun run = RunSetup(SampleSetup(), L"/AUTO /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
  EXPECT_FALSE(run.SawWindow);
  CheckInstalled(folder);
  CheckEntry(folder);

  for (const std::wstring& link : {desktopLink, menu + L"QOLT.lnk"}) {
    std::wstring target;
    EXPECT_TRUE(zoGetShortcutTarget(link, target)) << link;
    EXPECT_TRUE(zoSameText(target, folder + L"QOLT.exe")) << target;
  }
  EXPECT_FALSE(zoFileExists(menu + L"Read me.lnk"));  // Windows 10: shortcuts to programs only
  EXPECT_EQ(Utf16File(folder + L"Elevator.log"), L" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2\r\n");
  TZORIniFile ini(folder + L"QOLT.ini");
  TZORStringList keys;
  ini.ReadSection(L"System", keys);
  EXPECT_EQ(keys.GetDelimitedText(L",", false), L"ID,DefaultLang,UserMode,Version");
  EXPECT_EQ(ini.ReadString(L"System", L"ID").size(), 38u);
  EXPECT_EQ(ini.ReadString(L"System", L"DefaultLang"), L"English.lng");
  EXPECT_EQ(ini.ReadInteger(L"System", L"UserMode", -1), 1);
  EXPECT_EQ(ini.ReadInteger(L"System", L"Version", 0), 5500);
  EXPECT_TRUE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, L"Software\\QOLT\\Registration"));

  run = RunSetup(folder + L"Uninstall.exe", L"/AUTO /SILENT");
  EXPECT_TRUE(run.Ended);
  for (int i = 0; i < 300 && zoFileExists(folder + L"Uninstall.exe"); ++i) Sleep(100);
  for (int i = 0; i < 100 && TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kEntry); ++i) Sleep(100);
  Sleep(500);
  EXPECT_FALSE(zoFileExists(folder + L"QOLT.exe"));
  EXPECT_FALSE(zoFileExists(desktopLink));
  EXPECT_FALSE(zoDirectoryExists(menu));
  EXPECT_FALSE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kEntry));
  EXPECT_FALSE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, L"Software\\QOLT\\Registration"));
  RemoveInstallation(folder);
}

TEST(SilentInstall, IntoAGivenFolderAndPortable) {
  TTestDir dir;
  const std::wstring folder = dir / L"My Player\\";
  TSetupRun run = RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
  CheckInstalled(folder);
  CheckEntry(folder);
  RemoveInstallation(folder);

  const std::wstring portable = dir / L"Portable QOLT\\";
  run = RunSetup(SampleSetup(), L"/AUTO=\"" + portable + L"\" /PORTABLE /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
  CheckInstalled(portable);
  EXPECT_FALSE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kEntry));
}

TEST(SilentInstall, LockedFiles) {
  TTestDir dir;
  const std::wstring folder = dir / L"QOLT\\";
  // A locked identical file is skipped silently.
  ASSERT_TRUE(RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /PORTABLE /SILENT").Ended);
  HANDLE same = CreateFileW((folder + L"Readme.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  TSetupRun run = RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /PORTABLE /SILENT");
  CloseHandle(same);
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
  EXPECT_TRUE(run.Question.empty());

  // A file locked against everybody cannot be backed up: the run stops before anything is deleted.
  WriteFileBytes(folder + L"Readme.txt", "an older read-me");
  HANDLE other = CreateFileW((folder + L"Readme.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  run = RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /PORTABLE /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_EQ(run.BoxText.find(L"EInstallerInstallError: An error occurs while backuping the \"" + folder + L"Readme.txt\" file (16)"),
            0u)
      << run.BoxText;
  EXPECT_TRUE(zoFileExists(folder + L"QOLT.exe"));

  // Without a backup the extract action asks; abort ends the run with the path and the cause.
  run = RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /PORTABLE /NOBACKUP /SILENT");
  CloseHandle(other);
  EXPECT_TRUE(run.Ended);
  EXPECT_NE(run.Question.find(folder + L"Readme.txt"), std::wstring::npos) << run.Question;
  ASSERT_TRUE(run.Box);
  EXPECT_NE(run.BoxText.find(folder + L"Readme.txt\r\nThe installation was stopped at the file " + folder + L"Readme.txt."),
            std::wstring::npos)
      << run.BoxText;
  EXPECT_EQ(ReadFileBytes(folder + L"Readme.txt"), "an older read-me");
}

TEST(Uninstaller, RelaunchesFromTheTemporaryFolder) {
  TTestDir dir;
  const std::wstring folder = dir / L"QOLT\\";
  ASSERT_TRUE(RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /PORTABLE /SILENT").Ended);
  const std::wstring temp = zoTempPath();
  zoDeleteFile(temp + L"Uninstall.exe");
  zoDeleteFile(temp + L"Uninstall.dat");
  // From the installed folder: copies itself and its data file, starts the copy and ends.
  TSetupRun run = RunSetup(folder + L"Uninstall.exe", L"/AUTO /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
  EXPECT_TRUE(ReadFileBytes(temp + L"Uninstall.exe") == ReadFileBytes(folder + L"Uninstall.exe"));
  EXPECT_TRUE(ReadFileBytes(temp + L"Uninstall.dat") == ReadFileBytes(folder + L"Uninstall.dat"));
  // From the temporary folder with a folder that does not exist: refused.
  run = RunSetup(temp + L"Uninstall.exe", L"/PATH=\"" + dir.Path + L"gone\\\" /AUTO /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_EQ(run.BoxText.rfind(L"EInstallerMysteryError: Cannot start the Uninstaller", 0), 0u) << run.BoxText;
}

TEST(Uninstaller, RemovesFilesEntryAndBackups) {
  TTestDir dir;
  const std::wstring folder = dir / L"QOLT\\";
  ASSERT_TRUE(RunSetup(SampleSetup(), L"/AUTO=\"" + folder + L"\" /SILENT").Ended);
  ASSERT_TRUE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kEntry));
  WriteTree(folder + L"!Backup\\", {{L"z Before install 5.40 [2026.01.01 10-00-00].zip", "PK"}});
  WriteFileBytes(folder + L"Skins\\mine.qsk", "the user's own skin");
  TSetupRun run = RunSetup(folder + L"Uninstall.exe", L"/AUTO /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
  // The copy in the temporary folder does the work; wait for it.
  for (int i = 0; i < 300 && zoFileExists(folder + L"Uninstall.exe"); ++i) Sleep(100);
  for (int i = 0; i < 100 && TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kEntry); ++i) Sleep(100);
  Sleep(500);
  for (const auto& rel : ExpectedFiles()) EXPECT_FALSE(zoFileExists(folder + rel)) << rel;
  EXPECT_FALSE(zoFileExists(folder + L"Uninstall.exe"));
  EXPECT_FALSE(zoFileExists(folder + L"Uninstall.dat"));
  EXPECT_FALSE(zoDirectoryExists(folder + L"!Backup"));
  EXPECT_FALSE(zoDirectoryExists(folder + L"Plugins"));
  EXPECT_EQ(ReadFileBytes(folder + L"Skins\\mine.qsk"), "the user's own skin");  // not ours: kept
  EXPECT_FALSE(TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, kEntry));
  std::string log = ReadFileBytes(folder + L"Elevator.log");
  std::wstring text(reinterpret_cast<const wchar_t*>(log.data()), log.size() / 2);
  EXPECT_NE(text.find(L"/REG=U"), std::wstring::npos) << std::string(log.begin(), log.end());
}
