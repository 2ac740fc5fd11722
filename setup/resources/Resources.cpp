#include "setup/resources/Resources.h"

#include <windows.h>

#include <atomic>

#include "setup/core/Errors.h"
#include "setup/core/Relaunch.h"
#include "setup/core/Setup.h"
#include "zor/base/MUI.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Shell.h"

namespace {
std::unique_ptr<TSetupPackageReader> ReadResource(HMODULE module, const wchar_t* name) {
  HRSRC info = FindResourceW(module, name, MAKEINTRESOURCEW(10));
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  if (!data) throw EResNotFound(zoFormat(L"Resource %s not found", name));
  TZORReadOnlyMemoryStream stream(LockResource(data), SizeofResource(module, info));
  return std::make_unique<TSetupPackageReader>(stream);
}

int PreselectOnly(TSetupResources& resources, bool) { return SetupPreselectLanguage(resources); }
std::atomic<TSetupLanguageChooser> gChooser{&PreselectOnly};

void Replace(std::wstring& text, std::wstring_view pattern, const std::wstring& value) {
  for (size_t p = 0; (p = text.find(pattern, p)) != std::wstring::npos; p += value.size()) text.replace(p, pattern.size(), value);
}
}  // namespace

void SetupSetLanguageChooser(TSetupLanguageChooser chooser) { gChooser.store(chooser ? chooser : &PreselectOnly); }

int SetupPreselectLanguage(TSetupResources& resources) {
  if (resources.Languages.Count() == 0) return -1;
  int english = -1;
  const int user = zoGetUserUILanguage();
  for (int i = 0; i < resources.Languages.Count(); ++i) {
    TZORIniFile lng;
    try {
      auto stream = resources.OpenFile(resources.Languages[i]);
      lng.LoadFromStream(*stream);
    } catch (const Exception&) {
      continue;
    }
    TZORLocalizationInfo info;
    LangGetInfo(lng, info);
    if (info.LangId == user) return i;
    if (info.LangId == 1033 && english < 0) english = i;
  }
  return english >= 0 ? english : 0;
}

TSetupResources::TSetupResources(const TSetupEnvironment& environment) {
  HMODULE module = static_cast<HMODULE>(environment.ResourceModule);
  if (!module) module = GetModuleHandleW(nullptr);
  std::wstring exe = environment.ExeFileName.empty() ? zoSelfFileName() : environment.ExeFileName;
  SetupPackage = ReadResource(module, L"SETUP");
  if (zoSameText(zoExtractFileName(exe), L"Uninstall.exe")) {
    TZORBufferedFileStream data(zoChangeFileExt(exe, L".dat"), fmOpenRead | fmShareDenyNone);
    ProductPackage = std::make_unique<TSetupPackageReader>(data);
  } else {
    ProductPackage = ReadResource(module, L"PRODUCT");
  }
  Script.Load(*OpenFile(L"Install.xml"));
  const TSetupPackageFileTable& table = SetupPackage->FileTable();
  for (int i = 0; i < table.Count(); ++i)
    if (zoSameText(zoExtractFileExt(table[i].Name), L".lng")) Languages.Add(table[i].Name);
  Languages.SortLogical();
  DesktopPath = zoGetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY_);
  ProgramFilesPath = zoGetSpecialFolderPath(CSIDL_PROGRAM_FILES_);
  ProgramFilesX86Path = zoExcludeTrailingPathDelimiter(ProgramFilesPath) + L" (x86)\\";
  StartMenuPath = zoGetSpecialFolderPath(CSIDL_COMMON_PROGRAMS_);
}

std::unique_ptr<TMemoryStream> TSetupResources::OpenFile(std::wstring_view name) {
  std::unique_ptr<TMemoryStream> stream;
  if (ProductPackage->Extract(name, stream) || SetupPackage->Extract(name, stream)) return stream;
  throw EInstallerInstallError(zoFormat(L"Cannot locate \"%s\" file in setup archive", name));
}

void TSetupResources::ViewFile(std::wstring_view name, const uint8_t*& data, int64_t& size) {
  if (ProductPackage->View(name, data, size) || SetupPackage->View(name, data, size)) return;
  throw EInstallerInstallError(zoFormat(L"Cannot locate \"%s\" file in setup archive", name));
}

std::unique_ptr<TZORStringList> TSetupResources::LoadStrings(std::wstring_view name) {
  auto list = std::make_unique<TZORStringList>();
  list->LoadFromStream(*OpenFile(name));
  return list;
}

std::wstring TSetupResources::GetLangText(std::wstring_view section, std::wstring_view key) {
  return ExpandMacros(Lang.ReadString(section, key));
}

std::wstring TSetupResources::GetLangFamily() { return Lang.ReadString(L"File", L"Family", L"EN"); }

std::wstring TSetupResources::ExpandMacros(std::wstring_view text) {
  // Every value is fetched on every call: a missing product name fails here.
  TSetup& setup = *CurrentSetup;
  TSetupProductInfo& info = setup.ProductInfo();
  std::wstring dest = setup.DestPath(), temp = zoTempPath(), link = info.HomePage(), name = info.ProductName(),
               version = info.FullVersion();
  std::wstring s(text);
  Replace(s, L"\\n", L"\r\n");
  Replace(s, L"$DEST", dest);
  Replace(s, L"$TEMP", temp);
  Replace(s, L"$LINK", link);
  Replace(s, L"$NAME", name);
  Replace(s, L"$VERSION", version);
  Replace(s, L"$DESKTOP", DesktopPath);
  Replace(s, L"$STARTMENU", StartMenuPath);
  Replace(s, L"$PROGRAMS", ProgramFilesPath);
  return s;
}

std::wstring TSetupResources::ExpandPath(std::wstring_view path) { return zoValidatePath(ExpandMacros(path)); }

std::unique_ptr<TMemoryStream> TSetupResources::GetLicenseStream() {
  TSetupScriptFile* entry = nullptr;
  if (!Script.License.Find(GetLangFamily(), entry) && !Script.License.Find(L"EN", entry)) return nullptr;
  return OpenFile(entry->Name);
}

void TSetupResources::InitializeLanguages(bool showDialog) {
  Lang.LoadFromStream(*OpenFile(L"English.lng"));
  int chosen = gChooser.load()(*this, showDialog);
  LangName = chosen < 0 || chosen >= Languages.Count() ? std::wstring(L"English.lng") : Languages[chosen];
  TZORIniFile language;
  language.LoadFromStream(*OpenFile(LangName));
  LangName = zoExtractFileNameWithoutExt(LangName);
  Lang.Merge(language, true);
}
