#include "setup/ui/Main.h"

#include <windows.h>

#include <exception>

#include "setup/core/Errors.h"
#include "setup/core/Relaunch.h"
#include "setup/core/Setup.h"
#include "setup/core/Spawn.h"
#include "zor/base/CommandLine.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"

namespace {
// The switch values the entry reads live as long as the process.
std::wstring gParameters, gSkipUAC, gPath;

void Run() {
  gParameters = zoGetCommandLineParams();
  if (!ProductInfoClass) throw EInstallerGeneralError(L"Setup is malformed");
  if (zoGetOSVersion().Major >= 6) {
    if (zoCommandLineGetSwitch(gParameters, L"SKIPUAC", gSkipUAC)) {
      TSetupSpawnService::Initialize(reinterpret_cast<void*>(static_cast<intptr_t>(zoStrToIntDef(gSkipUAC, 0))));
    } else if (!SetupIsUserAdmin()) {
      RunElevated(gParameters);
      return;
    }
  }
  if (!SetupIsUserAdmin()) throw EInstallerNoAdminRightsError();
  TSetup setup(gParameters);
  if (setup.Mode() == TSetupMode::smUninstall) {
    if (zoCommandLineGetSwitch(gParameters, L"PATH", gPath) && zoDirectoryExists(gPath)) {
      setup.SetDestPath(gPath);
    } else {
      if (zoSameText(zoTempPath(), zoSelfPath())) throw EInstallerMysteryError(L"Cannot start the Uninstaller");
      RunUninstallerFromTempFolder(gParameters);
      return;
    }
  }
  setup.Resources().InitializeLanguages(!setup.HasOption(soAuto));
  if (!setup.HasOption(soSilent))
    throw EInstallerGeneralError(L"The setup wizard is not available in this build. Run the setup with /AUTO /SILENT.");
  setup.Start(true);
  if (setup.HasErrors()) throw EInstallerInstallError(setup.Errors.Text());
  setup.Finish();
}
}  // namespace

std::wstring SetupErrorReport(const Exception& e) {
  std::wstring report = std::wstring(e.ClassName()) + L": " + e.Message();
  std::wstring stack = e.StackTrace();
  if (!stack.empty()) report += L"\r\n\r\nCall stack:\r\n" + stack;
  return report;
}

void SetupMain() {
  try {
    Run();
  } catch (const Exception& e) {
    zoMessageBox(SetupErrorReport(e), L"Setup", MB_ICONERROR | MB_OK);
  } catch (const std::exception& e) {
    // Not one of ours (memory, the standard library): still one box, never a silent end.
    zoMessageBox(L"Exception: " + zoUTF8Decode(e.what()), L"Setup", MB_ICONERROR | MB_OK);
  }
  TSetupSpawnService::Shutdown();
}
