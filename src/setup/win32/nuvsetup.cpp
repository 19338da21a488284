// nuvsetup.dll: asks for the monitored number and a password on behalf of an
// installer and hands both back through the installer's variable table.

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "setup/rules.h"
#include "setup/variables.h"

using namespace nuvsetup;

namespace {

constexpr int kDialogTemplate = 3;

// Static texts and window title.
constexpr unsigned kIdsTitle = 1033;
constexpr unsigned kIdsAbortCaption = 2048;
constexpr unsigned kIdsAbortText = 2049;

struct Label {
  int control;
  unsigned textId;
};
constexpr Label kLabels[] = {
    {101, 1024}, {107, 1025}, {105, 1026}, {104, 1027}, {106, 1028},
    {103, 1029}, {102, 1030}, {IDOK, 1032}, {IDCANCEL, 1031},
};

// Typing limits, and how much of a field is read at a time.
constexpr int kNumberTypedMax = 14;
constexpr int kPasswordTypedMax = 12;
constexpr int kNumberReadMax = 17;
constexpr int kPasswordReadMax = 19;

HINSTANCE hSetupInstance;

// Values exchanged with the installer.
char NumberValue[kSetupTextSize];
char PasswordValue[kSetupTextSize];
// The dialog's buffers.
char DlgNumber[kSetupTextSize];
char DlgPassword[kSetupTextSize];
char DlgConfirm[kSetupTextSize];
// Set only when Next passed both checks.
bool EndedByNext;

void Copy(char (&dest)[kSetupTextSize], const char *text) {
  std::snprintf(dest, sizeof dest, "%s", text);
}

void LoadText(unsigned id, char *buffer, int size) {
  if (LoadStringA(hSetupInstance, id, buffer, size) <= 0) buffer[0] = '\0';
}

// Shows the failure's message over the dialog and puts the keyboard on the
// field to correct. Returns 1 when the verdict was a pass.
int ShowVerdict(HWND dialog, int verdict) {
  const VerdictMessage *message = MessageOfVerdict(verdict);
  if (!message) return 1;
  char caption[256], text[256];
  LoadText(message->Caption, caption, sizeof caption);
  LoadText(message->Text, text, sizeof text);
  MessageBoxA(dialog, text, caption, MB_OK | MB_ICONERROR);
  SetFocus(GetDlgItem(dialog, message->FocusField));
  return 0;
}

int CheckNUVNumber(HWND dialog, const char *number) {
  return ShowVerdict(dialog, NumberVerdict(number));
}

int CheckPassword(HWND dialog, const char *password) {
  return ShowVerdict(dialog, PasswordVerdict(password, DlgConfirm));
}

BOOL Do_WM_INITDIALOG(HWND dialog) {
  Copy(DlgNumber, NumberValue);
  Copy(DlgPassword, PasswordValue);
  Copy(DlgConfirm, PasswordValue);

  // Setting a field's text notifies the change, which refills the buffer
  // from the field: show copies.
  char shown[kSetupTextSize];
  SendDlgItemMessageA(dialog, kIdcNumber, EM_LIMITTEXT, kNumberTypedMax, 0);
  SendDlgItemMessageA(dialog, kIdcPassword, EM_LIMITTEXT, kPasswordTypedMax, 0);
  SendDlgItemMessageA(dialog, kIdcConfirm, EM_LIMITTEXT, kPasswordTypedMax, 0);
  Copy(shown, DlgNumber);
  SetDlgItemTextA(dialog, kIdcNumber, shown);
  Copy(shown, DlgPassword);
  SetDlgItemTextA(dialog, kIdcPassword, shown);
  Copy(shown, DlgConfirm);
  SetDlgItemTextA(dialog, kIdcConfirm, shown);

  char text[1024];
  for (const Label &label : kLabels) {
    LoadText(label.textId, text, sizeof text);
    SetDlgItemTextA(dialog, label.control, text);
  }
  LoadText(kIdsTitle, text, sizeof text);
  SetWindowTextA(dialog, text);
  return TRUE;
}

void Do_NumberField(HWND dialog, WORD notification) {
  GetDlgItemTextA(dialog, kIdcNumber, DlgNumber, kNumberReadMax + 1);
  if (notification != EN_KILLFOCUS) return;
  char shown[kSetupTextSize];
  Copy(shown, MakePhoneNumberPretty(DlgNumber));
  Copy(DlgNumber, shown);
  SetDlgItemTextA(dialog, kIdcNumber, shown);
}

void Do_Next(HWND dialog) {
  if (!CheckNUVNumber(dialog, DlgNumber)) return;
  if (!CheckPassword(dialog, DlgPassword)) return;
  Copy(NumberValue, DlgNumber);
  Copy(PasswordValue, DlgPassword);
  EndedByNext = true;
  EndDialog(dialog, 0);
}

void Do_Cancel(HWND dialog) {
  char caption[256], text[256];
  LoadText(kIdsAbortCaption, caption, sizeof caption);
  LoadText(kIdsAbortText, text, sizeof text);
  if (MessageBoxA(dialog, text, caption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  NumberValue[0] = '\0';
  PasswordValue[0] = '\0';
  EndDialog(dialog, -1);
}

BOOL Do_WM_COMMAND(HWND dialog, WPARAM wParam) {
  const WORD id = LOWORD(wParam);
  switch (id) {
    case kIdcNumber:
      Do_NumberField(dialog, HIWORD(wParam));
      return TRUE;
    case kIdcPassword:
      GetDlgItemTextA(dialog, kIdcPassword, DlgPassword, kPasswordReadMax + 1);
      return TRUE;
    case kIdcConfirm:
      GetDlgItemTextA(dialog, kIdcConfirm, DlgConfirm, kPasswordReadMax + 1);
      return TRUE;
    case IDOK:
      Do_Next(dialog);
      return TRUE;
    case IDCANCEL:
      Do_Cancel(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

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

}  // namespace

// The module's own manifest (RT_MANIFEST 2) made active for the length of
// the dialog: its controls come from version 6 of the common controls
// whatever the installer's process was started with. Without a context (an
// older system) the dialog is shown all the same.
class ModuleContext {
 public:
  explicit ModuleContext(HINSTANCE module) {
    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = module;
    request.lpResourceName = MAKEINTRESOURCEA(2);
    context_ = CreateActCtxA(&request);
    if (context_ != INVALID_HANDLE_VALUE && !ActivateActCtx(context_, &cookie_)) cookie_ = 0;
  }
  ~ModuleContext() {
    if (cookie_) DeactivateActCtx(0, cookie_);
    if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
  }
  ModuleContext(const ModuleContext &) = delete;
  ModuleContext &operator=(const ModuleContext &) = delete;

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

extern "C" {

BOOL WINAPI DllEntryPoint(HINSTANCE instance, DWORD, LPVOID) {
  hSetupInstance = instance;
  return TRUE;
}

// The C runtime's start-up code calls DllMain.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  return DllEntryPoint(instance, reason, reserved);
}

int WINAPI GetPass(InstallerVarTable *table) {
  GetVariable(table, "NUVPASSWORD", PasswordValue, sizeof PasswordValue);
  GetVariable(table, "NUVNUMBER", NumberValue, sizeof NumberValue);

  EndedByNext = false;
  {
    ModuleContext controls6(hSetupInstance);
    DialogBoxParamA(hSetupInstance, MAKEINTRESOURCEA(kDialogTemplate), nullptr, PasswordDialogProc,
                    0);
  }
  // A dialog that could not be shown asked nobody: the installer must not
  // take the old values for confirmed ones, so it counts as cancelled.
  if (!EndedByNext) {
    NumberValue[0] = '\0';
    PasswordValue[0] = '\0';
  }

  SetVariable(table, "NUVPASSWORD", PasswordValue);
  SetVariable(table, "NUVNUMBER", NumberValue);
  return 0;
}

}  // extern "C"
