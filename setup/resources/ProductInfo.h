#pragma once
// What the setup installs: descriptive answers from the script's settings, the
// rest from the product's own subclass.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TSetupAction;
class TSetupResources;
using TSetupActionClass = std::unique_ptr<TSetupAction> (*)();
using TSetupActionClassReceiver = std::function<void(TSetupActionClass)>;
// Wizard pages are handed out the same way once the wizard exists.
using TSetupPageClass = void* (*)();
using TSetupPageClassReceiver = std::function<void(TSetupPageClass)>;

class TSetupProductInfo {
public:
  virtual ~TSetupProductInfo() = default;
  virtual std::wstring DefaultDestination();                     // 0
  virtual std::wstring DefaultPortableDestination();             // 1
  virtual std::wstring HomePage();                               // 2
  virtual bool CanUpdate() = 0;                                  // 3
  virtual bool IsPortable() = 0;                                 // 4
  virtual int32_t InstalledVersion() = 0;                        // 5
  // Raises "Setup has wrong config" when the script names no product.
  virtual std::wstring ProductName();                            // 6
  virtual std::wstring Publisher();                              // 7
  virtual std::wstring ProductVersion();                         // 8
  virtual int32_t ProductVersionId();                            // 9
  virtual std::wstring FullVersion();                            // 10
  virtual void Reload() = 0;                                     // 11
  virtual void PopulateActions(const TSetupActionClassReceiver& receiver) = 0;  // 12
  virtual void PopulatePages(const TSetupPageClassReceiver& receiver) = 0;      // 13

  std::wstring ProductVersionNo();
  // 4512 gives "4.51", 4090 gives "4.09".
  std::wstring InstalledVersionText();
  static std::wstring VersionText(int32_t version);

protected:
  std::wstring Setting(const wchar_t* key);
  TSetupResources& Resources();
};

using TSetupProductInfoClass = std::unique_ptr<TSetupProductInfo> (*)();
// Registered by the product module at start-up.
extern TSetupProductInfoClass ProductInfoClass;
