#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/sys_error.h"

namespace {

TEST(SysError, LastErrorIsTheOneSet) {
  PlatSetLastError(5);
  EXPECT_EQ(5u, PlatLastError());
  PlatSetLastError(0);
  EXPECT_EQ(0u, PlatLastError());
}

TEST(SysError, TextOfAKnownCodeWithoutLineBreakAndCutToSize) {
  char full[256];
  const int n = PlatSysErrorText(2, full, sizeof full);  // file not found
  ASSERT_GT(n, 0);
  EXPECT_EQ(n, static_cast<int>(std::strlen(full)));
  EXPECT_NE('\n', full[n - 1]);
  EXPECT_NE('\r', full[n - 1]);

  char small[5];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(4, PlatSysErrorText(2, small, sizeof small));
  EXPECT_EQ(std::string(full, 4), small);

  EXPECT_EQ(0, PlatSysErrorText(2, nullptr, 10));
  EXPECT_EQ(0, PlatSysErrorText(2, small, 0));
}

}  // namespace
