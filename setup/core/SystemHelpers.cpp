#include "setup/core/SystemHelpers.h"

#include <windows.h>

#include <vector>

#include "zor/base/Exceptions.h"
#include "zor/base/StringList.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Registry.h"
#include "zor/utils/Shell.h"

std::wstring TSetupAppRepo::GetUninstallKey(bool mirror32) {
  return std::wstring(L"Software\\") + (mirror32 ? L"Wow6432Node\\" : L"") + L"Microsoft\\Windows\\CurrentVersion\\" +
         L"Uni" + L"nstall\\";
}

std::wstring TSetupAppRepo::GetEntryName(const std::wstring& displayName) {
  std::wstring name;
  for (wchar_t c : displayName)
    if (c != L' ') name += c;
  return name;
}

bool TSetupAppRepo::FindInstallPath(const std::wstring& displayName, std::wstring& folder) {
  std::wstring entry = GetEntryName(displayName);
  if (entry.empty()) return false;
  std::wstring key = GetUninstallKey(false) + entry;
  for (TZORRegView view : {TZORRegView::rv64, TZORRegView::rv32}) {
    TZORRegKey k = TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, key, view);
    if (!k) continue;
    std::wstring path = zoIncludeTrailingPathDelimiter(k.ReadString(L"InstallPath"));
    if (!zoDirectoryExists(path)) path = zoExtractFilePath(k.ReadString(L"UninstallString"));
    if (!zoDirectoryExists(path)) path = zoExtractFilePath(k.ReadString(L"DisplayIcon"));
    if (zoDirectoryExists(path)) {
      folder = path;
      return true;
    }
  }
  return false;
}

void TSetupAppRepo::Register(const std::wstring& displayName, const std::wstring& uninstaller,
                             const std::wstring& version, const std::wstring& publisher, const std::wstring& url) {
  std::wstring entry = GetEntryName(displayName);
  if (entry.empty()) return;
  Unregister(displayName);
  TZORRegKey key = TZORRegKey::OpenWrite(HKEY_LOCAL_MACHINE, GetUninstallKey(false) + entry, true, TZORRegView::rv64);
  if (!key) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  key.WriteInteger(L"NoModify", 1);
  key.WriteInteger(L"NoRepair", 1);
  key.WriteString(L"DisplayIcon", uninstaller);
  key.WriteString(L"DisplayName", displayName);
  key.WriteString(L"DisplayVersion", version);
  key.WriteString(L"InstallDate", zoFormat(L"%.4d%.2d%.2d", now.wYear, now.wMonth, now.wDay));
  key.WriteString(L"InstallPath", zoExtractFilePath(uninstaller));
  key.WriteString(L"Publisher", publisher);
  key.WriteString(L"UninstallString", uninstaller);
  key.WriteString(L"URLInfoAbout", url);
}

void TSetupAppRepo::Unregister(const std::wstring& displayName) {
  std::wstring entry = GetEntryName(displayName);
  if (entry.empty()) return;
  TZORRegKey::DeleteTree(HKEY_LOCAL_MACHINE, GetUninstallKey(false) + entry, TZORRegView::rv64);
  TZORRegKey::DeleteTree(HKEY_LOCAL_MACHINE, GetUninstallKey(true) + entry, TZORRegView::rv64);
}

void TSetupUsers::Populate(const TCallback& callback) {
  callback(zoLastPathComponent(zoGetSpecialFolderPath(CSIDL_PROFILE_)), zoGetSpecialFolderPath(CSIDL_APPDATA_));
  const std::wstring shellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders\\";
  TZORRegKey list =
      TZORRegKey::OpenRead(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\");
  for (const std::wstring& sid : list.SubKeys()) {
    if (zoFileExtInList(L"*.bak;", zoExtractFileExt(sid))) continue;
    TZORRegKey account = TZORRegKey::OpenRead(list.Get(), sid);
    std::wstring raw = account.ReadString(L"ProfileImagePath");
    std::vector<wchar_t> buf(65535);
    DWORD n = ExpandEnvironmentStringsW(raw.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0 || n > buf.size()) continue;
    std::wstring profile(buf.data());
    if (!zoDirectoryExists(profile)) continue;
    TZORRegKey folders = TZORRegKey::OpenRead(HKEY_USERS, sid + L"\\" + shellFolders);
    if (!folders) folders = TZORRegKey::OpenRead(HKEY_USERS, L".DEFAULT\\" + shellFolders);
    if (!folders) continue;
    std::wstring appData = folders.ReadString(L"AppData");
    const std::wstring token = L"%USERPROFILE%";
    for (size_t p = 0; p + token.size() <= appData.size();) {
      if (zoSameText(std::wstring_view(appData).substr(p, token.size()), token)) {
        appData.replace(p, token.size(), profile);
        p += profile.size();
      } else {
        ++p;
      }
    }
    if (!appData.empty()) callback(zoLastPathComponent(profile), appData);
  }
}

void TSetupActiveX::CallEntryPoint(const std::wstring& library, const char* function) {
  HMODULE module = static_cast<HMODULE>(zoLoadLibraryFromFolder(library));
  if (!module) return;
  using TEntry = HRESULT(WINAPI*)();
  if (auto entry = reinterpret_cast<TEntry>(reinterpret_cast<void*>(GetProcAddress(module, function)))) entry();
  FreeLibrary(module);
}

void TFileSearchHelper::Search(const std::wstring& root, const std::wstring& excludedPrefix,
                               IZORStringReceiver& receiver) {
  TZORSearch search(receiver);
  search.SetPath(root);
  search.OnCanEnterFolder = [&excludedPrefix](TZORSearch&, const std::wstring& folder, bool& allow) {
    if (!excludedPrefix.empty() && zoStartsText(excludedPrefix, folder)) allow = false;
  };
  search.Start(true);
}

void CopyFileOrRaise(const std::wstring& source, const std::wstring& target) {
  if (!zoCopyFile(source, target, false)) zoRaiseOSError(GetLastError(), source + L" -> " + target);
}

void ScheduleDeleteOnReboot(const std::wstring& fileName) {
  MoveFileExW(zoLongPath(fileName).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void DeleteFileOrPostpone(const std::wstring& fileName) {
  if (!zoFileExists(fileName)) return;
  zoSetFileAttributes(fileName, 0);
  if (zoDeleteFile(fileName)) return;
  std::wstring aside;
  try {
    aside = zoTempFileName(L"delete");
  } catch (const Exception&) {
    return;
  }
  zoDeleteFile(aside);
  if (zoMoveFile(fileName, aside)) ScheduleDeleteOnReboot(aside);
}

void RunAndWait(const std::wstring& commandLine) { TZORProcess::Execute(commandLine, pfWait | pfShow); }
