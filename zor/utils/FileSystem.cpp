#include "zor/utils/FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "zor/base/Exceptions.h"
#include "zor/utils/Handles.h"

namespace {

uint64_t FileTimeValue(const FILETIME& t) { return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime; }

// Where the extension search ends: before a URL's query.
size_t ExtensionEnd(std::wstring_view path) {
  if (zoIsURL(path)) {
    size_t q = path.rfind(L'?');
    if (q != std::wstring_view::npos) return q;
  }
  return path.size();
}

// Position of the extension's dot, or npos.
size_t ExtensionDot(std::wstring_view path, size_t end) {
  size_t p = path.substr(0, end).find_last_of(L" .\\/:");
  return p != std::wstring_view::npos && path[p] == L'.' ? p : std::wstring_view::npos;
}
}  // namespace

// --- path names ---------------------------------------------------------------------------

std::wstring zoIncludeTrailingPathDelimiter(std::wstring_view path) {
  std::wstring s(path);
  if (!s.empty() && s.back() != L'\\') s += L'\\';
  return s;
}

std::wstring zoExcludeTrailingPathDelimiter(std::wstring_view path) {
  std::wstring s(path);
  if (!s.empty() && s.back() == L'\\') s.pop_back();
  return s;
}

std::wstring zoExtractFilePath(std::wstring_view path) {
  size_t p = path.find_last_of(L":\\/");
  return p == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, p + 1));
}

std::wstring zoExtractFileName(std::wstring_view path) {
  size_t p = path.find_last_of(L":\\/");
  return std::wstring(p == std::wstring_view::npos ? path : path.substr(p + 1));
}

std::wstring zoExtractFileDir(std::wstring_view path) {
  std::wstring dir = zoExtractFilePath(path);
  if (dir.size() > 1 && dir.back() == L'\\' && dir[dir.size() - 2] != L':' && dir[dir.size() - 2] != L'\\') dir.pop_back();
  return dir;
}

std::wstring zoExtractFileDrive(std::wstring_view path) {
  if (path.substr(0, 4) == L"\\\\?\\") return zoExtractFileDrive(path.substr(4));
  if (path.size() >= 2 && path[1] == L':') return std::wstring(path.substr(0, 2));
  if (path.substr(0, 2) == L"\\\\") {
    size_t p = path.find(L'\\', 2);
    return std::wstring(p == std::wstring_view::npos ? path : path.substr(0, p));
  }
  return {};
}

std::wstring zoLastPathComponent(std::wstring_view path) {
  size_t b = 0, e = path.size();
  while (b < e && (path[b] == L'\\' || path[b] == L'/')) ++b;
  while (e > b && (path[e - 1] == L'\\' || path[e - 1] == L'/')) --e;
  std::wstring_view s = path.substr(b, e - b);
  size_t p = s.find_last_of(L"\\/");
  return std::wstring(p == std::wstring_view::npos ? s : s.substr(p + 1));
}

std::wstring zoExtractFileExt(std::wstring_view path) {
  size_t end = ExtensionEnd(path);
  size_t dot = ExtensionDot(path, end);
  return dot == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(dot, end - dot));
}

std::wstring zoChangeFileExt(std::wstring_view path, std::wstring_view extension) {
  size_t end = ExtensionEnd(path);
  size_t dot = ExtensionDot(path, end);
  size_t cut = dot == std::wstring_view::npos ? end : dot;
  return std::wstring(path.substr(0, cut)) + std::wstring(extension) + std::wstring(path.substr(end));
}

std::wstring zoExtractFileNameWithoutExt(std::wstring_view path) { return zoChangeFileExt(zoExtractFileName(path), L""); }

bool zoIsURL(std::wstring_view text) {
  size_t colon = text.find(L':');
  if (colon == std::wstring_view::npos || colon + 2 >= text.size()) return false;
  wchar_t a = text[colon + 1], b = text[colon + 2];
  return a == b && (a == L'/' || a == L'\\');
}

