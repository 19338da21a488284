// The account button's target from USERID and SIGNATURE.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config/config.h"
#include "platform/string_table.h"
#include "shell/account.h"

namespace {

class Account : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = Config; }
  void TearDown() override { Config = saved_; }

  static void Set(const char *userId, const char *signature) {
    std::snprintf(Config.USERID, sizeof Config.USERID, "%s", userId);
    std::snprintf(Config.SIGNATURE, sizeof Config.SIGNATURE, "%s", signature);
  }
  static std::string Site() {
    char buf[256];
    PlatLoadString(kProductSiteText, buf, sizeof buf);
    return buf;
  }
  static std::string Target() {
    char out[kAccountTargetSize];
    return MakeAccountTarget(out, sizeof out);
  }

 private:
  ConfigRecord saved_;
};

TEST_F(Account, TargetBySignature) {
  ASSERT_FALSE(Site().empty());
  const struct {
    const char *userId, *signature;
    std::string query;  // "" for the plain product site
  } cases[] = {
      {"(204) 555-3636", "", ""},  // no signature
      {"(204) 555-3636", "abc", ""},  // not a number
      {"(204) 555-3636", "0", ""},
      {"(204) 555-3636", "00", ""},
      {"(204) 555-3636", "12345", "Account.cgi?2045553636,12345"},
      {"2045553636", "7x", "Account.cgi?2045553636,7x"},  // the text itself goes out
      {"(204) 555-3636", "-3", "Account.cgi?2045553636,-3"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(::testing::Message() << c.userId << " / " << c.signature);
    Set(c.userId, c.signature);
    EXPECT_EQ(Site() + c.query, Target());
  }
}

TEST_F(Account, FieldsWithoutTerminatorAndSmallBuffersStayInBounds) {
  // A record filled to the brim: no terminator in either field.
  std::memset(Config.USERID, '5', sizeof Config.USERID);
  std::memset(Config.SIGNATURE, '9', sizeof Config.SIGNATURE);
  const std::string target = Target();
  EXPECT_EQ(Site() + "Account.cgi?" + std::string(39, '5') + "," + std::string(39, '9'), target);

  Set("(204) 555-3636", "12345");
  char out[24];
  std::memset(out, 'X', sizeof out);
  MakeAccountTarget(out, 16);
  EXPECT_NE(nullptr, std::memchr(out, '\0', 16));
  for (int i = 16; i < 24; ++i) EXPECT_EQ('X', out[i]) << i;
}

}  // namespace
