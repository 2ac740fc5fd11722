#include "setup/product/ActionExtract.h"

#include "setup/core/ExtractHelper.h"
#include "setup/core/Setup.h"
#include "setup/core/SystemHelpers.h"
#include "setup/core/package/Package.h"
#include "zor/utils/FileSystem.h"

std::vector<const TSetupScriptFile*> TSetupActionExtract::Selection() {
  TSetupResources& r = CurrentSetup->Resources();
  std::wstring family = r.GetLangFamily();
  std::vector<const TSetupScriptFile*> files;
  files.reserve(512);
  for (const auto& entry : r.Script.Components)
    if (entry->IsForFamily(family)) files.push_back(entry.get());
  return files;
}

void TSetupActionExtract::Execute() {
  SetStatusText(GetCommonText(L"A4"));
  std::vector<const TSetupScriptFile*> files = Selection();
  const size_t n = files.size();
  for (size_t i = 0; i < n; ++i) {
    SetProgress(static_cast<int32_t>(100 * (i + 1) / n));
    ExtractFile(*files[i]);
  }
  SetStatusText(GetCommonText(L"A7"));
  WriteUninstallData(files);
}

void TSetupActionExtract::WriteUninstallData(const std::vector<const TSetupScriptFile*>& files) {
  TSetup& setup = *CurrentSetup;
  TSetupResources& r = setup.Resources();
  const std::wstring dest = setup.DestPath();
  const std::wstring uninstaller = dest + L"Uninstall.exe";
  const std::wstring dataFile = dest + zoChangeFileExt(L"Uninstall.exe", L".dat");
  // With no files to extract nothing has made the destination yet.
  setup.ExtractHelper().ForceFolder(dest);
  CopyFileOrRaise(zoSelfFileName(), uninstaller);

  TZORIniFile ini;
  ini.Assign(setup.Options);
  ini.DeleteSection(L"Uninstall");
  // Entries are relative to the destination; the uninstaller puts the destination
  // in front of each, so a target outside it (a macro folder) is not listed.
  auto add = [&](const std::wstring& path) {
    std::wstring full = r.ExpandPath(path);
    if (!zoStartsText(dest, full)) return;
    int32_t count = ini.ReadInteger(L"Uninstall", L"Count", 0);
    ini.WriteString(L"Uninstall", zoIntToStr(count), full.substr(dest.size()));
    ini.WriteInteger(L"Uninstall", L"Count", count + 1);
  };
  for (const TSetupScriptFile* f : files) add(f->Name);
  add(dataFile);
  add(uninstaller);

  TMemoryStream text;
  ini.SaveToStream(text);
  text.SetPosition(0);
  TSetupPackageBuilder builder(SetupPackageKey);
  builder.Add(text, L"Uninstall.ini");
  builder.Commit(dataFile, 4);

  if (!setup.HasOption(soPortable)) {
    TSetupProductInfo& info = setup.ProductInfo();
    TSetupAppRepo::Register(info.ProductName(), uninstaller, info.ProductVersionNo(), info.Publisher(), info.HomePage());
  }
}