std::wstring zoExpandFileName(std::wstring_view path) {
  std::wstring input(path), result(path);
  if (result.find(L".\\") != std::wstring::npos) {
    std::vector<wchar_t> buf(65535);
    DWORD n = GetFullPathNameW(input.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
    if (n > 0 && n < buf.size()) result.assign(buf.data(), n);
  }
  if (result.find(L'~') != std::wstring::npos) {
    std::vector<wchar_t> buf(65535);
    DWORD n = GetLongPathNameW(input.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    std::wstring found;
    int64_t size;
    if (n > 0 && n < buf.size()) result.assign(buf.data(), n);
    else if (zoFileExists(result) && zoGetFileInfo(result, found, size)) result = found;
  }
  return result;
}

std::wstring zoFullPathName(const std::wstring& path) {
  std::vector<wchar_t> buf(32768);
  DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
  return n > 0 && n < buf.size() ? std::wstring(buf.data(), n) : path;
}

std::wstring zoValidateFileName(std::wstring_view name, wchar_t replacement) {
  std::wstring out;
  out.reserve(name.size());
  for (wchar_t c : name) {
    if (c == L'"') out += L'\'';
    else if (std::wstring_view(L"\\<>*:?|/").find(c) != std::wstring_view::npos) {
      if (replacement) out += replacement;
    } else if (c >= 32) out += c;
  }
  size_t b = 0;
  while (b < out.size() && out[b] == L' ') ++b;
  out.erase(0, b);
  size_t e = out.size();
  while (e > 1 && (out[e - 1] == L' ' || out[e - 1] == L'.')) --e;
  out.resize(e);
  if (out.size() > 260) out.resize(260);
  return out;
}

std::wstring zoValidatePath(std::wstring_view path) {
  std::wstring drive = zoExtractFileDrive(path);
  std::wstring_view rest = path.substr(drive.size());
  std::wstring cleaned;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t p = rest.find(L'\\', start);
    if (p == std::wstring_view::npos) p = rest.size();
    std::wstring piece = zoValidateFileName(rest.substr(start, p - start), 0);
    if (!piece.empty()) {
      if (!cleaned.empty()) cleaned += L'\\';
      cleaned += piece;
    }
    start = p + 1;
  }
  if (!path.empty() && path.back() == L'\\' && !cleaned.empty()) cleaned += L'\\';
  return drive.empty() ? cleaned : drive + L"\\" + cleaned;
}

bool zoFileExtInList(std::wstring_view list, std::wstring_view extension) {
  if (list.size() < 3 || extension.empty()) return false;
  size_t start = 0;
  for (;;) {
    size_t end = list.find(L';', start);
    if (end == std::wstring_view::npos) return false;
    std::wstring_view entry = list.substr(start, end - start);
    if (!entry.empty() && entry[0] == L'*' && zoSameText(entry.substr(1), extension)) return true;
    start = end + 1;
  }
}

bool zoIsPathInside(std::wstring_view path, std::wstring_view folder) {
  std::wstring f = zoIncludeTrailingPathDelimiter(folder);
  std::wstring p = zoIncludeTrailingPathDelimiter(path);
  return !f.empty() && p.size() >= f.size() && zoSameText(std::wstring_view(p).substr(0, f.size()), f);
}

// --- process-wide places ----------------------------------------------------------------------

std::wstring zoTempPath() {
  wchar_t buf[MAX_PATH + 2];
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH + 1) zoRaiseLastOSError();
  return zoIncludeTrailingPathDelimiter(std::wstring(buf, n));
}

std::wstring zoTempFileName(std::wstring_view prefix) {
  std::wstring folder = zoTempPath();
  wchar_t buf[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), std::wstring(prefix).c_str(), 0, buf)) zoRaiseLastOSError();
  return buf;
}

std::wstring zoSelfFileName() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) return std::wstring(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

std::wstring zoSelfPath() { return zoExtractFilePath(zoSelfFileName()); }

std::wstring zoGetCurrentDir() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring s(n, L'\0');
  n = GetCurrentDirectoryW(n, s.data());
  s.resize(n);
  return s;
}

bool zoSetCurrentDir(const std::wstring& path) { return SetCurrentDirectoryW(path.c_str()) != FALSE; }

// --- files and folders ----------------------------------------------------------------------------

