// The same cases run natively and under Wine against the system's formatter,
// so the two implementations cannot drift apart.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/message_format.h"

namespace {

constexpr std::uintptr_t T(const char *s) { return reinterpret_cast<std::uintptr_t>(s); }
constexpr std::uintptr_t N(long long v) { return static_cast<std::uintptr_t>(v); }

struct Case {
  const char *text;
  std::uintptr_t a1, a2, a3;
  int argCount;
  const char *expected;  // nullptr: the text is refused
  int expectedLength = -1;  // when it holds a zero character
};

std::string Show(const std::string &s) {
  std::string r;
  for (char c : s) {
    if (c == '\r') r += "\\r";
    else if (c == '\n') r += "\\n";
    else if (c == '\t') r += "\\t";
    else if (c == '\0') r += "\\0";
    else r += c;
  }
  return r;
}

TEST(MessageFormat, RendersLikeTheSystemFormatter) {
  static const char abc[] = "abc";
  const Case cases[] = {
      // Plain text and line breaks.
      {"plain text", 0, 0, 0, 0, "plain text"},
      {"", 0, 0, 0, 0, ""},
      {"l1\nl2\r\nl3\rl4\n", 0, 0, 0, 0, "l1\r\nl2\r\nl3\r\nl4\r\n"},
      // Escapes.
      {"%%%.%!% %t%r%n%q", 0, 0, 0, 0, "%.! \t\r\r\nq"},
      {"a%0b", 0, 0, 0, 0, "a"},
      {"%0", 0, 0, 0, 0, ""},
      {"a%%b", 0, 0, 0, 0, "a%b"},
      // Text inserts.
      {"%1", T(abc), 0, 0, 1, "abc"},
      {"<%1!s!|%2>", T("x"), T("yz"), 0, 2, "<x|yz>"},
      {"%2%1%2", T("a"), T("b"), 0, 2, "bab"},
      {"%1!5s!|%1!-5s!|%1!.2s!|%1!5.1s!", T(abc), 0, 0, 1, "  abc|abc  |ab|    a"},
      {"%1!05s!", T(abc), 0, 0, 1, "00abc"},
      {"%1!hs!|%1!+s!|%1!.0s!|", T(abc), 0, 0, 1, "abc|abc||"},
      {"%1", 0, 0, 0, 1, "(null)"},
      {"%1%2", T("given"), 0, 0, 1, "given(null)"},
      {"%10|%99", 0, 0, 0, 0, "(null)|(null)"},
      {"%100", T(abc), 0, 0, 0, "(null)0"},
      {"%1!s!%2!s!", T("\xe9t\xe9"), T("\x80\xff"), 0, 2, "\xe9t\xe9\x80\xff"},
      // Numbers.
      {"%1!d!|%1!u!|%1!i!|%1!ld!|%1!lu!", N(-5), 0, 0, 1, "-5|4294967291|-5|-5|4294967291"},
      {"%1!u!", N(0x1234567890LL), 0, 0, 1, "878082192"},
      {"%2!u!", N(1), N(1434), 0, 2, "1434"},
      {"%1!hd!|%1!hu!|%1!hx!", N(70000), 0, 0, 1, "4464|4464|1170"},
      {"%1!x!|%1!X!|%1!#x!|%1!#X!|%1!o!|%1!#o!", N(255), 0, 0, 1, "ff|FF|0xff|0XFF|377|0377"},
      {"%1!#x!|%1!#o!|%1!.0d!|%1!.0u!|%1!#.0o!|", N(0), 0, 0, 1, "0|0||||"},
      {"%1!+d!|%1! d!|%1!+ d!|%1!+u!|%1! x!|%1!#d!", N(5), 0, 0, 1, "+5| 5|+5|5|5|5"},
      {"%1!4d!|%1!-4d!|%1!04d!|%1!-04d!|%1!.3d!", N(-5), 0, 0, 1, "  -5|-5  |-005|-5  |-005"},
      {"%1!010.3d!|%1!02.3d!|%1!-+5d!|", N(5), 0, 0, 1, "0000000005|005|+5   |"},
      {"%1!08X!|%1!-08x!|", N(255), 0, 0, 1, "000000FF|ff      |"},
      {"%1!d!", N(INT32_MIN), 0, 0, 1, "-2147483648"},
      {"%3!d!", N(1), N(2), 0, 2, "0"},
      // Characters and pointers.
      {"%1!c!%2!c!%3!c!%1!c!", N('t'), N('e'), N('s'), 3, "test"},
      {"%1!3c!|%1!-3c!|%1!03c!|%1!hc!", N('A'), 0, 0, 1, "  A|A  |00A|A"},
      {"%1!p!", N(0x1234), 0, 0, 1, sizeof(void *) == 8 ? "0000000000001234" : "00001234"},
      {"%1!-20p!|", N(0x1234), 0, 0, 1,
       sizeof(void *) == 8 ? "0000000000001234    |" : "00001234            |"},
      // The texts of the program.
      {"Error (%2!d!) opening '%1'.\n  %3", T("http://x/"), N(-2), T("Gone."), 3,
       "Error (-2) opening 'http://x/'.\r\n  Gone."},
      {"Account.cgi?%1,%2", T("2045553636"), T("77"), 0, 2, "Account.cgi?2045553636,77"},
      // Refused texts.
      {"%", 0, 0, 0, 0, nullptr},
      {"abc%", 0, 0, 0, 0, nullptr},
      {"%1!", N(1), 0, 0, 1, nullptr},
      {"%1!d", N(1), 0, 0, 1, nullptr},
      {"%1!!", N(1), 0, 0, 1, nullptr},
      {"Hello %1!", T(abc), 0, 0, 1, nullptr},
      {"%1!*d!", N(5), N(42), 0, 2, nullptr},
      {"%1!.*d!", N(5), N(42), 0, 2, nullptr},
      {"%1!I64d!", N(5), 0, 0, 1, nullptr},
      {"%1!lld!", N(5), 0, 0, 1, nullptr},
      {"%1!hhd!", N(5), 0, 0, 1, nullptr},
      {"%1!f!", N(5), 0, 0, 1, nullptr},
      {"%1!z!", N(5), 0, 0, 1, nullptr},
      {"%1!dz!", N(5), 0, 0, 1, nullptr},
      {"%1!n!", N(5), 0, 0, 1, nullptr},
      {"%1!ls!", T(abc), 0, 0, 1, nullptr},
      {"%1!lc!", N('a'), 0, 0, 1, nullptr},
      {"%1!.2c!", N('a'), 0, 0, 1, nullptr},
      {"%1!#p!", N(1), 0, 0, 1, nullptr},
      {"%1!12345d!", N(1), 0, 0, 1, nullptr},
      {"%1 %1!d!", N(1), 0, 0, 1, nullptr},
      {"%1!---------------d!", N(1), 0, 0, 1, "1"},
      {"%1!----------------d!", N(1), 0, 0, 1, nullptr},
      // A zero character is written as it is and ends the visible text.
      {"%1!c!|%1!2c!|", N(0), 0, 0, 1, "\0| \0|", 5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(Show(c.text));
    const std::uintptr_t args[3] = {c.a1, c.a2, c.a3};
    char out[256];
    std::memset(out, 'x', sizeof out);
    const int n = PlatFormatMessage(c.text, args, c.argCount, out, sizeof out);
    if (!c.expected) {
      EXPECT_EQ(-1, n);
      EXPECT_STREQ("", out);
      continue;
    }
    const std::string expected(c.expected, c.expectedLength >= 0 ? c.expectedLength
                                                                 : std::strlen(c.expected));
    EXPECT_EQ(static_cast<int>(expected.size()), n);
    EXPECT_EQ(Show(expected), Show(std::string(out, n > 0 ? n : 0)));
    EXPECT_EQ('\0', out[n > 0 ? n : 0]);
  }
}

TEST(MessageFormat, OutputMustFitWithItsTerminator) {
  const std::uintptr_t args[1] = {T("abc")};
  char out[8];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(-1, PlatFormatMessage("%1!s!", args, 1, out, 3));
  EXPECT_STREQ("", out);
  EXPECT_EQ('x', out[3]);  // nothing written past the size given
  EXPECT_EQ(3, PlatFormatMessage("%1!s!", args, 1, out, 4));
  EXPECT_STREQ("abc", out);
  // A wide padding that does not fit fails instead of running over.
  EXPECT_EQ(-1, PlatFormatMessage("%1!9999s!", args, 1, out, sizeof out));
  EXPECT_STREQ("", out);
  EXPECT_EQ(-1, PlatFormatMessage("%1", args, 1, out, 0));
  EXPECT_EQ(-1, PlatFormatMessage("%1", args, 1, nullptr, 8));
  EXPECT_EQ(-1, PlatFormatMessage(nullptr, args, 1, out, sizeof out));
  EXPECT_STREQ("", out);
}

TEST(MessageFormat, NeverReadsPastTheInsertsPassed) {
  // The array ends right after the inserts passed; a text naming more reads
  // zeros for them (under ASan an overread would stop the test).
  std::uintptr_t *args = new std::uintptr_t[2]{N(7), N(8)};
  char out[64];
  EXPECT_EQ(10, PlatFormatMessage("%1!u!%2!u!%3!u!%99!u!%50", args, 2, out, sizeof out));
  EXPECT_STREQ("7800(null)", out);
  EXPECT_EQ(12, PlatFormatMessage("%1%2", nullptr, 0, out, sizeof out));
  EXPECT_STREQ("(null)(null)", out);
  delete[] args;
}

}  // namespace
