// Files written by one implementation of the profile service are read by the
// other. fixtures/native_written.ini was made by our own writer and
// fixtures/system_written.ini by the system's functions under Windows, both
// from the same starting file and the same writes; each build checks that it
// still writes its own fixture byte for byte and reads both to the same values.
// Set NUV_WRITE_FIXTURES=1 to write the fixture of the running build instead.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/profile.h"
#include "temp_folder.h"

namespace {

// Found before any test changes the current folder.
const std::filesystem::path kFixtures =
    std::filesystem::absolute(std::filesystem::path(__FILE__).parent_path() / "fixtures");

// An untidy file as a person might leave it: LF line breaks, a comment,
// blank lines, blanks around '=' and no final line break.
const char kStart[] =
    "; NUV settings\n"
    "[PARAMS]\n"
    "SERVICE = 2\n"
    "  version=6.0  \n"
    "\n"
    "Name1=Alice\n"
    "OBXPROTOWIN=W\n"
    "[Other]\n"
    "keep=this";

void ApplyWrites(const std::string &path) {
  const char *p = path.c_str();
  ASSERT_EQ(1, PlatWriteProfileString("PARAMS", "service", "3", p));
  ASSERT_EQ(1, PlatWriteProfileString("PARAMS", "NUMBER1", " (204) 555-3636", p));
  ASSERT_EQ(1, PlatWriteProfileString("Extra", "A", "1", p));
  ASSERT_EQ(1, PlatWriteProfileString("PARAMS", "NAME1", nullptr, p));
  ASSERT_EQ(1, PlatWriteProfileString("Other", "keep2", "x", p));
  ASSERT_EQ(1, PlatWriteProfileString("PARAMS", "NAME2", "", p));
}

const char *OwnFixture() { return kSystemProfile ? "system_written.ini" : "native_written.ini"; }

using ProfileCross = TempFolderTest;

TEST_F(ProfileCross, WritesItsOwnFixtureByteForByte) {
  Put(kStart);
  ApplyWrites(ini_);
  const std::string written = Slurp();
  const std::string fixture = (kFixtures / OwnFixture()).string();
  const char *regenerate = std::getenv("NUV_WRITE_FIXTURES");
  if (regenerate && regenerate[0] == '1') PutFile(fixture, written);
  EXPECT_EQ(ReadFile(fixture), written);
}

TEST_F(ProfileCross, ReadsTheFilesOfBothImplementations) {
  for (const char *name : {"native_written.ini", "system_written.ini"}) {
    SCOPED_TRACE(name);
    const std::string fixture = ReadFile((kFixtures / name).string());
    ASSERT_FALSE(fixture.empty());
    Put(fixture);
    struct Case {
      const char *section, *key, *want;
    } cases[] = {
        {"PARAMS", "SERVICE", "3"},          {"PARAMS", "VERSION", "6.0"},
        {"PARAMS", "NUMBER1", "(204) 555-3636"}, {"PARAMS", "NAME1", "<default>"},
        {"PARAMS", "NAME2", ""},             {"PARAMS", "OBXPROTOWIN", "W"},
        {"Other", "keep", "this"},           {"Other", "keep2", "x"},
        {"Extra", "A", "1"},
    };
    for (const Case &c : cases) EXPECT_EQ(c.want, Get(c.section, c.key)) << c.key;

    // And it takes further writes the same way.
    ASSERT_EQ(1, Write("PARAMS", "SERVICE", "4"));
    ASSERT_EQ(1, Write("Extra", "B", "2"));
    EXPECT_EQ("4", Get("PARAMS", "SERVICE"));
    EXPECT_EQ("2", Get("Extra", "B"));
    EXPECT_EQ("1", Get("Extra", "A"));
    EXPECT_EQ("this", Get("Other", "keep"));
  }
}

}  // namespace
