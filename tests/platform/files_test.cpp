#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/files.h"

namespace {

std::string Full(const char *name) {
  char buf[1024];
  const int n = PlatFullPath(name, buf, sizeof buf);
  EXPECT_EQ(n, static_cast<int>(std::strlen(buf))) << name;
  return buf;
}

TEST(Files, RelativeNamesResolveAgainstTheCurrentFolder) {
  const std::string here = Full(".");
  ASSERT_FALSE(here.empty());
  const std::string sep(1, PlatPathSeparator());
  EXPECT_EQ(here + sep + "CALLER.LOG", Full("CALLER.LOG"));
  EXPECT_EQ(here + sep + "CALLER.LOG", Full("./sub/../CALLER.LOG"));
  EXPECT_EQ(here + sep + "a" + sep + "b.txt", Full("a/./b.txt"));
}

TEST(Files, FullPathFailsEmptyWhenItDoesNotFit) {
  const std::string full = Full("CALLER.LOG");
  char buf[1024];
  std::memset(buf, 'x', sizeof buf);
  const int size = static_cast<int>(full.size());  // one short for the terminator
  EXPECT_EQ(0, PlatFullPath("CALLER.LOG", buf, size));
  EXPECT_EQ('\0', buf[0]);
  EXPECT_EQ(size, PlatFullPath("CALLER.LOG", buf, size + 1));
  EXPECT_EQ(full, buf);
  EXPECT_EQ(0, PlatFullPath("", buf, sizeof buf));
  EXPECT_EQ(0, PlatFullPath(nullptr, buf, sizeof buf));
  EXPECT_EQ(0, PlatFullPath("x", nullptr, 10));
}

#ifndef _WIN32
TEST(Files, AbsoluteNamesAreTidiedNatively) {
  EXPECT_EQ("/a/c", Full("/a/b/../c"));
  EXPECT_EQ("/", Full("/.."));
  EXPECT_EQ("/a/", Full("//a/./"));
}
#endif

TEST(Files, TempFolderEndsInTheSeparator) {
  char buf[512];
  const int n = PlatTempFolder(buf, sizeof buf);
  ASSERT_GT(n, 0);
  EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
  EXPECT_EQ(PlatPathSeparator(), buf[n - 1]);
  char small[2] = {'x', 'x'};
  EXPECT_EQ(0, PlatTempFolder(small, sizeof small));
  EXPECT_EQ('\0', small[0]);
  EXPECT_EQ(0, PlatTempFolder(nullptr, 10));
}

}  // namespace
