#include "setup/resources/ProductInfo.h"

#include "setup/core/Errors.h"
#include "setup/core/Setup.h"
#include "setup/resources/Resources.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Shell.h"

TSetupProductInfoClass ProductInfoClass = nullptr;

TSetupResources& TSetupProductInfo::Resources() { return CurrentSetup->Resources(); }

std::wstring TSetupProductInfo::Setting(const wchar_t* key) { return Resources().Script.ReadSetting(key); }

std::wstring TSetupProductInfo::DefaultDestination() {
  return zoIncludeTrailingPathDelimiter(Resources().ProgramFilesPath + ProductName());
}

std::wstring TSetupProductInfo::DefaultPortableDestination() {
  return zoIncludeTrailingPathDelimiter(zoGetDesktopPath() + ProductName());
}

std::wstring TSetupProductInfo::HomePage() { return Setting(L"HomePage"); }

std::wstring TSetupProductInfo::ProductName() {
  std::wstring name = Setting(L"ProductName");
  if (name.empty()) throw EInstallerGeneralError(L"Setup has wrong config");
  return name;
}

std::wstring TSetupProductInfo::Publisher() { return Setting(L"Publisher"); }
std::wstring TSetupProductInfo::ProductVersion() { return Setting(L"ProductVersion"); }

int32_t TSetupProductInfo::ProductVersionId() {
  std::wstring text = Setting(L"ProductVersionId");
  for (wchar_t c : text)
    if (c < L'0' || c > L'9') return 0;
  return zoStrToIntDef(text, 0);
}

std::wstring TSetupProductInfo::FullVersion() { return ProductVersion() + L", " + Setting(L"BuildDate"); }

std::wstring TSetupProductInfo::ProductVersionNo() { return Setting(L"ProductVersionNo"); }

std::wstring TSetupProductInfo::VersionText(int32_t version) {
  return zoFormat(L"%d.%.2d", version / 1000, (version % 1000) / 10);
}

std::wstring TSetupProductInfo::InstalledVersionText() { return VersionText(InstalledVersion()); }
