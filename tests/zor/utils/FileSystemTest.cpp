#include "zor/utils/FileSystem.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/TestUtil.h"
#include "zor/utils/Common.h"

TEST(Paths, Arithmetic) {
  const struct {
    std::wstring (*Fn)(std::wstring_view);
    const wchar_t* In;
    const wchar_t* Out;
  } cases[] = {
      {zoIncludeTrailingPathDelimiter, L"", L""},
      {zoIncludeTrailingPathDelimiter, L"C:\\a", L"C:\\a\\"},
      {zoExcludeTrailingPathDelimiter, L"C:\\a\\", L"C:\\a"},
      {zoExtractFilePath, L"C:\\dir\\f.txt", L"C:\\dir\\"},
      {zoExtractFilePath, L"f.txt", L""},
      {zoExtractFilePath, L"C:f.txt", L"C:"},
      {zoExtractFileName, L"http://x/y/z.zip", L"z.zip"},
      {zoExtractFileDir, L"C:\\dir\\f", L"C:\\dir"},
      {zoExtractFileDir, L"C:\\f", L"C:\\"},
      {zoExtractFileDrive, L"C:\\x", L"C:"},
      {zoExtractFileDrive, L"\\\\srv\\share\\x", L"\\\\srv"},
      {zoExtractFileDrive, L"\\\\?\\D:\\x", L"D:"},
      {zoExtractFileDrive, L"rel\\x", L""},
      {zoLastPathComponent, L"C:\\a\\b\\", L"b"},
      {zoExtractFileExt, L"a.b\\c", L""},
      {zoExtractFileExt, L"my file.tar gz", L""},
      {zoExtractFileExt, L"x.", L"."},
      {zoExtractFileExt, L"C:\\QOLT\\QOLT.EXE", L".EXE"},
      {zoExtractFileExt, L"https://x.org/get.zip?v=1.2", L".zip"},
      {zoExtractFileNameWithoutExt, L"C:\\a\\Uninstall.exe", L"Uninstall"},
      {zoValidatePath, L"C:\\x\\\\y?\\", L"C:\\x\\y\\"},
      {zoValidatePath, L"C:\\Program Files\\<QOLT>\\", L"C:\\Program Files\\QOLT\\"},
      {zoValidatePath, L"\\\\srv\\share\\a:b", L"\\\\srv\\share\\ab"},
      {zoValidatePath, L"C:\\", L"C:\\"},
      {zoValidatePath, L"..\\..\\x", L".\\.\\x"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Fn(c.In), c.Out) << c.In;
  EXPECT_EQ(zoChangeFileExt(L"Uninstall.exe", L".dat"), L"Uninstall.dat");
  EXPECT_EQ(zoChangeFileExt(L"noext", L".bak"), L"noext.bak");
  EXPECT_EQ(zoChangeFileExt(L"https://x.org/a.zip?q=1", L".7z"), L"https://x.org/a.7z?q=1");
  EXPECT_EQ(zoValidateFileName(L"  a<b>.  ", 0), L"ab");
  EXPECT_EQ(zoValidateFileName(L"\"q\"|x", L'_'), L"'q'_x");
  EXPECT_EQ(zoValidateFileName(L"..", 0), L".");
  EXPECT_EQ(zoValidateFileName(L"", L'_'), L"");
  EXPECT_EQ(zoValidateFileName(std::wstring(300, L'n'), 0).size(), 260u);
  EXPECT_EQ(zoExpandFileName(L"C:\\a\\.\\b\\..\\c.txt"), L"C:\\a\\c.txt");
  EXPECT_EQ(zoExpandFileName(L"C:\\plain\\x"), L"C:\\plain\\x");
  EXPECT_TRUE(zoIsURL(L"http://x"));
  EXPECT_TRUE(zoIsURL(L"file:\\\\x"));
  EXPECT_FALSE(zoIsURL(L"C:\\x"));
  EXPECT_FALSE(zoIsURL(L"a:/\\b"));
  EXPECT_TRUE(zoFileExtInList(L"*.exe;*.lnk;", L".LNK"));
  EXPECT_FALSE(zoFileExtInList(L"*.exe", L".exe"));
  EXPECT_FALSE(zoFileExtInList(L"*.exe;", L""));
  EXPECT_TRUE(zoIsPathInside(L"C:\\QOLT\\a.txt", L"C:\\qolt\\"));
  EXPECT_FALSE(zoIsPathInside(L"C:\\QOLT2\\a.txt", L"C:\\QOLT"));
}

TEST(Files, OperationsAndLongPaths) {
  TTestDir dir;
  std::wstring deep = dir.Path + std::wstring(120, L'a') + L"\\" + std::wstring(120, L'b') + L"\\c\\";
  ASSERT_GT(deep.size(), 260u);
  EXPECT_TRUE(zoForceDirectories(deep));
  EXPECT_TRUE(zoDirectoryExists(deep));
  EXPECT_FALSE(zoForceDirectories(L""));
  std::wstring file = deep + L"f.txt";
  {
    TZORFileStream s(file, fmCreate);
    s.WriteBuffer("12345", 5);
  }
  EXPECT_TRUE(zoFileExists(file));
  EXPECT_FALSE(zoDirectoryExists(file));
  EXPECT_EQ(zoGetFileSize(file), 5);
  std::wstring found;
  int64_t size = 0;
  ASSERT_TRUE(zoGetFileInfo(deep + L"F.TXT", found, size));
  EXPECT_EQ(found, file);  // the name as stored on disk
  EXPECT_TRUE(zoCopyFile(file, deep + L"g.txt", true));
  EXPECT_FALSE(zoCopyFile(file, deep + L"g.txt", true));
  EXPECT_FALSE(zoMoveFile(file, deep + L"g.txt"));
  EXPECT_TRUE(zoSetFileAttributes(file, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(zoDeleteFile(file));
  EXPECT_FALSE(zoDeleteDirectory(dir.Path + std::wstring(120, L'a'), true));  // the read-only file stops it
  EXPECT_TRUE(zoFileExists(file));
  EXPECT_TRUE(zoSetFileAttributes(file, 0));
  EXPECT_TRUE(zoDeleteDirectory(dir.Path + std::wstring(120, L'a'), true));
  EXPECT_FALSE(zoDirectoryExists(deep));
  EXPECT_FALSE(zoFileExists(L""));
  std::wstring temp = zoTempFileName(L"qlt");
  EXPECT_TRUE(zoFileExists(temp));
  EXPECT_EQ(zoGetFileSize(temp), 0);
  zoDeleteFile(temp);
  EXPECT_TRUE(zoIsPathInside(zoSelfFileName(), zoSelfPath()));
}

namespace {
void Touch(const std::wstring& path) {
  zoForceDirectoriesForFile(path);
  WriteFileBytes(path, "x");
}

std::wstring Relative(const std::wstring& full, const std::wstring& root) { return full.substr(root.size()); }
}  // namespace

TEST(Listings, FilterAndOrder) {
  TTestDir dir;
  std::wstring a = dir / L"A\\";
  Touch(a + L"f1.txt");
  Touch(a + L"skip.dat");
  Touch(a + L"B\\f2.txt");
  Touch(a + L"skin10\\s.txt");
  Touch(a + L"Skin9\\s.txt");
  Touch(a + L"sys.txt");
  SetFileAttributesW((a + L"sys.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);

  std::vector<std::wstring> enumerated;
  zoEnumFilesEx(a, L"*.txt;", L"*", fkFile, [&](const TZORFindFileInfo& e) { enumerated.push_back(Relative(e.FullName(), a)); },
                true);
  std::vector<std::wstring> expectedTail = {L"f1.txt"};
  ASSERT_EQ(enumerated.size(), 4u);
  EXPECT_EQ(enumerated.back(), L"f1.txt");  // deeper files before their parents'

  TZORStringList found;
  TZORSearch search(found);
  search.SetPath(a);
  search.Extensions = L"*.txt;";
  search.Start(true);
  ASSERT_EQ(found.Count(), 4);
  EXPECT_EQ(Relative(found[0], a), L"f1.txt");  // a folder's files before its sub-folders
  EXPECT_EQ(Relative(found[1], a), L"B\\f2.txt");
  EXPECT_EQ(Relative(found[2], a), L"Skin9\\s.txt");  // natural order
  EXPECT_EQ(Relative(found[3], a), L"skin10\\s.txt");
  EXPECT_FALSE(search.Active());

  TZORStringList limited;
  TZORSearch refusing(limited);
  refusing.SetPath(a);
  refusing.OnCanEnterFolder = [&](TZORSearch&, const std::wstring& folder, bool& allow) {
    allow = folder.find(L"skin") == std::wstring::npos && folder.find(L"Skin") == std::wstring::npos;
  };
  refusing.Start(true);
  EXPECT_EQ(limited.Count(), 3);  // f1.txt, skip.dat, B\f2.txt

  struct TStopper : IZORStringReceiver {
    int Seen = 0;
    void AddString(const std::wstring&) override {
      if (++Seen == 2) throw EAbort(L"enough");
    }
  } stopper;
  TZORSearch aborted(stopper);
  aborted.SetPath(a);
  EXPECT_NO_THROW(aborted.Start(true));
  EXPECT_EQ(stopper.Seen, 2);
  EXPECT_FALSE(aborted.Active());

  TZORStringList flat;
  zoEnumFiles(a, L"", flat);
  EXPECT_EQ(flat.Count(), 2);  // f1.txt and skip.dat; not the system file

  std::unique_ptr<TZORFindFileInfo> info;
  EXPECT_FALSE(zoFindFirst(dir / L"missing\\", L"", L"", fkAny, info));
  EXPECT_EQ(info, nullptr);
}

TEST(Listings, SystemFileKeepsFolder) {
  TTestDir dir;
  std::wstring only = dir / L"only\\";
  Touch(only + L"desktop.ini");
  SetFileAttributesW((only + L"desktop.ini").c_str(), FILE_ATTRIBUTE_SYSTEM);
  std::unique_ptr<TZORFindFileInfo> info;
  EXPECT_FALSE(zoFindFirst(only, L"", L"*", fkAny, info));
  EXPECT_FALSE(zoDeleteDirectory(only, true));
  EXPECT_TRUE(zoDirectoryExists(only));
  SetFileAttributesW((only + L"desktop.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Folders, CopyTrees) {
  TTestDir dir;
  Touch(dir / L"src\\a.exe");
  Touch(dir / L"src\\b.txt");
  Touch(dir / L"src\\sub\\c.exe");
  EXPECT_TRUE(zoCopyDirectoryInto(dir / L"src", dir / L"out", L"*.exe;", true));
  EXPECT_TRUE(zoFileExists(dir / L"out\\src\\a.exe"));
  EXPECT_FALSE(zoFileExists(dir / L"out\\src\\b.txt"));
  EXPECT_TRUE(zoFileExists(dir / L"out\\src\\sub\\c.exe"));
  EXPECT_TRUE(zoCopyDirectory(dir / L"src", dir / L"flat", L"", false));
  EXPECT_FALSE(zoDirectoryExists(dir / L"flat\\sub"));
  zoForceDirectories(dir / L"empty");
  EXPECT_TRUE(zoCopyDirectory(dir / L"empty", dir / L"never", L"", true));
  EXPECT_FALSE(zoDirectoryExists(dir / L"never"));
  EXPECT_FALSE(zoCopyDirectory(dir / L"missing", dir / L"x", L"", true));
}

// Folder links: the fixture step makes C:\qolt-links\tree\link point at C:\qolt-links\outside.
TEST(Folders, LinksAreNeverFollowed) {
  const std::wstring root = L"C:\\qolt-links\\";
  if (!zoDirectoryExists(root + L"tree\\link")) GTEST_SKIP() << "link fixture missing";
  uint32_t attributes = 0;
  ASSERT_TRUE(zoGetFileAttributes(root + L"tree\\link", attributes));
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);

  TZORStringList found;
  TZORSearch search(found);
  search.SetPath(root + L"tree");
  search.Start(true);
  EXPECT_EQ(found.Count(), 1) << found.Text();  // tree\own.txt only

  int enumerated = 0;
  zoEnumFilesEx(root + L"tree", L"", L"*", fkFile, [&](const TZORFindFileInfo&) { ++enumerated; }, true);
  EXPECT_EQ(enumerated, 1);

  EXPECT_TRUE(zoCopyDirectory(root + L"tree", root + L"copy", L"", true));
  EXPECT_FALSE(zoFileExists(root + L"copy\\link\\precious.txt"));

  // Windows removes the link itself; Wine cannot remove a Linux link to a folder
  // through any Win32 call, so there the deletion stops at it.
  EXPECT_EQ(zoDeleteDirectory(root + L"tree", true), !zoIsWine());
  EXPECT_EQ(zoDirectoryExists(root + L"tree"), zoIsWine());
  EXPECT_TRUE(zoFileExists(root + L"outside\\precious.txt"));
}
