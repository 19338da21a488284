// The installation module's number and password rules.

#include <gtest/gtest.h>

#include <string>

#include "setup/rules.h"

using namespace nuvsetup;

TEST(SetupRules, PrettyForms) {
  struct Case {
    const char *typed;
    const char *pretty;
  };
  const Case cases[] = {
      {"2045553636", "(204) 555-3636"},
      {"204-555-3636", "(204) 555-3636"},
      {"(204)555-3636", "(204) 555-3636"},
      {"204 555 3636", "(204) 555-3636"},
      {"5553636", "555-3636"},  // no area code in the module
      {"555 3636", "555-3636"},
      {"1-204-555-3636", "1-204-555-3636"},  // 11 digits stay as typed
      {"", ""},
      {"abc", "abc"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(std::string(MakePhoneNumberPretty(c.typed)), c.pretty);
  }
  const char *odd = "12345";
  EXPECT_EQ(MakePhoneNumberPretty(odd), odd);  // same address: copying back is harmless
}

TEST(SetupRules, PrettyBufferIsClearedBetweenCalls) {
  EXPECT_STREQ(MakePhoneNumberPretty("2045553636"), "(204) 555-3636");
  EXPECT_STREQ(MakePhoneNumberPretty("5553636"), "555-3636");
}

TEST(SetupRules, CrunchReadsAtMostTheModuleBuffer) {
  const std::string digits(200, '5');
  EXPECT_EQ(std::string(CrunchPhoneNumber(digits.c_str())).size(), kRulesTextMax - 1);
  EXPECT_STREQ(CrunchPhoneNumber("(204) 555-3636"), "2045553636");
}

TEST(SetupRules, MonitoredNumberNeedsTenDigits) {
  EXPECT_EQ(NumberVerdict("(204) 555-3636"), kVerdictOk);
  EXPECT_EQ(NumberVerdict("555-3636"), kVerdictNumber);
  EXPECT_EQ(NumberVerdict("1-204-555-3636"), kVerdictNumber);
  EXPECT_EQ(NumberVerdict(""), kVerdictNumber);
  const VerdictMessage *m = MessageOfVerdict(kVerdictNumber);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Caption, 2050u);
  EXPECT_EQ(m->Text, 2051u);
  EXPECT_EQ(m->FocusField, kIdcNumber);
}

TEST(SetupRules, PasswordVerdictsInOrder) {
  struct Case {
    const char *password;
    const char *confirm;
    int verdict;
  };
  const Case cases[] = {
      {"abcd", "abcd", kVerdictPasswordLength},
      {"abcdefghijkl", "abcdefghijkl", kVerdictPasswordLength},  // 12: what the field accepts
      {"a:c", "a:c", kVerdictPasswordLength},                    // length comes first
      {"abc:def", "abc:def", kVerdictPasswordChar},
      {"caf\xe9s", "caf\xe9s", kVerdictPasswordChar},
      {"tab\there", "tab\there", kVerdictPasswordChar},
      {"ab cd", "ab cd", kVerdictOk},
      {"abcde", "abcde", kVerdictOk},
      {"abcdefghijk", "abcdefghijk", kVerdictOk},
      {"Secret", "secret", kVerdictPasswordMismatch},
      {"secret", "secret1", kVerdictPasswordMismatch},
      {"secret", nullptr, kVerdictOk},
      {nullptr, "x", kVerdictPasswordLength},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.password ? c.password : "(null)");
    EXPECT_EQ(PasswordVerdict(c.password, c.confirm), c.verdict);
  }
  struct Message {
    int verdict;
    unsigned caption, text;
  };
  const Message messages[] = {
      {kVerdictPasswordLength, 2052, 2053},
      {kVerdictPasswordMismatch, 2054, 2055},
      {kVerdictPasswordChar, 2056, 2057},
  };
  for (const Message &m : messages) {
    const VerdictMessage *got = MessageOfVerdict(m.verdict);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->Caption, m.caption);
    EXPECT_EQ(got->Text, m.text);
    EXPECT_EQ(got->FocusField, kIdcPassword);
  }
  EXPECT_EQ(MessageOfVerdict(kVerdictOk), nullptr);
  EXPECT_EQ(MessageOfVerdict(99), nullptr);
}
