#pragma once
// The installation module's own number and password rules. They are those
// of the client, with two differences: a 7-digit number's pretty form is
// "555-3636" (the module knows no area code), and the verdicts name this
// module's own messages.
//
// Inputs are read up to their terminator but never beyond kRulesTextMax
// bytes, the module's buffer size.

#include <cstddef>

namespace nuvsetup {

constexpr size_t kRulesTextMax = 80;
constexpr size_t kPrettySize = 20;  // the pretty form's buffer, cleared at each call

constexpr int kPasswordMinLength = 5;
constexpr int kPasswordMaxLength = 11;

// Dialog fields.
constexpr int kIdcNumber = 301;
constexpr int kIdcPassword = 302;
constexpr int kIdcConfirm = 303;

// What a check found; each failure has its message and its field.
enum Verdict {
  kVerdictOk = 0,
  kVerdictNumber,            // not 10 digits
  kVerdictPasswordLength,    // not 5..11 characters
  kVerdictPasswordChar,      // a character outside the password alphabet
  kVerdictPasswordMismatch,  // differs from its confirmation
};

struct VerdictMessage {
  unsigned Caption;  // string ids of this module
  unsigned Text;
  int FocusField;
};

// Caption, text and field of a failure; null for kVerdictOk or an unknown value.
const VerdictMessage *MessageOfVerdict(int verdict);

// The digits of text, in order. The buffer is overwritten by the next call.
const char *CrunchPhoneNumber(const char *text);

// "(204) 555-3636" for 10 digits, "555-3636" for 7; any other count returns
// text itself (same address). The buffer is overwritten by the next call.
const char *MakePhoneNumberPretty(const char *text);

// The monitored number: exactly 10 digits.
int NumberVerdict(const char *number);

// A new password: 5..11 characters of 0x20..0x7E without ':', checked in
// that order; then, when confirm is not null, equal to it byte for byte.
int PasswordVerdict(const char *password, const char *confirm);

}  // namespace nuvsetup
