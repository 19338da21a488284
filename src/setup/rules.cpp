#include "setup/rules.h"

#include <cstdio>
#include <cstring>

namespace nuvsetup {

namespace {

char g_crunched[kRulesTextMax];
char g_pretty[kPrettySize];

size_t BoundedLen(const char *text, size_t max) {
  if (!text) return 0;
  size_t n = 0;
  while (n < max && text[n] != '\0') ++n;
  return n;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsPasswordChar(unsigned char c) { return c >= 0x20 && c <= 0x7E && c != ':'; }

constexpr VerdictMessage kMessages[] = {
    {2050, 2051, kIdcNumber},    // kVerdictNumber
    {2052, 2053, kIdcPassword},  // kVerdictPasswordLength
    {2056, 2057, kIdcPassword},  // kVerdictPasswordChar
    {2054, 2055, kIdcPassword},  // kVerdictPasswordMismatch
};

}  // namespace

const VerdictMessage *MessageOfVerdict(int verdict) {
  if (verdict < kVerdictNumber || verdict > kVerdictPasswordMismatch) return nullptr;
  return &kMessages[verdict - kVerdictNumber];
}

const char *CrunchPhoneNumber(const char *text) {
  // Read from a copy: text may be this very buffer.
  char input[kRulesTextMax];
  const size_t len = BoundedLen(text, sizeof input - 1);
  if (len) std::memcpy(input, text, len);
  input[len] = '\0';
  std::memset(g_crunched, 0, sizeof g_crunched);
  size_t out = 0;
  for (size_t i = 0; i < len; ++i)
    if (IsDigit(input[i])) g_crunched[out++] = input[i];
  return g_crunched;
}

const char *MakePhoneNumberPretty(const char *text) {
  const char *digits = CrunchPhoneNumber(text);
  const size_t count = std::strlen(digits);
  std::memset(g_pretty, 0, sizeof g_pretty);
  if (count == 10) {
    std::snprintf(g_pretty, sizeof g_pretty, "(%.3s) %.3s-%.4s", digits, digits + 3, digits + 6);
    return g_pretty;
  }
  if (count == 7) {
    std::snprintf(g_pretty, sizeof g_pretty, "%.3s-%.4s", digits, digits + 3);
    return g_pretty;
  }
  return text;
}

int NumberVerdict(const char *number) {
  return std::strlen(CrunchPhoneNumber(number)) == 10 ? kVerdictOk : kVerdictNumber;
}

int PasswordVerdict(const char *password, const char *confirm) {
  // One byte past the longest password is enough to judge the length.
  const size_t len = BoundedLen(password, kPasswordMaxLength + 1);
  if (len < static_cast<size_t>(kPasswordMinLength) || len > static_cast<size_t>(kPasswordMaxLength))
    return kVerdictPasswordLength;
  for (size_t i = 0; i < len; ++i)
    if (!IsPasswordChar(static_cast<unsigned char>(password[i]))) return kVerdictPasswordChar;
  if (!confirm) return kVerdictOk;
  const size_t confirmLen = BoundedLen(confirm, kRulesTextMax);
  if (confirmLen != len || std::memcmp(password, confirm, len) != 0) return kVerdictPasswordMismatch;
  return kVerdictOk;
}

}  // namespace nuvsetup
