#pragma once
// The setup controller: mode and options, destination, the user's choices, the
// error list, the worker, and the notifications that carry the worker's news
// to the window thread.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "setup/resources/ProductInfo.h"
#include "setup/resources/Resources.h"
#include "zor/base/INI.h"
#include "zor/base/StringList.h"

class TSetupThread;
class TSetupExtractHelper;

enum class TSetupMode : uint8_t { smInstall, smUninstall };
// Bit indexes of TSetup::Flags.
enum TSetupOption : uint8_t { soAuto = 0, soPortable = 1, soUpdate = 2, soSilent = 3, soRun = 4, soNoBackup = 5 };
constexpr uint8_t SetupFlag(TSetupOption option) { return static_cast<uint8_t>(1u << option); }
enum class TSetupState : uint8_t { ssIdle, ssRunning, ssFinished };

enum TSetupNotifyCode : int32_t {
  ncFinished = 1,
  ncProgress = 2,
  ncStatusText = 4,
  ncPageChanged = 5,
  ncProgressShown = 6,
};

class IInstallerNotify {
public:
  virtual ~IInstallerNotify() = default;
  virtual void Notify(int32_t code, intptr_t data) = 0;
};

// Whether the user is an administrator (tests may replace it; nullptr restores the system's).
using TSetupAdminCheck = bool (*)();
void SetupSetAdminCheck(TSetupAdminCheck check);
bool SetupIsUserAdmin();

class TSetup {
public:
  TSetup(const std::wstring& parameters, const TSetupEnvironment& environment = {});
  TSetup(const TSetup&) = delete;
  TSetup& operator=(const TSetup&) = delete;
  ~TSetup();

  TZORIniFile Options;
  TZORStringList Errors;

  const std::wstring& DestPath() const { return FDestPath; }
  TSetupMode Mode() const { return FMode; }
  uint8_t Flags() const { return FFlags; }
  TSetupState State() const { return FState; }
  TSetupProductInfo& ProductInfo() { return *FProductInfo; }
  TSetupResources& Resources() { return *FResources; }
  TSetupThread* Thread() { return FThread.get(); }
  TSetupExtractHelper& ExtractHelper() { return *FExtractHelper; }

  bool HasOption(int index) const;
  void SetOption(int index, bool on);
  // Raises "Invalid Arguments" when soAuto or soSilent would change.
  void SetFlags(uint8_t flags);
  void Validate();
  bool IsInProgramFiles() const;
  void SetDestPath(const std::wstring& path);
  bool HasErrors() const { return Errors.Count() > 0; }
  void AddListener(IInstallerNotify* listener);
  void RemoveListener(IInstallerNotify* listener);
  static void AddSetupError(const std::wstring& text);

  // Raises "DestPath is empty"; with wait, returns when the worker has ended.
  void Start(bool wait);
  // Starts the chosen post-install programs as the desktop user.
  void Finish();
  void FreeThread();

  // Delivered synchronously on the window thread, from any thread.
  void Notify(int32_t code, int32_t value);
  void NotifyText(int32_t code, const std::wstring& text);

private:
  void ParseCommandLine(const std::wstring& parameters);
  intptr_t WindowProc(void* window, unsigned message, uintptr_t wParam, intptr_t lParam);
  void Dispatch(int32_t code, intptr_t data);

  std::recursive_mutex FLock;
  std::vector<IInstallerNotify*> FListeners;
  std::unique_ptr<TSetupProductInfo> FProductInfo;
  std::unique_ptr<TSetupResources> FResources;
  std::unique_ptr<TSetupExtractHelper> FExtractHelper;
  void* FNotifyWindow = nullptr;
  std::wstring FDestPath;
  TSetupMode FMode = TSetupMode::smInstall;
  uint8_t FFlags = 0;
  TSetupState FState = TSetupState::ssIdle;
  std::unique_ptr<TSetupThread> FThread;
};

extern TSetup* CurrentSetup;
