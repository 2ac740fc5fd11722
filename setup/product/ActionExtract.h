#pragma once
// Puts the product's files on disk and leaves the uninstaller behind:
// Uninstall.exe, Uninstall.dat (with Uninstall.ini) and the uninstall entry.
#include <string>
#include <vector>

#include "setup/core/Actions.h"

class TSetupScriptFile;

class TSetupActionExtract : public TSetupAction {
public:
  void Execute() override;
  // The script's file entries for the chosen language family, in script order.
  static std::vector<const TSetupScriptFile*> Selection();
  // Uninstall.exe, Uninstall.dat and (not portable) the uninstall entry for the destination.
  static void WriteUninstallData(const std::vector<const TSetupScriptFile*>& files);
};
