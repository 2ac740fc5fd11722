#include "setup/core/Setup.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <vector>

#include "setup/core/Actions.h"
#include "setup/core/Errors.h"
#include "tests/setup/SetupFixture.h"
#include "zor/base/Threads.h"
#include "zor/utils/Common.h"
#include "zor/utils/Shell.h"

namespace {
// A product whose answers and actions the tests set.
struct TTestProduct {
  static inline bool CanUpdate = false, Portable = false;
  static inline int32_t Version = 0;
  static inline std::vector<TSetupActionClass> Actions;
  static inline std::vector<int> Ran;
  static inline HANDLE ThirdStarted = nullptr;
};

class TTestProductInfo : public TSetupProductInfo {
public:
  bool CanUpdate() override { return TTestProduct::CanUpdate; }
  bool IsPortable() override { return TTestProduct::Portable; }
  int32_t InstalledVersion() override { return TTestProduct::Version; }
  void Reload() override {}
  void PopulateActions(const TSetupActionClassReceiver& r) override {
    for (auto cls : TTestProduct::Actions) r(cls);
  }
  void PopulatePages(const TSetupPageClassReceiver&) override {}
};

template <int N>
class TStepAction : public TSetupAction {
public:
  void Execute() override {
    TTestProduct::Ran.push_back(N);
    SetStatusText(L"step " + std::to_wstring(N));
    SetProgress(50);
    if (N == 3 && TTestProduct::ThirdStarted) {
      SetEvent(TTestProduct::ThirdStarted);
      Sleep(400);
    }
  }
};

class TFailingAction : public TSetupAction {
public:
  void Execute() override {
    TTestProduct::Ran.push_back(-1);
    throw EInstallerInstallError(L"Cannot copy \"a\" to \"b\"");
  }
};

// Asks the window thread a question, as the file-in-use dialog does.
class TAskingAction : public TSetupAction {
public:
  void Execute() override {
    bool onMain = false;
    zoSynchronize([&] { onMain = zoIsMainThread(); });
    TTestProduct::Ran.push_back(onMain ? 100 : -100);
  }
};

template <class A>
std::unique_ptr<TSetupAction> Make() {
  return std::make_unique<A>();
}

struct TRecorder : IInstallerNotify {
  std::vector<std::pair<int32_t, intptr_t>> Calls;
  std::vector<std::wstring> Texts;
  void Notify(int32_t code, intptr_t data) override {
    Calls.emplace_back(code, data);
    if (code == ncStatusText) Texts.push_back(*reinterpret_cast<std::wstring*>(data));
  }
  int Count(int32_t code) const {
    int n = 0;
    for (const auto& c : Calls) n += c.first == code;
    return n;
  }
};

class SetupTest : public ::testing::Test {
protected:
  void SetUp() override {
    ProductInfoClass = []() -> std::unique_ptr<TSetupProductInfo> { return std::make_unique<TTestProductInfo>(); };
    TTestProduct::CanUpdate = TTestProduct::Portable = false;
    TTestProduct::Version = 0;
    TTestProduct::Actions.clear();
    TTestProduct::Ran.clear();
  }
  std::unique_ptr<TSetup> Make(const std::wstring& params, const TTestFiles& setup = TestSetupData(),
                               const TTestFiles& product = {{L"QOLT.exe", "MZ"}}) {
    Module.reset();
    std::wstring exe = Dir / (L"Setup" + std::to_wstring(++Built) + L".exe");
    MakeSetupExe(exe, setup, product);
    Module = std::make_unique<TTestSetupModule>(exe);
    return std::make_unique<TSetup>(params, Module->Environment());
  }
  TTestDir Dir;
  int Built = 0;
  std::unique_ptr<TTestSetupModule> Module;
};
}  // namespace

