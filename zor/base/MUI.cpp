#include "zor/base/MUI.h"

#include "zor/base/INI.h"
#include "zor/base/Streams.h"

bool LangGetInfo(TZORIniFile& document, TZORLocalizationInfo& info, TMemoryStream* icon) {
  info.Author = document.ReadString(L"File", L"Author");
  info.LangId = document.ReadInteger(L"File", L"LangId", 0);
  info.Name = document.ReadString(L"File", L"Name");
  info.VersionId = document.ReadInteger(L"File", L"VersionId", 0);
  if (icon) {
    icon->Clear();
    if (!document.ReadStream(L"File", L"Icon", *icon)) icon->Clear();
  }
  return true;
}
