#include <gtest/gtest.h>

#include <cstring>

#include "platform/string_table.h"

TEST(StringTable, LoadsTextsWithEscapesAndCutsToBuffer) {
  char buf[256];
  EXPECT_EQ(10, PlatLoadString(1408, buf, sizeof buf));
  EXPECT_STREQ("NUV: Error", buf);

  ASSERT_GT(PlatLoadString(1414, buf, sizeof buf), 0);
  EXPECT_NE(nullptr, std::strchr(buf, '\n'));

  char small[5];
  EXPECT_EQ(4, PlatLoadString(1408, small, sizeof small));
  EXPECT_STREQ("NUV:", small);
}

TEST(StringTable, MissingIdYieldsEmptyText) {
  char buf[16] = "junk";
  EXPECT_EQ(0, PlatLoadString(4104, buf, sizeof buf));
  EXPECT_STREQ("", buf);
}