TEST_F(SetupTest, SwitchesGiveModeFlagsAndDestination) {
  const std::wstring programs = zoGetSpecialFolderPath(38);
  const std::wstring custom = Dir / L"Custom\\";
  const std::wstring quoted = L"\"" + custom + L"\"";
  const struct {
    std::wstring Params;
    bool CanUpdate, Portable;
    uint8_t Flags;
    std::wstring Dest;
  } cases[] = {
      {L"", false, false, 0, programs + L"QOLT\\"},
      {L"", true, false, SetupFlag(soUpdate), programs + L"QOLT\\"},
      {L"/AUTO", false, false, SetupFlag(soAuto), programs + L"QOLT\\"},
      {L"/auto=" + quoted + L" /SILENT /NOBACKUP /RUN", false, false,
       SetupFlag(soAuto) | SetupFlag(soSilent) | SetupFlag(soNoBackup) | SetupFlag(soRun), custom},
      {L"/AUTO /PORTABLE", false, false, SetupFlag(soAuto), programs + L"QOLT\\"},  // program files: never portable
      {L"/AUTO=" + quoted + L" /PORTABLE", false, false, SetupFlag(soAuto) | SetupFlag(soPortable), custom},
      {L"/AUTO /UPDATE /SILENT /PORTABLE", true, false, SetupFlag(soAuto) | SetupFlag(soUpdate), programs + L"QOLT\\"},
      {L"/AUTO=" + quoted, true, true, SetupFlag(soAuto) | SetupFlag(soUpdate) | SetupFlag(soPortable), custom},
      {L"/SILENT /PORTABLE", false, false, 0, programs + L"QOLT\\"},  // without AUTO nothing else is read
  };
  for (const auto& c : cases) {
    TTestProduct::CanUpdate = c.CanUpdate;
    TTestProduct::Portable = c.Portable;
    auto setup = Make(c.Params);
    setup->Validate();  // as Start does
    EXPECT_EQ(setup->Mode(), TSetupMode::smInstall) << c.Params;
    EXPECT_EQ(setup->Flags(), c.Flags) << c.Params;
    EXPECT_EQ(setup->DestPath(), c.Dest) << c.Params;
  }
}

TEST_F(SetupTest, RefusalsAndFixedOptions) {
  const struct {
    int32_t Version;
    const wchar_t* Message;
  } versions[] = {{0, L"Cannot install update on v0.00"}, {4512, L"Cannot install update on v4.51"},
                  {3505, L"Cannot install update on v3.50"}};
  for (const auto& v : versions) {
    TTestProduct::Version = v.Version;
    try {
      Make(L"/AUTO /UPDATE");
      ADD_FAILURE();
    } catch (const EInstallerUpdateError& e) {
      EXPECT_EQ(e.Message(), v.Message);
    }
    EXPECT_EQ(CurrentSetup, nullptr);
  }
  auto setup = Make(L"/AUTO");
  EXPECT_THROW(setup->SetOption(soSilent, true), EInstallerMysteryError);
  setup->SetOption(9, true);
  EXPECT_EQ(setup->Flags(), SetupFlag(soAuto));
  EXPECT_FALSE(setup->HasOption(9));
  setup->SetOption(soNoBackup, true);
  EXPECT_TRUE(setup->HasOption(soNoBackup));
  setup->SetOption(soUpdate, true);  // the product says no
  EXPECT_FALSE(setup->HasOption(soUpdate));
}

TEST_F(SetupTest, UninstallModeFromTheProductPackage) {
  const struct {
    const wchar_t* Params;
    uint8_t Flags;
  } cases[] = {{L"", 0}, {L"/SILENT", 0}, {L"/AUTO", SetupFlag(soAuto)}, {L"/AUTO /SILENT", SetupFlag(soAuto) | SetupFlag(soSilent)}};
  for (const auto& c : cases) {
    auto setup = Make(c.Params, TestSetupData(), {{L"Uninstall.ini", "[Files]\r\n"}});
    EXPECT_EQ(setup->Mode(), TSetupMode::smUninstall);
    EXPECT_EQ(setup->Flags(), c.Flags) << c.Params;
  }
}

