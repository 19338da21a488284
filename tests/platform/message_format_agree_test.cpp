// Generated texts through the platform's formatter and the portable renderer.
// Under Wine this pits the system's FormatMessage against the native rules on
// thousands of texts the hand-written table does not cover; natively the two
// are one and the test only guards the generator.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/message_format.h"
#include "platform/message_format_render.h"

namespace {

struct Rng {
  std::uint64_t s = 0x9E3779B97F4A7C15ull;
  std::uint64_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
};

const char *const kTexts[] = {"", "a", "abc", "Hello World", "0123456789", "\xe9t\xe9 x"};
const std::int64_t kNumbers[] = {0,          1,           -1,          5,          -5,
                                 255,        65535,       70000,       2147483647, -2147483647 - 1,
                                 4294967295, 4294967303,  'A',         0x1234abcd};

std::string FormatOf(Rng &r, bool text) {
  std::string s;
  for (int i = r.Below(4); i > 0; --i) s += "-+ #0"[r.Below(5)];
  if (r.Chance(60)) s += std::to_string(1 + r.Below(20));
  char type;
  if (text) {
    type = 's';
  } else {
    type = "diuxXoddcp"[r.Below(10)];
  }
  if (type == 'p') {
    std::string keep;
    for (char c : s)
      if (c != '+' && c != ' ' && c != '#' && c != '0') keep += c;
    s = keep;
  } else if (type != 'c' && r.Chance(40)) {
    s += "." + std::to_string(r.Below(8));
  }
  if (type != 'p' && r.Chance(25)) s += (type == 's' || type == 'c') ? 'h' : "hl"[r.Below(2)];
  return s + type;
}

std::string Show(const char *s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c < 0x7f) {
      r += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      r += hex;
    }
  }
  return r;
}

TEST(MessageFormat, SystemAndPortableRendererAgreeOnGeneratedTexts) {
  static const char *const kSeparators[] = {"|", " ", "%%", "%n", "%.", "\n", "x", "%!", "\r\n", "%t"};
  static const int kSizes[] = {8, 32, 256};
  Rng r;
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    const int argCount = 1 + r.Below(5);
    bool isText[6] = {};
    std::uintptr_t args[5];
    for (int i = 0; i < argCount; ++i) {
      isText[i + 1] = r.Chance(50);
      args[i] = isText[i + 1]
                    ? reinterpret_cast<std::uintptr_t>(kTexts[r.Below(6)])
                    : static_cast<std::uintptr_t>(kNumbers[r.Below(14)]);
    }
    std::string text;
    for (int k = 1 + r.Below(5); k > 0; --k) {
      const int insert = 1 + r.Below(argCount + 1);  // now and then one not passed
      const bool asText = insert <= argCount ? isText[insert] : true;
      text += "%" + std::to_string(insert);
      if (!(asText && r.Chance(30))) text += "!" + FormatOf(r, asText) + "!";
      text += kSeparators[r.Below(10)];
    }
    const int size = kSizes[r.Below(3)];
    char sys[256], ref[256];
    std::memset(sys, 'x', sizeof sys);
    std::memset(ref, 'y', sizeof ref);
    const int n = PlatFormatMessage(text.c_str(), args, argCount, sys, size);
    const int m = FmtRender(text.c_str(), args, argCount, ref, size);
    ASSERT_EQ(m, n) << Show(text.c_str(), static_cast<int>(text.size())) << " size " << size
                    << " portable: " << (m >= 0 ? Show(ref, m) : "refused");
    if (n >= 0) {
      ++accepted;
      ASSERT_EQ(Show(ref, m), Show(sys, n)) << Show(text.c_str(), static_cast<int>(text.size()));
    }
  }
  EXPECT_GT(accepted, 1000);  // the generator must mostly make acceptable texts
}

}  // namespace
