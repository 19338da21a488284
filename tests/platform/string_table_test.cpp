#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

namespace {

struct DefEntry {
  unsigned id;
  const char *text;
};

constexpr DefEntry kMainDef[] = {
#define NUV_STR(id, text) {id, text},
#include "strings.def"
#undef NUV_STR
};

constexpr DefEntry kSetupDef[] = {
#define NUV_STR(id, text) {id, text},
#include "setup_strings.def"
#undef NUV_STR
};

template <size_t N>
void ExpectAscendingUniqueIds(const DefEntry (&table)[N]) {
  for (size_t i = 1; i < N; ++i) EXPECT_LT(table[i - 1].id, table[i].id) << table[i].id;
}

}  // namespace

TEST(StringTable, DefinitionFilesHaveAscendingUniqueIds) {
  ExpectAscendingUniqueIds(kMainDef);
  ExpectAscendingUniqueIds(kSetupDef);
}

// Every text reaches the program exactly as written in the definition file,
// whether compiled into a resource (Windows) or into the code (natively).
TEST(StringTable, EveryTextLoadsBackUnchanged) {
  char buf[1024];
  for (const DefEntry &e : kMainDef) {
    const int n = PlatLoadString(e.id, buf, sizeof buf);
    EXPECT_EQ(static_cast<int>(std::strlen(e.text)), n) << e.id;
    EXPECT_STREQ(e.text, buf) << e.id;
  }
}

TEST(StringTable, FixedTextsOfTheProgram) {
  char buf[256];
  const struct {
    unsigned id;
    const char *text;
  } cases[] = {
      {4096, "11110"},     {4097, "-1"},        {1988, "mailto:%1"},  {1898, "10"},
      {4100, "ambit.hlp"}, {3016, "%1"},        {1600, "callers.txt"},
  };
  for (const auto &c : cases) {
    PlatLoadString(c.id, buf, sizeof buf);
    EXPECT_STREQ(c.text, buf) << c.id;
  }
  // The account page is the site followed by the fixed path and query.
  char site[256], account[256];
  PlatLoadString(1986, site, sizeof site);
  PlatLoadString(1987, account, sizeof account);
  EXPECT_EQ(std::string(site) + "Account.cgi?%1,%2", account);
  EXPECT_GT(PlatLoadString(1984, buf, sizeof buf), 0);
  EXPECT_NE(nullptr, std::strchr(buf, '@'));
}