TEST_F(SetupTest, ResourcesFilesLanguagesAndMacros) {
  TTestFiles setupData = TestSetupData();
  setupData[L"Skin9.lng"] = "[File]\r\nLangId=7\r\n";
  setupData[L"skin10.lng"] = "[File]\r\nLangId=8\r\n";
  setupData[L"both.txt"] = "from SETUP";
  auto setup = Make(L"/AUTO", setupData, {{L"both.txt", "from PRODUCT"}, {L"Extra.lng", "[File]\r\n"}});
  TSetupResources& r = setup->Resources();
  EXPECT_EQ(r.Languages.GetDelimitedText(L",", false), L"English.lng,German.lng,Skin9.lng,skin10.lng");
  auto both = r.OpenFile(L"BOTH.TXT");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(both->Memory()), both->Size()), "from PRODUCT");
  EXPECT_NO_THROW(r.OpenFile(L"Extra.lng"));
  try {
    r.OpenFile(L"missing.png");
    FAIL();
  } catch (const EInstallerInstallError& e) {
    EXPECT_EQ(e.Message(), L"Cannot locate \"missing.png\" file in setup archive");
  }
  const std::wstring dest = setup->DestPath();
  EXPECT_EQ(r.ExpandMacros(L"$DEST\\Skins"), dest + L"\\Skins");
  EXPECT_EQ(r.ExpandPath(L"$DEST\\Skins"), dest + L"Skins");
  EXPECT_EQ(r.ExpandMacros(L"$dest stays, $NAME\\nline"), L"$dest stays, QOLT\r\nline");
  EXPECT_EQ(r.ExpandMacros(L"$DESKTOP|$STARTMENU|$PROGRAMS"),
            r.DesktopPath + L"|" + r.StartMenuPath + L"|" + r.ProgramFilesPath);
  EXPECT_EQ(r.ProgramFilesX86Path, r.ProgramFilesPath.substr(0, r.ProgramFilesPath.size() - 1) + L" (x86)\\");
}

TEST_F(SetupTest, LanguageChoiceMergesOverEnglish) {
  const struct {
    uint16_t UI;
    const wchar_t* Name;
    const wchar_t* A1;
    const wchar_t* Family;
    const char* License;
  } cases[] = {
      {1031, L"German", L"QOLT wird beendet", L"DE", "{\\rtf1 Deutsch}"},
      {1049, L"English", L"Closing QOLT", L"EN", "{\\rtf1 English}"},  // no Russian file: English (1033)
  };
  for (const auto& c : cases) {
    static uint16_t ui;
    ui = c.UI;
    zoSetUserUILanguageSource([] { return ui; });
    auto setup = Make(L"/AUTO");
    setup->Resources().InitializeLanguages(false);
    zoSetUserUILanguageSource(nullptr);
    TSetupResources& r = setup->Resources();
    EXPECT_EQ(r.LangName, c.Name);
    EXPECT_EQ(r.GetLangText(L"Common", L"A1"), c.A1);
    EXPECT_EQ(r.GetLangText(L"Common", L"OnlyEnglish"), L"kept");
    EXPECT_EQ(r.GetLangFamily(), c.Family);
    auto license = r.GetLicenseStream();
    ASSERT_TRUE(license);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(license->Memory()), license->Size()), c.License);
  }
}

TEST_F(SetupTest, ProductInformationFromSettings) {
  auto setup = Make(L"/AUTO", TestSetupData("<S name=\"ProductName\" value=\"QOLT\"/><S name=\"ProductVersion\" value=\"5.50\"/>"
                                            "<S name=\"ProductVersionId\" value=\"5.40\"/><S name=\"HomePage\" value=\"qolt.example\"/>"));
  TSetupProductInfo& info = setup->ProductInfo();
  EXPECT_EQ(info.FullVersion(), L"5.50, ");
  EXPECT_EQ(info.ProductVersionId(), 0);
  EXPECT_EQ(info.HomePage(), L"qolt.example");
  EXPECT_EQ(info.DefaultDestination(), setup->Resources().ProgramFilesPath + L"QOLT\\");
  EXPECT_EQ(TSetupProductInfo::VersionText(4090), L"4.09");
  EXPECT_EQ(TSetupProductInfo::VersionText(5400), L"5.40");
  setup.reset();
  try {
    Make(L"/AUTO", TestSetupData("<S name=\"Publisher\" value=\"x\"/>"));
    FAIL();
  } catch (const EInstallerGeneralError& e) {
    EXPECT_EQ(e.Message(), L"Setup has wrong config");
  }
}

