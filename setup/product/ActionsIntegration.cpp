#include "setup/product/ActionsIntegration.h"

#include <cmath>
#include <initializer_list>

#include "setup/core/Setup.h"
#include "zor/base/INI.h"
#include "zor/utils/Common.h"
#include "zor/utils/FileSystem.h"
#include "zor/utils/Shell.h"

bool SetupIntegrationOption(const wchar_t* key) {
  TSetup& setup = *CurrentSetup;
  bool byDefault = true;
  if (std::wstring_view(key) == L"ShortcutDesktop" || std::wstring_view(key) == L"ShortcutStartMenu")
    byDefault = !setup.HasOption(soPortable);
  return setup.Options.ReadBool(L"Integration", key, byDefault);
}

bool SetupAddonOption(const wchar_t* key) { return CurrentSetup->Options.ReadBool(L"Common", key, false); }

namespace {
struct TSummaryItem {
  const wchar_t* Option;
  const wchar_t* Key;
};

// A heading, then one item for each chosen option.
void AddChosen(TSetupSummaryBuilder& builder, const wchar_t* section, const wchar_t* heading,
               bool (*chosen)(const wchar_t*), std::initializer_list<TSummaryItem> items) {
  builder.AddHeaderText(section, heading);
  for (const auto& item : items)
    if (chosen(item.Option)) builder.AddItemText(section, item.Key);
}
}  // namespace

void TSetupActionAddonsInstall::Execute() {
  const bool viewer = SetupAddonOption(L"AddonsViewer"), extensions = SetupAddonOption(L"AddonsExtensions"),
             shortcuts = SetupAddonOption(L"AddonsShortcuts");
  if (!viewer && !extensions && !shortcuts) return;
  std::unique_ptr<TZORStringList> ini = Resources().LoadStrings(L"addons.ini");
  std::wstring installer = zoExpandFileName(zoTempPath() + ini->Values(L"P4"));
  {
    std::unique_ptr<TMemoryStream> program = Resources().OpenFile(ini->Values(L"P4"));
    TZORBufferedFileStream out(installer, fmCreate);
    program->SaveToStream(out);
    out.Flush();
  }
  std::wstring switches;
  if (!extensions) switches += ini->Values(L"P1") + L" ";
  if (viewer) switches += ini->Values(L"P2") + L" ";
  if (shortcuts) switches += ini->Values(L"P3") + L" ";
  zoShellOpen(installer, zoFormat(ini->Values(L"CL"), switches));
}

void TSetupActionAddonsInstall::BuildSummary(TSetupSummaryBuilder& builder) {
  AddChosen(builder, L"PageAddons", L"Title", SetupAddonOption,
            {{L"AddonsViewer", L"CB1"}, {L"AddonsExtensions", L"CB2"}, {L"AddonsShortcuts", L"CB3"}});
}

void TSetupActionConfig::Execute() {
  SetStatusText(GetCommonText(L"A6"));
  TSetup& setup = *CurrentSetup;
  TZORIniFile ini(setup.DestPath() + L"QOLT.ini", true);
  ini.WriteSectionText(L"Integration", setup.Options.ReadSectionText(L"Integration"));
  ini.DeleteSection(L"System");
  ini.WriteString(L"System", L"ID", zoCreateGUIDString());
  ini.WriteString(L"System", L"DefaultLang", Resources().LangName + L".lng");
  ini.WriteInteger(L"System", L"UserMode", setup.HasOption(soPortable) ? 0 : 1);
  ini.WriteInteger(L"System", L"Version", ProductInfo().ProductVersionId());
  // Written here rather than by the destructor, so that a failure is not lost.
  ini.AutoSave = false;
  if (!ini.SaveToFile(ini.FileName, ini.Encoding))
    throw Exception(zoFormat(L"Cannot write \"%s\". %s", ini.FileName, zoLastErrorText()));
}

std::wstring TSetupActionIntegrate::Switches() {
  std::wstring switches;
  const bool associate = SetupIntegrationOption(L"AssociateWithFiles");
  if (SetupIntegrationOption(L"IntegrateToWindows")) switches += L" /REG=L1 /REG=D1 /REG=R1";
  if (SetupIntegrationOption(L"RegisterContextMenu")) switches += L" /REG=M1";
  if (associate) switches += L" /REG=R2";
  if (associate && zoCheckWindowsVersion(6, 2) && !CurrentSetup->HasOption(soAuto)) switches += L" /REG_UI";
  return switches;
}

void TSetupActionIntegrate::Execute() {
  const std::wstring tool = CurrentSetup->DestPath() + L"Elevator.exe";
  if (!zoFileExists(tool)) return;
  std::wstring switches = Switches();
  if (switches.empty()) return;
  // Quoted: an unquoted path with spaces could start another program.
  TZORProcess::Execute(L"\"" + tool + L"\"" + switches, pfWait | pfShow);
}

void TSetupActionIntegrate::BuildSummary(TSetupSummaryBuilder& builder) {
  AddChosen(builder, L"PageIntegration", L"LB2", SetupIntegrationOption,
            {{L"IntegrateToWindows", L"CB4"}, {L"RegisterContextMenu", L"CB5"}, {L"AssociateWithFiles", L"CB3"}});
}

void TSetupActionShortcuts::Execute() {
  SetStatusText(GetCommonText(L"A2"));
  if (SetupIntegrationOption(L"ShortcutDesktop")) FMacros.Add(L"$DESKTOP");
  if (SetupIntegrationOption(L"ShortcutStartMenu")) FMacros.Add(L"$STARTMENU");
  const TSetupScriptGroup& group = Script().Shortcuts;
  const bool programsOnly = zoCheckWindowsVersion(6, 2);
  for (int i = 0; i < group.Count(); ++i) {
    const TSetupScriptFile& entry = *group.Items(i);
    std::wstring upper = zoUpperCase(entry.Name);
    bool wanted = false;
    for (const auto& macro : FMacros) wanted = wanted || upper.find(macro.S) != std::wstring::npos;
    std::wstring target = entry.PackageName();
    if (wanted && (!programsOnly || zoFileExtInList(L"*.exe;", zoExtractFileExt(target)))) {
      std::wstring link = Resources().ExpandMacros(entry.Name);
      if (zoForceDirectoriesForFile(link)) {
        target = Resources().ExpandMacros(target);
        std::wstring current;
        if (!(zoFileExists(link) && zoGetShortcutTarget(link, current) && zoSameText(current, target)))
          zoCreateShortcut(link, target);
      }
    }
    SetProgress(static_cast<int32_t>(std::lround((i + 1) * 100.0 / group.Count())));
  }
}

void TSetupActionShortcuts::BuildSummary(TSetupSummaryBuilder& builder) {
  AddChosen(builder, L"PageIntegration", L"LB1", SetupIntegrationOption,
            {{L"ShortcutDesktop", L"CB1"}, {L"ShortcutStartMenu", L"CB2"}});
}

void TSetupActionUpdateShellCache::Execute() { zoNotifyAssociationsChanged(); }
