#pragma once
// Tying the player into the system: the add-ons installer, QOLT.ini, the
// registration tool, shortcuts and the shell's association cache.
#include <string>

#include "setup/core/Actions.h"
#include "zor/base/StringList.h"

class TSetupActionAddonsInstall : public TSetupAction {
public:
  void Execute() override;
  void BuildSummary(TSetupSummaryBuilder& builder) override;
};

class TSetupActionConfig : public TSetupAction {
public:
  void Execute() override;
};

class TSetupActionIntegrate : public TSetupAction {
public:
  void Execute() override;
  void BuildSummary(TSetupSummaryBuilder& builder) override;
  // The registration tool's switches for the current choices ("" for none).
  static std::wstring Switches();
};

class TSetupActionShortcuts : public TSetupAction {
public:
  void Execute() override;
  void BuildSummary(TSetupSummaryBuilder& builder) override;

private:
  TZORStringList FMacros;
};

class TSetupActionUpdateShellCache : public TSetupAction {
public:
  void Execute() override;
};

// The user's integration and add-on choices, with their defaults.
bool SetupIntegrationOption(const wchar_t* key);
bool SetupAddonOption(const wchar_t* key);