TEST_F(SetupTest, RunWithAFailingSecondAction) {
  TTestProduct::Actions = {&::Make<TStepAction<1>>, &::Make<TFailingAction>, &::Make<TStepAction<3>>, &::Make<TStepAction<4>>};
  auto setup = Make(L"/AUTO /SILENT");
  setup->Resources().InitializeLanguages(false);
  TRecorder recorder;
  setup->AddListener(&recorder);
  setup->Start(true);
  EXPECT_EQ(TTestProduct::Ran, (std::vector<int>{1, -1}));
  ASSERT_EQ(setup->Errors.Count(), 1);
  EXPECT_EQ(setup->Errors[0].rfind(L"Cannot copy \"a\" to \"b\"\r\n--------------------\r\n", 0), 0u);
  EXPECT_EQ(setup->Errors[0].substr(setup->Errors[0].size() - 22), L"\r\n--------------------");
  ASSERT_FALSE(recorder.Calls.empty());
  EXPECT_EQ(recorder.Calls.back(), std::make_pair(int32_t(ncFinished), intptr_t(0)));
  EXPECT_EQ(recorder.Count(ncFinished), 1);
  EXPECT_EQ(recorder.Count(ncProgress), recorder.Count(ncProgressShown));
  EXPECT_EQ(recorder.Texts, std::vector<std::wstring>{L"step 1"});
  // The last progress: action 1 done (100), action 2 at 0 of four actions.
  int32_t last = 0;
  for (const auto& c : recorder.Calls)
    if (c.first == ncProgress) last = static_cast<int32_t>(c.second);
  EXPECT_EQ(last >> 16, 25);
  EXPECT_EQ(setup->State(), TSetupState::ssFinished);
  setup->Start(true);  // a second run does nothing
  EXPECT_EQ(TTestProduct::Ran.size(), 2u);
  setup->RemoveListener(&recorder);
}

TEST_F(SetupTest, StoppingDuringTheThirdOfFive) {
  TTestProduct::Actions = {&::Make<TStepAction<1>>, &::Make<TStepAction<2>>, &::Make<TStepAction<3>>,
                           &::Make<TStepAction<4>>, &::Make<TStepAction<5>>};
  TTestProduct::ThirdStarted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto setup = Make(L"/AUTO");
  setup->Resources().InitializeLanguages(false);
  TRecorder recorder;
  setup->AddListener(&recorder);
  setup->Start(false);
  ASSERT_TRUE(zoWaitForHandle(TTestProduct::ThirdStarted, 10000));
  setup->FreeThread();
  CloseHandle(TTestProduct::ThirdStarted);
  TTestProduct::ThirdStarted = nullptr;
  EXPECT_EQ(TTestProduct::Ran, (std::vector<int>{1, 2, 3}));
  ASSERT_FALSE(recorder.Calls.empty());
  EXPECT_EQ(recorder.Calls.back(), std::make_pair(int32_t(ncFinished), intptr_t(1)));
  ASSERT_EQ(setup->Errors.Count(), 1);
  EXPECT_EQ(setup->Errors[0], L"Setup was stopped.");
  setup->RemoveListener(&recorder);
}

TEST_F(SetupTest, EmptyRunsAndQuestionsToTheWindowThread) {
  auto setup = Make(L"/AUTO");
  TRecorder recorder;
  setup->AddListener(&recorder);
  setup->Start(true);
  EXPECT_EQ(recorder.Calls, (std::vector<std::pair<int32_t, intptr_t>>{{ncFinished, 0}}));
  setup->RemoveListener(&recorder);

  TTestProduct::Actions = {&::Make<TAskingAction>};
  auto asking = Make(L"/AUTO /SILENT");
  asking->Start(true);  // the window thread waits and still answers
  EXPECT_EQ(TTestProduct::Ran, std::vector<int>{100});
  EXPECT_FALSE(asking->HasErrors());

  EXPECT_THROW(
      {
        auto s = Make(L"/AUTO");
        s->SetDestPath(L"");
        s->Start(false);
      },
      EInstallerInstallError);
}

TEST(ActionList, AverageAndSummary) {
  TSetupActionList list;
  EXPECT_EQ(list.AverageProgress(), 0);
  TSetupSummaryBuilder summary;
  summary.AddHeader(L"Unused");
  summary.AddHeader(L"Destination folder:");
  summary.AddItem(L"C:\\QOLT");
  summary.AddItem(L"portable");
  summary.AddHeader(L"Shortcuts");
  summary.AddItem(L"Desktop");
  EXPECT_EQ(summary.ToString(), L"Destination folder:\r\n * C:\\QOLT\r\n * portable\r\n\r\nShortcuts:\r\n * Desktop\r\n");
}
