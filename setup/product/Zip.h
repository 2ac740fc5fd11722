#pragma once
// Writing ZIP archives: deflate, UTF-8 names, ZIP64 where sizes or counts need it.
#include <cstdint>
#include <string>
#include <deque>
#include <vector>

class TSetupZipWriter {
public:
  // Creates (or replaces) the archive; raises when it cannot be started.
  explicit TSetupZipWriter(const std::wstring& fileName);
  // Discards an archive that was not closed.
  ~TSetupZipWriter();
  TSetupZipWriter(const TSetupZipWriter&) = delete;
  TSetupZipWriter& operator=(const TSetupZipWriter&) = delete;

  // Names use "\" or "/"; the archive stores "/".
  void AddFile(const std::wstring& fileName, const std::wstring& name);
  void AddBytes(const std::wstring& name, const std::string& bytes);
  // Writes the archive; raises when it could not be written completely.
  void Close();
  static std::vector<std::pair<std::wstring, std::string>> ReadAll(const std::wstring& fileName);

private:
  void* FArchive = nullptr;
  std::deque<std::string> FBuffers;  // stays in place: the archive points into it until closed
};
