#pragma once
// The setup's data and texts: the SETUP and PRODUCT packages, the script, the
// language texts and the "$" macros.
#include <memory>
#include <string>
#include <string_view>

#include "setup/core/package/Package.h"
#include "setup/resources/Script.h"
#include "zor/base/INI.h"

// Where the packages come from: the executable's resources, or (the uninstaller)
// the ".dat" file beside it.
struct TSetupEnvironment {
  void* ResourceModule = nullptr;  // none: the running program
  std::wstring ExeFileName;        // empty: the running program's file
};

class TSetupResources;
// Chooses the language file: an index into Languages, or -1 for "English.lng".
using TSetupLanguageChooser = int (*)(TSetupResources& resources, bool showDialog);
void SetupSetLanguageChooser(TSetupLanguageChooser chooser);
// The language file whose "LangId" is the user's UI language, else 1033, else the first.
int SetupPreselectLanguage(TSetupResources& resources);

class TSetupResources {
public:
  explicit TSetupResources(const TSetupEnvironment& environment = {});

  TZORIniFile Lang;
  std::wstring LangName;
  TZORStringList Languages;
  std::unique_ptr<TSetupPackageReader> ProductPackage;
  std::unique_ptr<TSetupPackageReader> SetupPackage;
  std::wstring DesktopPath;
  std::wstring ProgramFilesPath;
  std::wstring ProgramFilesX86Path;
  std::wstring StartMenuPath;
  TSetupScript Script;

  // A copy of the file, PRODUCT first, then SETUP; raises "Cannot locate ..." when absent.
  std::unique_ptr<TMemoryStream> OpenFile(std::wstring_view name);
  // The file's bytes in place (PRODUCT first, then SETUP), valid while the holder lives.
  void ViewFile(std::wstring_view name, const uint8_t*& data, int64_t& size);
  std::unique_ptr<TZORStringList> LoadStrings(std::wstring_view name);
  std::wstring GetLangText(std::wstring_view section, std::wstring_view key);
  std::wstring GetLangFamily();
  std::wstring ExpandMacros(std::wstring_view text);
  std::wstring ExpandPath(std::wstring_view path);
  // The licence document of the current family (else of "EN"), or none.
  std::unique_ptr<TMemoryStream> GetLicenseStream();
  // Loads "English.lng" and merges the chosen language file over it.
  void InitializeLanguages(bool showDialog);
};