bool zoGetFileAttributes(const std::wstring& path, uint32_t& attributes) {
  if (path.empty()) return false;
  TZORErrorModeGuard guard;
  DWORD a = GetFileAttributesW(zoLongPath(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  attributes = a;
  return true;
}

bool zoFileExists(const std::wstring& path) {
  uint32_t a;
  return zoGetFileAttributes(path, a) && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool zoDirectoryExists(const std::wstring& path) {
  uint32_t a;
  return zoGetFileAttributes(path, a) && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool zoSetFileAttributes(const std::wstring& path, uint32_t attributes) {
  return SetFileAttributesW(zoLongPath(path).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

int64_t zoGetFileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  {
    TZORErrorModeGuard guard;
    if (!path.empty() && GetFileAttributesExW(zoLongPath(path).c_str(), GetFileExInfoStandard, &data))
      return static_cast<int64_t>(uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
  }
  std::wstring name;
  int64_t size;
  return zoGetFileInfo(path, name, size) ? size : 0;
}

bool zoGetFileInfo(const std::wstring& path, std::wstring& fullName, int64_t& size) {
  std::unique_ptr<TZORFindFileInfo> info;
  if (!zoFindFirst(zoExtractFilePath(path), L"", zoExtractFileName(path), fkFile, info)) return false;
  fullName = info->FullName();
  size = info->Size();
  zoFindClose(info);
  return true;
}

bool zoCopyFile(const std::wstring& source, const std::wstring& target, bool failIfExists) {
  return CopyFileW(zoLongPath(source).c_str(), zoLongPath(target).c_str(), failIfExists) != FALSE;
}

bool zoDeleteFile(const std::wstring& path) { return DeleteFileW(zoLongPath(path).c_str()) != FALSE; }

bool zoMoveFile(const std::wstring& source, const std::wstring& target) {
  return MoveFileW(zoLongPath(source).c_str(), zoLongPath(target).c_str()) != FALSE;
}

bool zoRemoveDirectory(const std::wstring& path) { return RemoveDirectoryW(zoLongPath(path).c_str()) != FALSE; }

bool zoForceDirectories(const std::wstring& path) {
  try {
    std::wstring dir = zoExcludeTrailingPathDelimiter(path);
    if (dir.empty()) return false;
    std::vector<std::wstring> missing;
    while (!dir.empty() && !zoDirectoryExists(dir)) {
      missing.push_back(dir);
      std::wstring parent = zoExtractFileDir(dir);
      if (parent.size() >= dir.size()) break;  // a drive or share root that does not exist
      dir = zoExcludeTrailingPathDelimiter(parent);
      if (!dir.empty() && dir.back() == L':') break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      if (!CreateDirectoryW(zoLongPath(*it).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return zoDirectoryExists(zoExcludeTrailingPathDelimiter(path));
  } catch (...) {
    return false;
  }
}

bool zoForceDirectoriesForFile(const std::wstring& fileName) { return zoForceDirectories(zoExtractFilePath(fileName)); }

namespace {
// Removes a link to a folder without touching its target.
bool RemoveLink(const TZORFindFileInfo& entry) {
  std::wstring path = zoLongPath(entry.FullName());
  if (entry.Kind == fkFolder && RemoveDirectoryW(path.c_str())) return true;
  return DeleteFileW(path.c_str()) != FALSE;
}
}  // namespace

bool zoDeleteDirectory(const std::wstring& path, bool recursive) {
  struct TFrame {
    std::wstring Path;
    std::unique_ptr<TZORFindFileInfo> Listing;
    bool Started = false;
    bool Result = true;
  };
  std::vector<TFrame> stack;
  stack.push_back({zoIncludeTrailingPathDelimiter(path)});
  stack.back().Result = !path.empty();
  bool last = false;
  while (!stack.empty()) {
    TFrame& f = stack.back();
    bool have = false;
    if (f.Result) {
      have = f.Started ? zoFindNext(f.Listing) : zoFindFirst(f.Path, L"", L"*", fkAny, f.Listing);
      f.Started = true;
    }
    if (!have) {
      zoFindClose(f.Listing);
      last = zoRemoveDirectory(f.Path);
      stack.pop_back();
      if (!stack.empty()) stack.back().Result = last;
      continue;
    }
    const TZORFindFileInfo& e = *f.Listing;
    if (e.IsReparsePoint()) f.Result = RemoveLink(e);
    else if (e.Kind == fkFile) f.Result = zoDeleteFile(e.FullName());
    else if (recursive) stack.push_back({e.FullName() + L"\\"});
  }
  return last;
}

bool zoCopyDirectory(const std::wstring& source, const std::wstring& target, std::wstring_view extensions,
                     bool recursive) {
  struct TFrame {
    std::wstring Source, Target;
    std::unique_ptr<TZORFindFileInfo> Listing;
    bool Started = false;
    bool Result = true;
  };
  std::vector<TFrame> stack;
  stack.push_back({zoIncludeTrailingPathDelimiter(source), zoIncludeTrailingPathDelimiter(target)});
  stack.back().Result = zoDirectoryExists(source);
  bool last = true;
  while (!stack.empty()) {
    TFrame& f = stack.back();
    bool have = false;
    if (f.Result) {
      have = f.Started ? zoFindNext(f.Listing) : zoFindFirst(f.Source, extensions, L"*", fkAny, f.Listing);
      f.Started = true;
    }
    if (!have) {
      zoFindClose(f.Listing);
      last = f.Result;
      stack.pop_back();
      if (!stack.empty()) stack.back().Result = last;
      continue;
    }
    const TZORFindFileInfo& e = *f.Listing;
    f.Result = zoForceDirectories(f.Target);
    if (!f.Result || e.IsReparsePoint()) continue;
    if (e.Kind == fkFile) f.Result = zoCopyFile(e.FullName(), f.Target + e.FileName, false);
    else if (recursive) stack.push_back({e.FullName() + L"\\", f.Target + e.FileName + L"\\"});
  }
  return last;
}

bool zoCopyDirectoryInto(const std::wstring& source, const std::wstring& targetParent, std::wstring_view extensions,
                         bool recursive) {
  return zoCopyDirectory(source, zoIncludeTrailingPathDelimiter(targetParent) + zoLastPathComponent(source), extensions,
                         recursive);
}

// --- listings -----------------------------------------------------------------------------------

TZORFindFileInfo::~TZORFindFileInfo() {
  if (FHandle && FHandle != INVALID_HANDLE_VALUE) FindClose(FHandle);
}

bool TZORFindFileInfo::IsReparsePoint() const { return FindData.Attributes & FILE_ATTRIBUTE_REPARSE_POINT; }

namespace {
bool Accept(TZORFindFileInfo& info, const WIN32_FIND_DATAW& fd, std::wstring_view extensions, uint8_t kinds) {
  std::wstring_view name(fd.cFileName);
  if (name == L"." || name == L".." || (fd.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM)) return false;
  TZORFileKind kind = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? fkFolder : fkFile;
  if (!(kinds & kind)) return false;
  if (kind == fkFile && !extensions.empty() && !zoFileExtInList(extensions, zoExtractFileExt(name))) return false;
  info.FileName = name;
  info.Kind = kind;
  info.FindData.Attributes = fd.dwFileAttributes;
  info.FindData.CreationTime = FileTimeValue(fd.ftCreationTime);
  info.FindData.AccessTime = FileTimeValue(fd.ftLastAccessTime);
  info.FindData.WriteTime = FileTimeValue(fd.ftLastWriteTime);
  info.FindData.SizeHigh = fd.nFileSizeHigh;
  info.FindData.SizeLow = fd.nFileSizeLow;
  info.FindData.Name = name;
  return true;
}
}  // namespace

bool zoFindFirst(const std::wstring& folder, std::wstring_view extensions, std::wstring_view pattern, uint8_t kinds,
                 std::unique_ptr<TZORFindFileInfo>& info) {
  info.reset();
  auto listing = std::make_unique<TZORFindFileInfo>();
  listing->FilePath = zoIncludeTrailingPathDelimiter(folder);
  listing->FExtensions = extensions;
  listing->FKinds = kinds;
  WIN32_FIND_DATAW fd;
  {
    TZORErrorModeGuard guard;
    std::wstring mask = listing->FilePath + std::wstring(pattern.empty() ? L"*" : pattern);
    listing->FHandle = FindFirstFileW(zoLongPath(mask).c_str(), &fd);
  }
  if (listing->FHandle == INVALID_HANDLE_VALUE) return false;
  while (!Accept(*listing, fd, extensions, kinds)) {
    if (!FindNextFileW(listing->FHandle, &fd)) return false;
  }
  info = std::move(listing);
  return true;
}

bool zoFindNext(std::unique_ptr<TZORFindFileInfo>& info) {
  if (!info) return false;
  WIN32_FIND_DATAW fd;
  while (FindNextFileW(info->FHandle, &fd)) {
    if (Accept(*info, fd, info->FExtensions, info->FKinds)) return true;
  }
  info.reset();
  return false;
}

void zoFindClose(std::unique_ptr<TZORFindFileInfo>& info) { info.reset(); }

void zoEnumFilesEx(const std::wstring& folder, std::wstring_view extensions, std::wstring_view pattern, uint8_t kinds,
                   const TZOREnumCallback& callback, bool recursive) {
  struct TFrame {
    std::wstring Folder;
    std::vector<std::wstring> Subfolders;
    size_t Next = 0;
  };
  auto subfolders = [&](const std::wstring& dir) {
    std::vector<std::wstring> list;
    if (!recursive) return list;
    std::unique_ptr<TZORFindFileInfo> info;
    for (bool ok = zoFindFirst(dir, L"", L"*", fkFolder, info); ok; ok = zoFindNext(info))
      if (!info->IsReparsePoint()) list.push_back(info->FullName() + L"\\");
    return list;
  };
  std::vector<TFrame> stack;
  std::wstring root = zoIncludeTrailingPathDelimiter(folder);
  stack.push_back({root, subfolders(root)});
  while (!stack.empty()) {
    TFrame& f = stack.back();
    if (f.Next < f.Subfolders.size()) {
      std::wstring sub = f.Subfolders[f.Next++];
      std::vector<std::wstring> below = subfolders(sub);
      stack.push_back({std::move(sub), std::move(below)});
      continue;
    }
    std::unique_ptr<TZORFindFileInfo> info;
    for (bool ok = zoFindFirst(f.Folder, extensions, pattern, kinds, info); ok; ok = zoFindNext(info)) callback(*info);
    stack.pop_back();
  }
}

void zoEnumFiles(const std::wstring& folder, std::wstring_view extensions, IZORStringReceiver& receiver) {
  zoEnumFilesEx(folder, extensions, L"*", fkFile, [&](const TZORFindFileInfo& e) { receiver.AddString(e.FullName()); },
                false);
}

void TZORSearch::Start(bool recursive) {
  FActive = true;
  FRecursive = recursive;
  try {
    SearchFolder(FPath);
  } catch (const EAbort&) {
  }
  FActive = false;
}

void TZORSearch::SearchFolder(const std::wstring& start) {
  // Lists one folder: files to the receiver, sub-folders sorted for the next level.
  auto visit = [this](const std::wstring& folder) {
    std::vector<std::wstring> folders;
    bool allow = true;
    if (!FActive) return folders;
    if (OnCanEnterFolder) OnCanEnterFolder(*this, folder, allow);
    if (!allow) return folders;
    std::unique_ptr<TZORFindFileInfo> info;
    for (bool ok = zoFindFirst(folder, Extensions, L"*", fkAny, info); ok && FActive; ok = zoFindNext(info)) {
      if (info->Kind == fkFile) FReceiver.AddString(info->FullName());
      else if (FRecursive && !info->IsReparsePoint()) folders.push_back(info->FullName() + L"\\");
    }
    if (FActive && FRecursive)
      std::stable_sort(folders.begin(), folders.end(),
                       [](const std::wstring& a, const std::wstring& b) { return zoCompareLogical(a, b) < 0; });
    else
      folders.clear();
    return folders;
  };
  struct TLevel {
    std::vector<std::wstring> Folders;
    size_t Next = 0;
  };
  std::vector<TLevel> stack;
  stack.push_back({visit(start)});
  while (!stack.empty() && FActive) {
    TLevel& level = stack.back();
    if (level.Next >= level.Folders.size()) {
      stack.pop_back();
      continue;
    }
    std::vector<std::wstring> below = visit(level.Folders[level.Next++]);
    if (!below.empty()) stack.push_back({std::move(below)});
  }
}
