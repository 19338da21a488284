// The rules of the private-profile service. The same tests run natively (our
// own reader and writer) and under Windows (the system's functions), so both
// are held to one contract; where the native writer promises more (every other
// line kept byte for byte in any shape of file) the test says so.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/profile.h"
#include "temp_folder.h"

namespace {

using ProfileContract = TempFolderTest;

const std::string kFifty = "12345678901234567890123456789012345678901234567890";

TEST_F(ProfileContract, MissingFileGivesTheDefaultWithoutTrailingBlanks) {
  EXPECT_EQ("abc", Get("PARAMS", "SERVICE", "abc"));
  EXPECT_EQ("a b", Get("PARAMS", "SERVICE", "a b  "));
  EXPECT_EQ("", Get("PARAMS", "SERVICE", nullptr));
  EXPECT_EQ("ab", Get("PARAMS", "SERVICE", "abc", 3));

  char buf[4] = "xyz";
  EXPECT_EQ(0, PlatGetProfileString("PARAMS", "SERVICE", "abc", buf, 0, ini_.c_str()));
  EXPECT_STREQ("xyz", buf);
  EXPECT_EQ(0, PlatGetProfileString("PARAMS", "SERVICE", "abc", buf, 1, ini_.c_str()));
  EXPECT_STREQ("", buf);
  EXPECT_FALSE(std::filesystem::exists(ini_)) << "reading never creates the file";
}

TEST_F(ProfileContract, LookupIgnoresCaseTrimsValuesAndCutsToTheBuffer) {
  Put("[Other]\r\n"
      "NAME1=other section\r\n"
      "[params]\r\n"
      "SERVICE=4\r\n"
      "  Name1 =  Bob Smith  \r\n"
      "EMPTY=\r\n"
      "QUOTED=\"Bob\"\r\n"
      "SINGLE='x'\r\n"
      "HALF=\"abc\r\n"
      "LONE=\"\r\n"
      "NOEQUALS\r\n"
      "TABBED=\tx y\t\r\n"
      "LONG=" + kFifty + "\r\n"
      "SERVICE=second of the name\r\n"
      "[PARAMS]\r\n"
      "LATER=in a second section of the name\r\n");
  struct Case {
    const char *section, *key;
    int size;
    std::string want;
  } cases[] = {
      {"PARAMS", "SERVICE", 256, "4"},
      {"Params", "service", 256, "4"},
      {"PARAMS", "NAME1", 256, "Bob Smith"},
      {"other", "name1", 256, "other section"},
      {"PARAMS", "EMPTY", 256, ""},  // present but empty is not missing here
      {"PARAMS", "QUOTED", 256, "Bob"},
      {"PARAMS", "SINGLE", 256, "x"},
      {"PARAMS", "HALF", 256, "\"abc"},
      {"PARAMS", "LONE", 256, "\""},
      {"PARAMS", "NOEQUALS", 256, "<default>"},
      {"PARAMS", "TABBED", 256, "x y"},
      {"PARAMS", "LONG", 40, kFifty.substr(0, 39)},
      {"PARAMS", "LONG", 5, "1234"},
      {"PARAMS", "SERVICE", 2, "4"},
      {"PARAMS", "MISSING", 256, "<default>"},
      {"PARAMS", "LATER", 256, "<default>"},  // only the first [PARAMS] counts
      {"NOSUCH", "SERVICE", 256, "<default>"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(c.want, Get(c.section, c.key, "<default>", c.size)) << c.section << "/" << c.key;
}

TEST_F(ProfileContract, IntegersWrapLikeTheSystem) {
  Put("[A]\r\nfour=4\r\nminus=-1\r\ntail=12x\r\nword=abc\r\nempty=\r\nplus=+7\r\n");
  struct Case {
    const char *key;
    unsigned want;
  } cases[] = {{"four", 4}, {"minus", 0xFFFFFFFFu}, {"tail", 12},     {"word", 0},
               {"empty", 9}, {"missing", 9},       {"plus", 7}};
  for (const Case &c : cases)
    EXPECT_EQ(c.want, PlatGetProfileInt("A", c.key, 9, ini_.c_str())) << c.key;
}

TEST_F(ProfileContract, WritesCreateTheFileThenAddKeysAndSections) {
  ASSERT_EQ(1, Write("PARAMS", "SERVICE", "-1"));
  EXPECT_EQ("[PARAMS]\r\nSERVICE=-1\r\n", Slurp());
  ASSERT_EQ(1, Write("PARAMS", "VERSION", "7.0"));
  ASSERT_EQ(1, Write("OTHER", "X", "1"));
  ASSERT_EQ(1, Write("params", "NAME1", "  leading blanks go"));
  ASSERT_EQ(1, Write("PARAMS", "EMPTY", ""));
  EXPECT_EQ("[PARAMS]\r\nSERVICE=-1\r\nVERSION=7.0\r\nNAME1=leading blanks go\r\nEMPTY=\r\n"
            "[OTHER]\r\nX=1\r\n",
            Slurp());
  EXPECT_EQ("", Get("PARAMS", "EMPTY"));

  // A last line without its line break gets one before anything is added.
  Put("[A]\r\nk=1");
  ASSERT_EQ(1, Write("B", "x", "2"));
  EXPECT_EQ("[A]\r\nk=1\r\n[B]\r\nx=2\r\n", Slurp());
  Put("[A]\r\nk=1");
  ASSERT_EQ(1, Write("A", "j", "3"));
  EXPECT_EQ("[A]\r\nk=1\r\nj=3\r\n", Slurp());
}

TEST_F(ProfileContract, ReplacingOneKeyLeavesEveryOtherLineAsItWas) {
  const std::string before =
      "[Before]\r\nNAME1=elsewhere\r\n"
      "[PARAMS]\r\nService=4\r\nOBXPROTOWIN=W\r\nSERVERLIST=1:2\r\nSERVER0=192.0.2.1/10002\r\n"
      "[After]\r\nz=1\r\n";
  Put(before);
  ASSERT_EQ(1, Write("PARAMS", "SERVICE", "5"));
  std::string want = before;
  want.replace(want.find("Service=4"), 9, "Service=5");  // the file's spelling stays
  EXPECT_EQ(want, Slurp());

  ASSERT_EQ(1, Write("PARAMS", "SERVICE", "5"));  // same value: nothing changes
  EXPECT_EQ(want, Slurp());
  ASSERT_EQ(1, Write("PARAMS", "NAME1", "Bob"));  // a key of another section is no match
  want.replace(want.find("[After]"), 0, "NAME1=Bob\r\n");
  EXPECT_EQ(want, Slurp());
  EXPECT_EQ("elsewhere", Get("Before", "NAME1"));
}

TEST_F(ProfileContract, DeletingKeysAndSections) {
  const std::string before = "[A]\r\nk=1\r\nj=2\r\n[B]\r\nq=3\r\n";
  Put(before);
  ASSERT_EQ(1, Write("A", "missing", nullptr));
  EXPECT_EQ(before, Slurp());
  ASSERT_EQ(1, Write("A", "K", nullptr));
  EXPECT_EQ("[A]\r\nj=2\r\n[B]\r\nq=3\r\n", Slurp());
  ASSERT_EQ(1, Write("a", nullptr, nullptr));
  EXPECT_EQ("[B]\r\nq=3\r\n", Slurp());
  EXPECT_EQ("<default>", Get("A", "j"));
}

TEST_F(ProfileContract, AValueNeverBecomesTwoLines) {
  Put("[A]\r\nk=a\r\nb=2\r\n");
  ASSERT_EQ(1, Write("A", "k", "x\r\ny=z"));
  ASSERT_EQ(1, Write("A", "n", "p\nq=r"));
  EXPECT_EQ("x", Get("A", "k"));
  EXPECT_EQ("p", Get("A", "n"));
  EXPECT_EQ("<default>", Get("A", "y"));
  EXPECT_EQ("<default>", Get("A", "q"));
  EXPECT_EQ("[A]\r\nk=x\r\nb=2\r\nn=p\r\n", Slurp());
}

TEST_F(ProfileContract, AWriteThatCannotHappenFailsAndCreatesNothing) {
  const std::string inMissingFolder = (folder_ / "no-such-folder" / "NUV.INI").string();
  EXPECT_EQ(0, PlatWriteProfileString("PARAMS", "SERVICE", "1", inMissingFolder.c_str()));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "no-such-folder"));

  std::filesystem::create_directory(ini_);  // a folder where the file should be
  EXPECT_EQ(0, Write("PARAMS", "SERVICE", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(ini_));
  EXPECT_EQ("<default>", Get("PARAMS", "SERVICE"));
}

// Binary junk, a NUL, an endless line, a lone CR and no final newline do not
// hide the section that follows them, and writing keeps them.
TEST_F(ProfileContract, DamagedFileReadsAndWritesWithinBounds) {
  std::string junk;
  unsigned x = 12345;
  for (int i = 0; i < 3000; ++i) {
    x = x * 1103515245u + 12345u;
    char c = static_cast<char>(x >> 16);
    if (c == '\n' || c == '[') c = '.';
    junk += c;
  }
  junk.push_back('\0');
  const std::string endless(100000, 'L');
  const std::string damaged = junk + "\r\n" + endless + "=" + endless + "\r\n" + "lone\rcr\n" +
                              "[PARAMS]\r\nUSERID=(204) 555-3636\r\nLAST=" + endless;
  Put(damaged);
  EXPECT_EQ("(204) 555-3636", Get("PARAMS", "USERID"));
  EXPECT_EQ(endless.substr(0, 39), Get("PARAMS", "LAST", "", 40));
  EXPECT_EQ("<default>", Get("PARAMS", "MISSING"));

  ASSERT_EQ(1, Write("PARAMS", "NAME1", "Bob"));
  ASSERT_EQ(1, Write("PARAMS", "USERID", "(204) 555-0000"));
  EXPECT_EQ("Bob", Get("PARAMS", "NAME1"));
  EXPECT_EQ("(204) 555-0000", Get("PARAMS", "USERID"));
  EXPECT_EQ(endless.substr(0, 39), Get("PARAMS", "LAST", "", 40));
  if (!kSystemProfile) {
    // The junk before the section is copied through untouched.
    const std::string after = Slurp();
    EXPECT_EQ(0, after.compare(0, junk.size(), junk));
    EXPECT_EQ(damaged.size() + std::strlen("\r\nNAME1=Bob\r\n"), after.size());
  }
}

// Our own writer keeps the shape of any file: line breaks of the file's kind,
// blank lines, comments and spacing of the lines it does not change.
TEST_F(ProfileContract, NativeWriterKeepsTheShapeOfTheFile) {
  if (kSystemProfile) GTEST_SKIP() << "the system rewrites the file in its own shape";
  Put("; settings\n[PARAMS]\nSERVICE = 2\n  version=6.0  \n\nName1=Alice\n\n[Other]\nkeep = this");
  ASSERT_EQ(1, Write("PARAMS", "service", "3"));
  ASSERT_EQ(1, Write("PARAMS", "NUMBER1", "(204) 555-3636"));
  ASSERT_EQ(1, Write("Other", "keep2", "x"));
  EXPECT_EQ(
      "; settings\n[PARAMS]\nSERVICE=3\n  version=6.0  \n\nName1=Alice\nNUMBER1=(204) 555-3636\n"
      "\n[Other]\nkeep = this\nkeep2=x\n",
      Slurp());
  ASSERT_EQ(1, Write("New", "a", "1"));
  const std::string after = Slurp();
  const std::string tail = "keep2=x\n[New]\na=1\n";
  EXPECT_EQ(tail, after.substr(after.size() - tail.size()));

  // Each write replaces the file whole and leaves nothing else behind.
  int entries = 0;
  for (const auto &e : std::filesystem::directory_iterator(folder_)) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(1, entries);
}

TEST_F(ProfileContract, NativeWriterKeepsTheFileModeAndAByteOrderMark) {
  if (kSystemProfile) GTEST_SKIP() << "native writer only";
  Put("\xEF\xBB\xBF[A]\r\nk=1\r\n");
  namespace fs = std::filesystem;
  fs::permissions(ini_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ("1", Get("A", "k"));
  ASSERT_EQ(1, Write("A", "k", "2"));
  EXPECT_EQ("\xEF\xBB\xBF[A]\r\nk=2\r\n", Slurp());
  EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
            fs::status(ini_).permissions());
}

}  // namespace
