#include "zor/utils/Shell.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "zor/base/Strings.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Handles.h"

std::wstring zoGetSpecialFolderPath(int folder) {
  wchar_t buf[MAX_PATH];
  if (SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, buf)) && buf[0])
    return zoIncludeTrailingPathDelimiter(buf);
  return zoTempPath();
}

std::wstring zoGetAppDataPath() { return zoGetSpecialFolderPath(CSIDL_APPDATA_); }
std::wstring zoGetDesktopPath() { return zoGetSpecialFolderPath(CSIDL_DESKTOP_); }

std::wstring zoGetSystemPath() {
  wchar_t buf[MAX_PATH];
  UINT n = GetSystemDirectoryW(buf, MAX_PATH);
  return zoIncludeTrailingPathDelimiter(std::wstring(buf, n < MAX_PATH ? n : 0));
}

bool zoShellExecute(const std::wstring& file, const std::wstring& parameters) {
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, nullptr, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), L"", SW_SHOWNORMAL));
  return result > 32;
}

bool zoOpenURL(const std::wstring& url) {
  if (zoIsWine()) return zoShellExecute(L"winebrowser", url);
  return zoShellExecute(url, L"");
}

bool zoShellOpen(const std::wstring& file, const std::wstring& parameters) {
  if (file.empty()) return false;
  if (zoIsURL(file) || zoStartsText(L"mailto:", file)) return zoOpenURL(file);
  return zoShellExecute(file, parameters);
}

bool zoOpenLink(const std::wstring& text) {
  if (text.empty()) return false;
  if (text.find(L"//") != std::wstring::npos || zoDirectoryExists(text)) return zoOpenURL(text);
  return zoOpenURL(L"https://" + text);
}

namespace {
// A shell link object and its file interface, or false.
bool NewShellLink(TZORComPtr<IShellLinkW>& link, TZORComPtr<IPersistFile>& file) {
  CoInitialize(nullptr);
  return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IShellLinkW,
                                    link.PutVoid())) &&
         SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid()));
}
}  // namespace

bool zoCreateShortcut(const std::wstring& linkFile, const std::wstring& target) {
  if (!zoFileExists(target)) return false;
  try {
    TZORComPtr<IShellLinkW> link;
    TZORComPtr<IPersistFile> file;
    if (!NewShellLink(link, file) || FAILED(link->SetPath(target.c_str()))) return false;
    return SUCCEEDED(file->Save(linkFile.c_str(), TRUE));
  } catch (...) {
    return false;
  }
}

bool zoGetShortcutTarget(const std::wstring& linkFile, std::wstring& target) {
  target.clear();
  if (!zoSameText(zoExtractFileExt(linkFile), L".lnk")) return false;
  try {
    TZORComPtr<IShellLinkW> link;
    TZORComPtr<IPersistFile> file;
    if (!NewShellLink(link, file)) return false;
    std::wstring name = linkFile.rfind(L"\\\\?\\", 0) == 0 ? linkFile : L"\\\\?\\" + linkFile;
    if (FAILED(file->Load(name.c_str(), STGM_READ))) return false;
    std::vector<wchar_t> buf(65535);
    if (link->GetPath(buf.data(), static_cast<int>(buf.size()), nullptr, 0) != S_OK) return false;
    target = buf.data();
    return true;
  } catch (...) {
    return false;
  }
}

void zoNotifyAssociationsChanged() {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST | SHCNF_FLUSH, nullptr, nullptr);
  Sleep(1000);
}
