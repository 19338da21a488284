#include "shell/account.h"

#include <cstdio>
#include <cstdlib>

#include "config/config.h"
#include "config/validate.h"
#include "platform/string_table.h"
#include "shell/msgbox.h"

namespace {

// A settings field as a terminated text even if the record was filled
// without a terminator.
void FieldText(const char (&field)[kConfigFieldSize], char (&out)[kConfigFieldSize]) {
  std::snprintf(out, sizeof out, "%.*s", kConfigFieldSize - 1, field);
}

}  // namespace

char *MakeAccountTarget(char *out, int size) {
  if (!out || size <= 0) return out;
  out[0] = '\0';

  char signature[kConfigFieldSize];
  FieldText(Config.SIGNATURE, signature);
  // Read as a number the way the account page was always chosen: empty or
  // not a number means no account page.
  if (std::strtol(signature, nullptr, 10) == 0) {
    // Loaded as it stands: a site address is not a format text.
    PlatLoadString(kProductSiteText, out, size);
    return out;
  }

  char userId[kConfigFieldSize];
  FieldText(Config.USERID, userId);
  // CrunchPhoneNumber's buffer is shared; keep our own copy of the digits.
  char digits[kConfigFieldSize];
  std::snprintf(digits, sizeof digits, "%s", CrunchPhoneNumber(userId));
  LoadFmtMessage(kAccountPageText, out, size, static_cast<const char *>(digits),
                 static_cast<const char *>(signature));
  return out;
}
