#pragma once
// Paths and files: path arithmetic, file and folder operations past the
// 260-character limit, filtered listings and a recursive search. Operations
// report failure by their result and leave the system's last error set; only
// the temporary-folder functions (and the file streams) raise.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "zor/base/StringList.h"
#include "zor/base/Streams.h"

// --- path names ----------------------------------------------------------------------
std::wstring zoIncludeTrailingPathDelimiter(std::wstring_view path);
std::wstring zoExcludeTrailingPathDelimiter(std::wstring_view path);
std::wstring zoExtractFilePath(std::wstring_view path);
std::wstring zoExtractFileName(std::wstring_view path);
std::wstring zoExtractFileDir(std::wstring_view path);
std::wstring zoExtractFileDrive(std::wstring_view path);
std::wstring zoLastPathComponent(std::wstring_view path);
std::wstring zoExtractFileExt(std::wstring_view path);
std::wstring zoChangeFileExt(std::wstring_view path, std::wstring_view extension);
std::wstring zoExtractFileNameWithoutExt(std::wstring_view path);
bool zoIsURL(std::wstring_view text);
std::wstring zoExpandFileName(std::wstring_view path);
// The system's full path name ("." and ".." resolved); the path itself when that fails.
std::wstring zoFullPathName(const std::wstring& path);
// One path component made safe: quotes become single quotes, \ < > * : ? | /
// become the replacement (dropped when it is 0), control characters go,
// leading spaces and trailing spaces and dots are trimmed, at most 260 characters.
std::wstring zoValidateFileName(std::wstring_view name, wchar_t replacement);
std::wstring zoValidatePath(std::wstring_view path);
// Entries "*.ext;" matched case-insensitively.
bool zoFileExtInList(std::wstring_view list, std::wstring_view extension);
// True when path equals folder or lies below it (both full paths, case-insensitive).
bool zoIsPathInside(std::wstring_view path, std::wstring_view folder);

// --- process-wide places ---------------------------------------------------------------
std::wstring zoTempPath();
std::wstring zoTempFileName(std::wstring_view prefix);
std::wstring zoSelfFileName();
std::wstring zoSelfPath();
std::wstring zoGetCurrentDir();
bool zoSetCurrentDir(const std::wstring& path);

// --- files and folders --------------------------------------------------------------------
bool zoGetFileAttributes(const std::wstring& path, uint32_t& attributes);
bool zoFileExists(const std::wstring& path);
bool zoDirectoryExists(const std::wstring& path);
bool zoSetFileAttributes(const std::wstring& path, uint32_t attributes);
int64_t zoGetFileSize(const std::wstring& path);
bool zoGetFileInfo(const std::wstring& path, std::wstring& fullName, int64_t& size);
bool zoCopyFile(const std::wstring& source, const std::wstring& target, bool failIfExists);
bool zoDeleteFile(const std::wstring& path);
bool zoMoveFile(const std::wstring& source, const std::wstring& target);
bool zoRemoveDirectory(const std::wstring& path);
bool zoForceDirectories(const std::wstring& path);
bool zoForceDirectoriesForFile(const std::wstring& fileName);
// Deletes the folder's files (and, recursively, its folders), then the folder.
// A link to a folder is removed itself; what it points at is never touched.
bool zoDeleteDirectory(const std::wstring& path, bool recursive);
// Copies files matching the extension list; links to folders are not followed.
bool zoCopyDirectory(const std::wstring& source, const std::wstring& target, std::wstring_view extensions,
                     bool recursive);
bool zoCopyDirectoryInto(const std::wstring& source, const std::wstring& targetParent, std::wstring_view extensions,
                         bool recursive);

// --- listings -------------------------------------------------------------------------------
enum TZORFileKind : uint8_t { fkFile = 1, fkFolder = 2, fkAny = 3 };

struct TZORFindData {
  uint32_t Attributes = 0;
  uint64_t CreationTime = 0, AccessTime = 0, WriteTime = 0;  // FILETIME values
  uint32_t SizeHigh = 0, SizeLow = 0;
  std::wstring Name;
};

class TZORFindFileInfo {
public:
  ~TZORFindFileInfo();
  std::wstring FileName;
  TZORFileKind Kind = fkFile;
  std::wstring FilePath;  // the listed folder, with trailing "\"
  TZORFindData FindData;
  std::wstring FullName() const { return FilePath + FileName; }
  int64_t Size() const { return static_cast<int64_t>(uint64_t(FindData.SizeHigh) << 32 | FindData.SizeLow); }
  // A junction or a symbolic link.
  bool IsReparsePoint() const;

private:
  friend bool zoFindFirst(const std::wstring&, std::wstring_view, std::wstring_view, uint8_t,
                          std::unique_ptr<TZORFindFileInfo>&);
  friend bool zoFindNext(std::unique_ptr<TZORFindFileInfo>&);
  void* FHandle = nullptr;
  std::wstring FExtensions;
  uint8_t FKinds = fkAny;
};

// Lists folder (ending with "\"): "." and "..", and entries with the system
// attribute, are never reported; files must match the extension list.
bool zoFindFirst(const std::wstring& folder, std::wstring_view extensions, std::wstring_view pattern, uint8_t kinds,
                 std::unique_ptr<TZORFindFileInfo>& info);
// At the end the listing is freed and info cleared.
bool zoFindNext(std::unique_ptr<TZORFindFileInfo>& info);
void zoFindClose(std::unique_ptr<TZORFindFileInfo>& info);

using TZOREnumCallback = std::function<void(const TZORFindFileInfo&)>;
// Recursive: every sub-folder's tree first, then the folder's own entries.
// Links to folders are reported but never entered.
void zoEnumFilesEx(const std::wstring& folder, std::wstring_view extensions, std::wstring_view pattern, uint8_t kinds,
                   const TZOREnumCallback& callback, bool recursive);
void zoEnumFiles(const std::wstring& folder, std::wstring_view extensions, IZORStringReceiver& receiver);

// Recursive search: a folder's files (to the receiver at once) before its
// sub-folders, which are visited in natural order. Links to folders are not entered.
class TZORSearch {
public:
  using TCanEnterFolder = std::function<void(TZORSearch&, const std::wstring&, bool&)>;
  explicit TZORSearch(IZORStringReceiver& receiver) : FReceiver(receiver) {}
  std::wstring Extensions;
  TCanEnterFolder OnCanEnterFolder;
  const std::wstring& Path() const { return FPath; }
  void SetPath(std::wstring_view path) { FPath = zoIncludeTrailingPathDelimiter(path); }
  bool Active() const { return FActive; }
  bool Recursive() const { return FRecursive; }
  // Runs synchronously; an EAbort from inside ends it quietly.
  void Start(bool recursive);
  void Stop() { FActive = false; }

private:
  void SearchFolder(const std::wstring& folder);
  IZORStringReceiver& FReceiver;
  std::wstring FPath;
  bool FRecursive = false;
  bool FActive = false;
};
