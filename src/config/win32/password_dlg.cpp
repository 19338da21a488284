// The password dialog.

#include "config/win32/password_dlg.h"

#include <cstdio>

#include "config/config.h"
#include "config/settings.h"
#include "config/validate.h"
#include "platform/string_table.h"

namespace {

// What the dialog ends with after OK. The system's own results (0 for a bad
// owner, -1 for a dialog that cannot be made) then never pass for an OK.
constexpr INT_PTR kEndedByOk = IDOK;

// Static texts of the dialog.
constexpr int kIdcTitle = 351;
constexpr int kIdcNumberLabel = 350;
constexpr int kIdcPasswordLabel = 352;
constexpr int kIdcConfirmLabel = 353;

// Typing limits of the three fields.
constexpr int kNumberTypedMax = 14;
constexpr int kPasswordTypedMax = 11;
// The number field is read up to 17 characters at a time.
constexpr int kNumberReadMax = 17;

struct Label {
  int control;
  unsigned textId;
};
constexpr Label kLabels[] = {
    {kIdcTitle, 1325},         {kIdcNumberLabel, 1322}, {kIdcPasswordLabel, 1323},
    {kIdcConfirmLabel, 1324},  {IDOK, 2048},            {IDCANCEL, 2049},
};

// Copies text into a dialog buffer, cut to what the buffer holds.
void CopyCut(char (&buffer)[kPasswordDlgTextSize], const char *text) {
  std::snprintf(buffer, sizeof buffer, "%s", text);
}

BOOL Do_WM_INITDIALOG(HWND dialog) {
  CopyCut(PasswordDlgNumber, Config.USERID);
  CopyCut(PasswordDlgPassword, Config.PASSWORD);

  // Setting a field's text notifies the field's change: the confirmation
  // buffer fills from field 303, so a stored password stands confirmed.
  char number[kPasswordDlgTextSize];
  CopyCut(number, PasswordDlgNumber);
  SendDlgItemMessageA(dialog, kIdcNuvNumber, EM_LIMITTEXT, kNumberTypedMax, 0);
  SetDlgItemTextA(dialog, kIdcNuvNumber, number);
  SendDlgItemMessageA(dialog, kIdcNewPassword, EM_LIMITTEXT, kPasswordTypedMax, 0);
  SendDlgItemMessageA(dialog, kIdcConfirmPassword, EM_LIMITTEXT, kPasswordTypedMax, 0);
  char password[kPasswordDlgTextSize];
  CopyCut(password, PasswordDlgPassword);
  SetDlgItemTextA(dialog, kIdcNewPassword, password);
  SetDlgItemTextA(dialog, kIdcConfirmPassword, password);

  for (const Label &label : kLabels) {
    char text[96];
    PlatLoadString(label.textId, text, sizeof text);
    SetDlgItemTextA(dialog, label.control, text);
  }
  return TRUE;
}

void Do_NumberField(HWND dialog, WORD notification) {
  GetDlgItemTextA(dialog, kIdcNuvNumber, PasswordDlgNumber, kNumberReadMax + 1);
  if (notification != EN_KILLFOCUS) return;
  const char *pretty = MakePhoneNumberPretty(PasswordDlgNumber);
  if (pretty != PasswordDlgNumber) CopyCut(PasswordDlgNumber, pretty);
  // Setting the text refills the buffer from the field: show a copy.
  char shown[kPasswordDlgTextSize];
  CopyCut(shown, PasswordDlgNumber);
  SetDlgItemTextA(dialog, kIdcNuvNumber, shown);
}

void Do_OK(HWND dialog) {
  if (!CheckNUVNumber(dialog, PasswordDlgNumber, 1)) return;
  if (!CheckPassword(dialog, PasswordDlgPassword, 1, 1)) return;
  SavePassword();
  EndDialog(dialog, kEndedByOk);
}

BOOL Do_WM_COMMAND(HWND dialog, WPARAM wParam) {
  const WORD id = LOWORD(wParam);
  const WORD notification = HIWORD(wParam);
  switch (id) {
    case kIdcNuvNumber:
      Do_NumberField(dialog, notification);
      return TRUE;
    case kIdcNewPassword:
      GetDlgItemTextA(dialog, kIdcNewPassword, PasswordDlgPassword, sizeof PasswordDlgPassword);
      return TRUE;
    case kIdcConfirmPassword:
      GetDlgItemTextA(dialog, kIdcConfirmPassword, PasswordDlgConfirm, sizeof PasswordDlgConfirm);
      return TRUE;
    case IDOK:
      Do_OK(dialog);
      return TRUE;
    case IDCANCEL:
      EndDialog(dialog, -1);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return Do_WM_INITDIALOG(dialog);
    case WM_COMMAND:
      return Do_WM_COMMAND(dialog, wParam);
    default:
      return FALSE;
  }
}

INT_PTR CreatePasswordDialog(HINSTANCE instance, HWND owner) {
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(kPasswordDialogTemplate), owner,
                                         PasswordDialogProc, 0);
  // A dialog that cannot be shown counts as cancelled: nothing was stored.
  return result == kEndedByOk ? 0 : -1;
}

int SavePassword() {
  std::snprintf(Config.USERID, sizeof Config.USERID, "%s", PasswordDlgNumber);
  std::snprintf(Config.PASSWORD, sizeof Config.PASSWORD, "%s", PasswordDlgPassword);
  return SaveInfoFile();
}
