#include "zor/base/Exceptions.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {
[[gnu::noinline]] void RaiseFromHere() { throw EReadError(SReadError); }
}  // namespace

TEST(Exceptions, ClassMessageAndCallStack) {
  try {
    RaiseFromHere();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), L"EReadError");
    EXPECT_EQ(e.Message(), L"Stream read error");
    EXPECT_STREQ(e.what(), "Stream read error");
    ASSERT_FALSE(e.StackFrames().empty());
    std::wstring trace = e.StackTrace();
    EXPECT_NE(trace.find(L"zor_base_tests.exe+0x"), std::wstring::npos) << trace;
  }
}

TEST(Exceptions, OSErrorMessage) {
  try {
    zoRaiseOSError(ERROR_FILE_NOT_FOUND);
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, 2u);
    EXPECT_EQ(e.Message().rfind(L"System Error.  Code: 2.\r\n", 0), 0u);
    EXPECT_GT(e.Message().size(), 26u);  // the system's text follows
  }
}
