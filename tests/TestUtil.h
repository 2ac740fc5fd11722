#pragma once
// Helpers shared by the tests: a fresh temporary folder and whole-file I/O.
#include <windows.h>

#include <string>
#include <vector>

class TTestDir {
public:
  TTestDir() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    Path = std::wstring(temp) + L"qolt-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter) + L"\\";
    CreateDirectoryW(Path.c_str(), nullptr);
  }
  ~TTestDir() { Remove(Path); }
  TTestDir(const TTestDir&) = delete;
  TTestDir& operator=(const TTestDir&) = delete;

  std::wstring operator/(const std::wstring& name) const { return Path + name; }
  std::wstring Path;

  static void Remove(const std::wstring& dir) {
    std::wstring base = dir.size() >= 260 ? L"\\\\?\\" + dir : dir;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((base + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring full = dir + name;
        std::wstring longFull = full.size() >= 260 ? L"\\\\?\\" + full : full;
        SetFileAttributesW(longFull.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
          Remove(full + L"\\");
        else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryW(longFull.c_str());
        else
          DeleteFileW(longFull.c_str());
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryW(base.c_str());
  }
};

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (h != INVALID_HANDLE_VALUE) {
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  }
}

inline std::string ReadFileBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER size;
  GetFileSizeEx(h, &size);
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(h);
  bytes.resize(read);
  return bytes;
}
