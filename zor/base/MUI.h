#pragma once
// Descriptions of language files.
#include <cstdint>
#include <string>

class TZORIniFile;
class TMemoryStream;

struct TZORLocalizationInfo {
  std::wstring Author;
  int32_t LangId = 0;
  std::wstring Name;
  int32_t VersionId = 0;
};

// Reads section "File"; with an icon stream, the hexadecimal "Icon" goes into
// it (emptied when missing or unreadable). Always true.
bool LangGetInfo(TZORIniFile& document, TZORLocalizationInfo& info, TMemoryStream* icon = nullptr);
