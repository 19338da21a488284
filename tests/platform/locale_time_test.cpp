#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/locale_time.h"

namespace {

constexpr PlatDateTime kStamp = {1999, 3, 15, 14, 32};

TEST(LocaleTime, TimeWithoutSecondsCountsItsTerminator) {
  char buf[64];
  const int n = PlatFormatTime(kStamp, buf, sizeof buf);
  ASSERT_GT(n, 0);
  EXPECT_EQ(n, static_cast<int>(std::strlen(buf)) + 1);
  const std::string t = buf;
  EXPECT_NE(std::string::npos, t.find("32"));
  EXPECT_EQ(1, static_cast<int>(std::count(t.begin(), t.end(), ':')));  // no seconds
#ifndef _WIN32
  EXPECT_STREQ("14:32", buf);
#endif
}

TEST(LocaleTime, ShortDateCountsItsTerminator) {
  char buf[64];
  const int n = PlatFormatShortDate(kStamp, buf, sizeof buf);
  ASSERT_GT(n, 0);
  EXPECT_EQ(n, static_cast<int>(std::strlen(buf)) + 1);
  const std::string d = buf;
  EXPECT_NE(std::string::npos, d.find("15"));
  EXPECT_NE(std::string::npos, d.find("99"));
#ifndef _WIN32
  EXPECT_STREQ("03/15/1999", buf);
#endif
}

TEST(LocaleTime, TooSmallBufferFailsEmpty) {
  char full[64];
  const int n = PlatFormatTime(kStamp, full, sizeof full);
  ASSERT_GT(n, 1);
  char buf[64];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(0, PlatFormatTime(kStamp, buf, n - 1));
  EXPECT_EQ('\0', buf[0]);
  EXPECT_EQ(n, PlatFormatTime(kStamp, buf, n));  // exactly enough
  EXPECT_STREQ(full, buf);
  EXPECT_EQ(0, PlatFormatShortDate(kStamp, buf, 3));
  EXPECT_EQ('\0', buf[0]);
  EXPECT_EQ(0, PlatFormatTime(kStamp, nullptr, 10));
  EXPECT_EQ(0, PlatFormatShortDate(kStamp, buf, 0));
}

TEST(LocaleTime, ImpossibleStampsFailOnBothCalls) {
  const PlatDateTime bad[] = {
      {1999, 13, 1, 0, 0}, {1999, 0, 1, 0, 0},  {1999, 1, 0, 0, 0},   {1999, 1, 32, 0, 0},
      {1999, 2, 29, 0, 0}, {1900, 2, 29, 0, 0}, {1999, 4, 31, 0, 0},  {1999, 1, 1, 24, 0},
      {1999, 1, 1, 0, 60}, {1600, 1, 1, 0, 0},  {30828, 1, 1, 0, 0},  {99999, 99, 99, 99, 99},
  };
  for (const PlatDateTime &t : bad) {
    char buf[64] = "junk";
    EXPECT_EQ(0, PlatFormatTime(t, buf, sizeof buf)) << t.year << '-' << t.month << '-' << t.day;
    EXPECT_EQ(0, PlatFormatShortDate(t, buf, sizeof buf)) << t.year << '-' << t.month;
    EXPECT_STREQ("", buf);
  }
  const PlatDateTime good[] = {{2000, 2, 29, 0, 0}, {1601, 1, 1, 23, 59}, {2024, 12, 31, 0, 0}};
  for (const PlatDateTime &t : good) {
    char buf[64];
    EXPECT_GT(PlatFormatTime(t, buf, sizeof buf), 0);
    EXPECT_GT(PlatFormatShortDate(t, buf, sizeof buf), 0);
  }
}

}  // namespace
