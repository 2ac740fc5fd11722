#include "zor/base/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, ParameterString) {
  const struct {
    const wchar_t* Line;
    const wchar_t* Params;
  } cases[] = {
      {L"\"C:\\Program Files\\Setup.exe\" /AUTO", L"/AUTO"},
      {L"C:\\Setup.exe /AUTO /SILENT", L"/AUTO /SILENT"},
      {L"C:\\My Files\\Setup.exe /AUTO", L"Files\\Setup.exe /AUTO"},  // unquoted ends at the space
      {L"'C:\\My Files\\Setup.exe' /RUN", L"/RUN"},
      {L"  \"C:\\Setup.exe\"   ", L""},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(zoGetCommandLineParams(c.Line), c.Params) << c.Line;
}

TEST(CommandLine, ParsedForms) {
  const struct {
    const wchar_t* Line;
    const wchar_t* Text;
  } cases[] = {
      {L"/AUTO=\"D:\\Program Files\\QOLT\\\" /RUN", L"AUTO=<D:\\Program Files\\QOLT\\> RUN"},
      {L"a b", L"=<a b>"},
      {L"a b /X", L"=<a b> X"},
      {L"/SKIPUAC=123 /AUTO", L"SKIPUAC=<123> AUTO"},
      {L"/A=x;y", L"A=<x><y>"},
      {L"/A=x y", L"A=<x> =<y>"},
      {L"/A= /B", L"A B"},
      {L"/PATH=\"\"", L"PATH"},
      {L"abc -x", L"=<abc -x>"},
      {L"-x", L"x"},
      {L"/A -x", L"A x"},
      {L"/A=\"unterminated", L"A=<unterminated>"},
      {L"\"unterminated /A", L"=<\"unterminated> A"},
      {L"C:\\a D:\\b", L"=<C:\\a><D:\\b>"},
      {L"x \\\\srv\\share", L"=<x><\\\\srv\\share>"},
      {L"a / b", L"=<a / b>"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(TZORCommandLineProcessor::Parse(c.Line)->ToString(), c.Text) << c.Line;
}

TEST(CommandLine, Lookups) {
  const wchar_t* line = L"/auto=\"D:\\Program Files\\QOLT\\\" /RUN /X=1;2 /x=3 /PATH=\"\"";
  const struct {
    const wchar_t* Name;
    bool Found;
    const wchar_t* Value;
  } cases[] = {{L"AUTO", true, L"D:\\Program Files\\QOLT\\"}, {L"run", true, L""}, {L"X", true, L"1;2"},
               {L"PATH", true, L""}, {L"SILENT", false, L""}, {L"AUT", false, L""}};
  for (const auto& c : cases) {
    std::wstring value = L"junk";
    EXPECT_EQ(zoCommandLineGetSwitch(line, c.Name, value), c.Found) << c.Name;
    EXPECT_EQ(value, c.Value) << c.Name;
    EXPECT_EQ(zoCommandLineHasSwitch(line, c.Name), c.Found) << c.Name;
  }
  EXPECT_FALSE(zoCommandLineHasSwitch(L"no switches here", L"here"));
}
