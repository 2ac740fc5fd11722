#include "setup/product/Profiles.h"

#include "setup/core/Errors.h"
#include "setup/core/Setup.h"
#include "setup/core/SystemHelpers.h"
#include "zor/base/StringList.h"
#include "zor/utils/FileSystem.h"

std::wstring TSetupProfileHelper::GetProfilePath(const std::wstring& root, int32_t version) {
  if (root.empty()) return CurrentSetup->DestPath() + L"Profile\\";
  std::wstring name = version >= 4000 ? CurrentSetup->ProductInfo().ProductName() : L"QOLT3";
  return zoIncludeTrailingPathDelimiter(root) + name + L"\\";
}

std::wstring TSetupProfileHelper::GetNewProfilePath(const std::wstring& root) {
  return GetProfilePath(root, CurrentSetup->ProductInfo().ProductVersionId());
}

std::wstring TSetupProfileHelper::GetInstalledProfilePath(const std::wstring& root) {
  return GetProfilePath(root, CurrentSetup->ProductInfo().InstalledVersion());
}

void TSetupProfileInfoList::Add(const std::wstring& name, const std::wstring& root) {
  auto info = std::make_unique<TSetupProfileInfo>();
  info->Name = name;
  info->Path = TSetupProfileHelper::GetNewProfilePath(root);
  info->OldPath = TSetupProfileHelper::GetInstalledProfilePath(root);
  if (!zoDirectoryExists(info->OldPath)) return;
  // The current user is reported twice; migrating one profile twice would fail.
  for (const auto& existing : FItems)
    if (zoSameText(existing->OldPath, info->OldPath)) return;
  FItems.push_back(std::move(info));
}

void TSetupProfileInfoList::Populate() {
  if (CurrentSetup->HasOption(soPortable)) {
    Add(L"SingleUser", L"");
    return;
  }
  TSetupUsers::Populate([this](const std::wstring& user, const std::wstring& appData) { Add(user, appData); });
}

void TSetupHelper::CopyFolder(const std::wstring& source, const std::wstring& target, bool move) {
  if (zoSameText(source, target)) return;
  if (!zoCopyDirectory(source, target, L"", true))
    throw EInstallerInstallError(zoFormat(L"Cannot copy \"%s\" to \"%s\"", source, target));
  if (move) zoDeleteDirectory(source, true);
}

void TSetupHelper::RemoveByPrefix(TZORStringList& list, const std::wstring& prefix) {
  for (int i = list.Count() - 1; i >= 0; --i)
    if (zoStartsText(prefix, list[i])) list.Delete(i);
}

void TSetupHelper::RemoveFolder(const std::wstring& folder, bool onlyIfEmpty) {
  if (onlyIfEmpty) zoRemoveDirectory(folder);
  else zoDeleteDirectory(folder, true);
}
