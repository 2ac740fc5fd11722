#include "setup/product/ProductInfoQOLT.h"

#include "setup/core/Setup.h"
#include "setup/core/SystemHelpers.h"
#include "setup/product/ActionExtract.h"
#include "setup/product/ActionPrepare.h"
#include "setup/product/ActionsIntegration.h"
#include "setup/product/ActionsUninstall.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"

namespace {
template <class A>
std::unique_ptr<TSetupAction> Make() {
  return std::make_unique<A>();
}
}  // namespace

std::wstring TProductInfoQOLT::DefaultDestination() {
  std::wstring folder;
  if (TSetupAppRepo::FindInstallPath(L"QOLT", folder) || TSetupAppRepo::FindInstallPath(L"QOLT3", folder)) return folder;
  std::wstring exe;
  if (zoGetWindowExeName(zoFindWindow(L"TQOLTMainForm"), exe)) return zoExtractFilePath(exe);
  return TSetupProductInfo::DefaultDestination();
}

bool TProductInfoQOLT::CanUpdate() {
  int32_t v = InstalledVersion();
  return v >= 3500 && v <= 5499;
}

bool TProductInfoQOLT::IsPortable() { return !FInstalled.ReadBool(L"System", L"UserMode", true); }

int32_t TProductInfoQOLT::InstalledVersion() { return FInstalled.ReadInteger(L"System", L"Version", 0); }

void TProductInfoQOLT::Reload() {
  const std::wstring dest = CurrentSetup->DestPath();
  FInstalled.Clear();
  if (zoFileExists(dest + L"QOLT.ini")) FInstalled.LoadFromFile(dest + L"QOLT.ini");
  else if (zoFileExists(dest + L"QOLT3.ini")) FInstalled.LoadFromFile(dest + L"QOLT3.ini");
  CurrentSetup->Options.WriteSectionText(L"Integration", FInstalled.ReadSectionText(L"Integration"));
}

bool TProductInfoQOLT::OffersAddons() {
  TSetup& setup = *CurrentSetup;
  return !setup.HasOption(soAuto) && !setup.HasOption(soSilent) && zoSameText(setup.Resources().LangName, L"Russian");
}

void TProductInfoQOLT::PopulateActions(const TSetupActionClassReceiver& receiver) {
  TSetup& setup = *CurrentSetup;
  receiver(&Make<TSetupActionCloseApplications>);
  if (setup.Mode() == TSetupMode::smInstall) {
    receiver(&Make<TSetupActionPrepare>);
    if (OffersAddons()) receiver(&Make<TSetupActionAddonsInstall>);
    receiver(&Make<TSetupActionExtract>);
    receiver(&Make<TSetupActionConfig>);
    if (!setup.HasOption(soUpdate)) {
      if (!setup.HasOption(soPortable)) receiver(&Make<TSetupActionIntegrate>);
      receiver(&Make<TSetupActionShortcuts>);
    }
    if (zoCheckWindowsVersion(10, 0)) receiver(&Make<TSetupActionUpdateShellCache>);
  } else {
    receiver(&Make<TSetupActionUninstallIntegration>);
    receiver(&Make<TSetupActionUninstallFiles>);
  }
}

void TProductInfoQOLT::PopulatePages(const TSetupPageClassReceiver&) {}

void RegisterProductQOLT() {
  ProductInfoClass = []() -> std::unique_ptr<TSetupProductInfo> { return std::make_unique<TProductInfoQOLT>(); };
}
