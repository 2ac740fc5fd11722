#include "setup/product/ProductInfoQOLT.h"

// Detection of an installed player and the product's actions come with the
// product's actions; until then nothing counts as installed and a run does nothing.
bool TProductInfoQOLT::CanUpdate() { return FInstalledVersion > 0; }
bool TProductInfoQOLT::IsPortable() { return FPortable; }
int32_t TProductInfoQOLT::InstalledVersion() { return FInstalledVersion; }
void TProductInfoQOLT::Reload() {
  FInstalledVersion = 0;
  FPortable = false;
}
void TProductInfoQOLT::PopulateActions(const TSetupActionClassReceiver&) {}
void TProductInfoQOLT::PopulatePages(const TSetupPageClassReceiver&) {}

void RegisterProductQOLT() {
  ProductInfoClass = []() -> std::unique_ptr<TSetupProductInfo> { return std::make_unique<TProductInfoQOLT>(); };
}
