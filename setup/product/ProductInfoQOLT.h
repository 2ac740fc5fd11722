#pragma once
// QOLT's product information: the installed copy at the destination (its
// QOLT.ini), an installation elsewhere, and the actions and pages of a run.
#include "setup/resources/ProductInfo.h"
#include "zor/base/INI.h"

class TProductInfoQOLT : public TSetupProductInfo {
public:
  std::wstring DefaultDestination() override;
  // Versions 3.50 to 5.49 can be updated in place.
  bool CanUpdate() override;
  bool IsPortable() override;
  int32_t InstalledVersion() override;
  void Reload() override;
  void PopulateActions(const TSetupActionClassReceiver& receiver) override;
  void PopulatePages(const TSetupPageClassReceiver& receiver) override;
  // The add-ons page (and action) only in an attended run in Russian.
  static bool OffersAddons();

private:
  TZORIniFile FInstalled;
};

// Makes TProductInfoQOLT the program's product.
void RegisterProductQOLT();
