#include <gtest/gtest.h>

#include "tests/e2e/E2E.h"

namespace {
const std::map<std::wstring, std::string> kEnglish = {
    {L"English.lng", "[File]\r\nName=English\r\nLangId=1033\r\nFamily=EN\r\n[Common]\r\nE4=Setup was stopped.\r\n"}};

std::map<std::wstring, std::string> SetupData(const std::string& settings) {
  auto files = kEnglish;
  files[L"Install.xml"] = "<install><product><Settings>" + settings + "</Settings></product></install>";
  return files;
}

class SetupRun : public ::testing::Test {
protected:
  std::wstring Build(const std::map<std::wstring, std::string>& setupFiles) {
    std::wstring name = L"case" + std::to_wstring(++Count);
    WriteTree(Dir / (name + L"\\setup\\"), setupFiles);
    WriteTree(Dir / (name + L"\\product\\"), {{L"QOLT.exe", "MZ"}});
    std::wstring exe = Dir / (name + L"\\QOLTSetup.exe");
    EXPECT_TRUE(BuildSetup(Dir / (name + L"\\setup"), Dir / (name + L"\\product"), exe));
    return exe;
  }
  TTestDir Dir;
  int Count = 0;
};
}  // namespace

TEST_F(SetupRun, FailuresEndInOneSetupBox) {
  const std::string named = "<S name=\"ProductName\" value=\"QOLT\"/>";
  const struct {
    std::wstring Exe;
    std::wstring Args;
    std::wstring Starts;  // the class and the message (or the message alone, where two paths lead to it)
  } cases[] = {
      {SetupStub(), L"/AUTO /SILENT", L"EResNotFound: Resource SETUP not found"},
      {Build(SetupData("<S name=\"Publisher\" value=\"QOLT Team\"/>")), L"/AUTO /SILENT", L"Setup has wrong config"},
      {Build(SetupData(named)), L"/AUTO /UPDATE", L"EInstallerUpdateError: Cannot install update on v0.00"},
      {Build({{L"Install.xml", "<install><product><Settings>" + named + "</Settings></product></install>"}}), L"/AUTO /SILENT",
       L"EInstallerInstallError: Cannot locate \"English.lng\" file in setup archive"},
      {Build(SetupData(named)), L"", L"EInstallerGeneralError: The setup wizard is not available"},
  };
  for (const auto& c : cases) {
    TSetupRun run = RunSetup(c.Exe, c.Args);
    EXPECT_TRUE(run.Box) << c.Args;
    // Without a product name the run stops at the first text it expands: while the
    // controller is made, or, when an installed copy names the folder, in the first action.
    EXPECT_NE(run.BoxText.find(c.Starts), std::wstring::npos) << run.BoxText;
    EXPECT_NE(run.BoxText.find(L"Call stack:"), std::wstring::npos) << run.BoxText;
    EXPECT_TRUE(run.Ended);
  }
}

TEST_F(SetupRun, SilentRunWithNothingToDoShowsNothing) {
  std::wstring exe = Build(SetupData("<S name=\"ProductName\" value=\"QOLT\"/>"));
  TSetupRun run = RunSetup(exe, L"/AUTO=\"" + Dir.Path + L"Dest\\\" /SILENT");
  EXPECT_TRUE(run.Ended);
  EXPECT_FALSE(run.Box) << run.BoxText;
}
