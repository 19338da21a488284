#include "config/validate.h"

#include <cstdio>
#include <cstring>

#include "config/config.h"
#include "platform/message_box.h"
#include "platform/ui.h"
#include "shell/msgbox.h"

char PasswordDlgNumber[kPasswordDlgTextSize];
char PasswordDlgPassword[kPasswordDlgTextSize];
char PasswordDlgConfirm[kPasswordDlgTextSize];

TransferWorkingCopy TransferCopy;

namespace {

char g_crunched[kPhoneResultSize];
char g_pretty[kPhoneResultSize];

// Length of text, reading at most max bytes; a null text is empty.
size_t BoundedLen(const char *text, size_t max) {
  if (!text) return 0;
  size_t n = 0;
  while (n < max && text[n] != '\0') ++n;
  return n;
}

// Copies at most maxChars characters of src (read with the input bound) into
// dst of dstSize bytes, always terminated. dst and src may be the same.
void CopyText(char *dst, size_t dstSize, const char *src, size_t maxChars) {
  if (!dst || dstSize == 0) return;
  size_t n = BoundedLen(src, maxChars < kValidateTextMax ? maxChars : kValidateTextMax);
  if (n > dstSize - 1) n = dstSize - 1;
  if (n) std::memmove(dst, src, n);
  dst[n] = '\0';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int CountDigits(const char *text) {
  const size_t len = BoundedLen(text, kValidateTextMax);
  int digits = 0;
  for (size_t i = 0; i < len; ++i)
    if (IsDigit(text[i])) ++digits;
  return digits;
}

bool IsPasswordChar(unsigned char c) { return c >= 0x20 && c <= 0x7E && c != ':'; }

bool ValidSlot(int slot) { return slot >= 0 && slot < kTransferSlots; }

// The working copy's texts are written by other code too; a missing
// terminator must not let a check run into the neighbouring field.
void TerminateSlot(int slot) {
  TransferCopy.Number[slot][kTransferNumberMax] = '\0';
  TransferCopy.Name[slot][kTransferNameMax] = '\0';
}

void ShowError(PlatWindow owner, unsigned caption, unsigned text) {
  stringMessageBox(owner, caption, text, kMbOk | kMbIconError);
}

}  // namespace

void LoadTransferCopy() {
  char *const names[kTransferSlots] = {Config.NAME1, Config.NAME2, Config.NAME3, Config.NAME4};
  char *const numbers[kTransferSlots] = {Config.NUMBER1, Config.NUMBER2, Config.NUMBER3,
                                         Config.NUMBER4};
  for (int s = 0; s < kTransferSlots; ++s) {
    CopyText(TransferCopy.Name[s], sizeof TransferCopy.Name[s], names[s], kTransferNameMax);
    CopyText(TransferCopy.Number[s], sizeof TransferCopy.Number[s], numbers[s],
             kTransferNumberMax);
  }
}

void StoreTransferCopy() {
  char *const names[kTransferSlots] = {Config.NAME1, Config.NAME2, Config.NAME3, Config.NAME4};
  char *const numbers[kTransferSlots] = {Config.NUMBER1, Config.NUMBER2, Config.NUMBER3,
                                         Config.NUMBER4};
  for (int s = 0; s < kTransferSlots; ++s) {
    TerminateSlot(s);
    CopyText(names[s], kConfigFieldSize, TransferCopy.Name[s], kTransferNameMax);
    CopyText(numbers[s], kConfigFieldSize, TransferCopy.Number[s], kTransferNumberMax);
  }
}

const char *CrunchPhoneNumber(const char *text) {
  // Read from a copy: text may be this very buffer.
  char input[kValidateTextMax + 1];
  CopyText(input, sizeof input, text, kValidateTextMax);
  std::memset(g_crunched, 0, sizeof g_crunched);
  size_t out = 0;
  for (size_t i = 0; input[i] != '\0' && out < sizeof g_crunched - 1; ++i)
    if (IsDigit(input[i])) g_crunched[out++] = input[i];
  return g_crunched;
}

const char *MakePhoneNumberPretty(const char *text) {
  const char *digits = CrunchPhoneNumber(text);
  const size_t count = std::strlen(digits);

  if (count == 10) {
    std::snprintf(g_pretty, sizeof g_pretty, "(%.3s) %.3s-%.4s", digits, digits + 3, digits + 6);
    return g_pretty;
  }
  if (count == 7) {
    char area[4] = {};
    int found = 0;
    const size_t userLen = BoundedLen(Config.USERID, kConfigFieldSize);
    for (size_t i = 0; i < userLen && found < 3; ++i)
      if (IsDigit(Config.USERID[i])) area[found++] = Config.USERID[i];
    if (found == 3)
      std::snprintf(g_pretty, sizeof g_pretty, "(%s) %.3s-%.4s", area, digits, digits + 3);
    else  // no area code known: the local form, which keeps the same digits
      std::snprintf(g_pretty, sizeof g_pretty, "%.3s-%.4s", digits, digits + 3);
    return g_pretty;
  }
  return text;
}

int IsStringWhitespace(const char *text) {
  const size_t len = BoundedLen(text, kValidateTextMax);
  for (size_t i = 0; i < len; ++i)
    if (text[i] != ' ' && text[i] != '\t') return 0;
  return 1;
}

int IsNumberOk(PlatWindow owner, char *text, int show) {
  const bool blank = IsStringWhitespace(text) != 0;
  const int digits = CountDigits(text);
  if (digits == 7 || digits == 10) return 1;
  if (digits == 0 && blank) {
    if (text) text[0] = '\0';
    return 1;
  }
  if (show == 1) ShowError(owner, kIdsTransferNumberCaption, kIdsTransferNumberText);
  return 0;
}

int CheckNUVNumber(PlatWindow dialog, const char *text, int show) {
  if (CountDigits(text) == 10) return 1;
  if (show == 1) {
    ShowError(dialog, kIdsNuvNumberCaption, kIdsNuvNumberText);
    PlatSetFocus(PlatGetDlgItem(dialog, kIdcNuvNumber));
  }
  return 0;
}

int CheckPassword(PlatWindow dialog, const char *text, int show, int compare) {
  // One byte past the longest password is enough to judge the length.
  const size_t len = BoundedLen(text, kPasswordMaxLength + 1);
  unsigned caption = 0, message = 0;

  if (len < static_cast<size_t>(kPasswordMinLength) ||
      len > static_cast<size_t>(kPasswordMaxLength)) {
    caption = kIdsPasswordLengthCaption;
    message = kIdsPasswordLengthText;
  } else {
    for (size_t i = 0; i < len && !caption; ++i) {
      if (!IsPasswordChar(static_cast<unsigned char>(text[i]))) {
        caption = kIdsPasswordCharCaption;
        message = kIdsPasswordCharText;
      }
    }
  }
  if (!caption && compare) {
    const size_t confirmLen = BoundedLen(PasswordDlgConfirm, sizeof PasswordDlgConfirm);
    if (confirmLen != len || std::memcmp(text, PasswordDlgConfirm, len) != 0) {
      caption = kIdsPasswordMismatchCaption;
      message = kIdsPasswordMismatchText;
    }
  }
  if (!caption) return 1;

  if (show == 1) {
    ShowError(dialog, caption, message);
    PlatSetFocus(PlatGetDlgItem(dialog, kIdcNewPassword));
  }
  return 0;
}

int CheckAllTransferNumbers(PlatWindow owner, int show) {
  for (int s = 0; s < kTransferSlots; ++s) {
    TerminateSlot(s);
    char *number = TransferCopy.Number[s];
    if (number[0] == '\0') continue;
    if (!IsNumberOk(owner, number, show)) {
      if (show == 1) {
        PlatSetFocus(TransferCopy.hNumberField[s]);
        PlatSelectAllText(TransferCopy.hNumberField[s]);
      }
      return 0;
    }
    DoNumberCrossCheck(owner, s, 1);
  }
  return 1;
}

void DoNumberCrossCheck(PlatWindow owner, int slot, int update) {
  if (!ValidSlot(slot)) return;
  TerminateSlot(slot);
  char *number = TransferCopy.Number[slot];
  char *name = TransferCopy.Name[slot];

  const char *pretty = MakePhoneNumberPretty(number);
  if (pretty != number) CopyText(number, sizeof TransferCopy.Number[slot], pretty, kTransferNumberMax);
  if (update) PlatSetControlText(TransferCopy.hNumberField[slot], number);

  if (!IsNumberOk(owner, number, 0)) return;
  if (name[0] != '\0' && !IsStringWhitespace(name)) return;

  CopyText(name, sizeof TransferCopy.Name[slot], number, kTransferNameMax);
  if (update) {
    PlatSetControlText(TransferCopy.hNameField[slot], name);
    PlatSelectAllText(TransferCopy.hNameField[slot]);
  }
}

void CleanUpTransferNumbers() {
  for (int s = 0; s < kTransferSlots; ++s) {
    TerminateSlot(s);
    if (TransferCopy.Number[s][0] == '\0') TransferCopy.Name[s][0] = '\0';
  }
}

void DefragmentTransferNumbers() {
  CleanUpTransferNumbers();
  int hole = -1;  // first empty slot not yet filled
  for (int s = 0; s < kTransferSlots; ++s) {
    if (TransferCopy.Number[s][0] == '\0') {
      if (hole < 0) hole = s;
      continue;
    }
    if (hole < 0) continue;
    // Every slot from hole up to s is empty, so hole + 1 is the next one.
    std::memcpy(TransferCopy.Number[hole], TransferCopy.Number[s], sizeof TransferCopy.Number[s]);
    std::memcpy(TransferCopy.Name[hole], TransferCopy.Name[s], sizeof TransferCopy.Name[s]);
    TransferCopy.Number[s][0] = '\0';
    TransferCopy.Name[s][0] = '\0';
    ++hole;
  }
}
