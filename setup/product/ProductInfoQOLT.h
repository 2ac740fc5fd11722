#pragma once
// QOLT's product information.
#include "setup/resources/ProductInfo.h"

class TProductInfoQOLT : public TSetupProductInfo {
public:
  bool CanUpdate() override;
  bool IsPortable() override;
  int32_t InstalledVersion() override;
  void Reload() override;
  void PopulateActions(const TSetupActionClassReceiver& receiver) override;
  void PopulatePages(const TSetupPageClassReceiver& receiver) override;

private:
  int32_t FInstalledVersion = 0;
  bool FPortable = false;
};

// Makes TProductInfoQOLT the program's product.
void RegisterProductQOLT();
