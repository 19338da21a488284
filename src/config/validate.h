#pragma once
// Telephone-number and password rules.
//
// A number is compared and sent as its digits only (CrunchPhoneNumber) and
// stored and shown in its pretty form "(204) 555-3636"
// (MakePhoneNumberPretty). Both return a buffer of this module that the next
// call overwrites: copy the result before calling again.
//
// The checks take a `show` argument: with show == 1 a failing check shows its
// error box (and, in the dialog checks, moves the keyboard focus); with any
// other value it only returns its verdict. Results are 1 (pass) or 0.
//
// Inputs are read up to their terminator but never beyond kValidateTextMax
// bytes (the size of a settings field), so a longer or unterminated text is
// judged on its first 40 bytes and never overrun.

#include <cstddef>

#include "platform/types.h"

constexpr int kValidateTextMax = 40;    // bytes of an input ever read
constexpr int kPhoneResultSize = 40;    // result buffers: at most 39 characters

constexpr int kPasswordMinLength = 5;
constexpr int kPasswordMaxLength = 11;

// Controls of the password dialog.
constexpr int kIdcNuvNumber = 301;
constexpr int kIdcNewPassword = 302;
constexpr int kIdcConfirmPassword = 303;

// Message string ids (caption, text).
constexpr unsigned kIdsTransferNumberCaption = 1413;
constexpr unsigned kIdsTransferNumberText = 1414;
constexpr unsigned kIdsNuvNumberCaption = 1415;
constexpr unsigned kIdsNuvNumberText = 1416;
constexpr unsigned kIdsPasswordLengthCaption = 1417;
constexpr unsigned kIdsPasswordLengthText = 1418;
constexpr unsigned kIdsPasswordMismatchCaption = 1419;
constexpr unsigned kIdsPasswordMismatchText = 1420;
constexpr unsigned kIdsPasswordCharCaption = 1423;
constexpr unsigned kIdsPasswordCharText = 1424;

// ---------------------------------------------------------------------------
// The password dialog's three buffers (at most 20 characters each): the
// number being edited, the new password and its confirmation. CheckPassword
// compares with PasswordDlgConfirm.
constexpr int kPasswordDlgTextSize = 21;
extern char PasswordDlgNumber[kPasswordDlgTextSize];
extern char PasswordDlgPassword[kPasswordDlgTextSize];
extern char PasswordDlgConfirm[kPasswordDlgTextSize];

// ---------------------------------------------------------------------------
// The configuration window's working copy of the four transfer destinations
// (index 0..3 = NAME1/NUMBER1 .. NAME4/NUMBER4) with the handles of the
// eight edit fields of the Transfers page (null while the page is not built).
constexpr int kTransferSlots = 4;
constexpr int kTransferNameMax = 20;    // characters of a description
constexpr int kTransferNumberMax = 14;  // characters of a number

// Edit field ids: number of slot s is 201 + 2s, its description 202 + 2s.
constexpr int kIdcTransferFirst = 201;
constexpr int TransferNumberFieldId(int slot) { return kIdcTransferFirst + 2 * slot; }
constexpr int TransferNameFieldId(int slot) { return kIdcTransferFirst + 2 * slot + 1; }

struct TransferWorkingCopy {
  char Name[kTransferSlots][kTransferNameMax + 1];
  char Number[kTransferSlots][kTransferNumberMax + 1];
  PlatWindow hNameField[kTransferSlots];
  PlatWindow hNumberField[kTransferSlots];
};

extern TransferWorkingCopy TransferCopy;

// Fills the texts of TransferCopy from NAME1..4 / NUMBER1..4 of Config, cut
// to 20 and 14 characters; the field handles are left alone.
void LoadTransferCopy();
// Writes the texts of TransferCopy back to NAME1..4 / NUMBER1..4 of Config.
void StoreTransferCopy();

// ---------------------------------------------------------------------------
// The digits of text, in order (at most 39).
const char *CrunchPhoneNumber(const char *text);

// "(204) 555-3636" for 10 digits; for 7 digits the same shape with the area
// code of Config.USERID (as "555-3636" when USERID holds fewer than three
// digits). Any other digit count returns text itself (same address).
const char *MakePhoneNumberPretty(const char *text);

// 1 when every character is a blank or a tab (the empty text counts).
int IsStringWhitespace(const char *text);

// One transfer number: 7 or 10 digits pass; blanks and tabs only pass and
// the text is emptied in place. Message 1413/1414 owned by `owner`.
int IsNumberOk(PlatWindow owner, char *text, int show);

// The monitored number: exactly 10 digits. Message 1415/1416, focus on 301.
int CheckNUVNumber(PlatWindow dialog, const char *text, int show);

// A new password: 5..11 characters of 0x20..0x7E without ':' and, when
// `compare` is non-zero, equal to PasswordDlgConfirm. Messages 1417/1418,
// 1423/1424, 1419/1420 in that order of checking; focus on 302.
int CheckPassword(PlatWindow dialog, const char *text, int show, int compare);

// The four numbers of TransferCopy: the first invalid one fails (focus on its
// field, text selected); each valid one is cross-checked with updates on.
int CheckAllTransferNumbers(PlatWindow owner, int show);

// Slot 0..3 of TransferCopy: number to its pretty form, and a valid number
// with an empty (or blank) description becomes the description. With
// `update`, the fields show the new texts and the description is selected.
void DoNumberCrossCheck(PlatWindow owner, int slot, int update);

// Empties the description of every slot without a number.
void CleanUpTransferNumbers();

// CleanUpTransferNumbers, then moves the destinations up over empty slots,
// keeping their order.
void DefragmentTransferNumbers();
