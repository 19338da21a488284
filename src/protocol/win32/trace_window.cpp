// The protocol trace window. Opening it installs the trace sinks, closing it
// removes them, so the protocol's trace calls return at once while it is
// closed.

#include "protocol/win32/trace_window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "config/settings.h"
#include "protocol/app_hooks.h"
#include "protocol/nuvproto.h"
#include "protocol/trace.h"
#include "protocol/trace_status.h"

HWND hQryDebugListBox;

namespace {

HWND Log() { return GetDlgItem(hQryDebugListBox, kDebugLog); }

void CaretToEnd(HWND log) {
  const LRESULT length = SendMessageA(log, WM_GETTEXTLENGTH, 0, 0);
  SendMessageA(log, EM_SETSEL, length, length);
}

// Whole lines in the log: a last line left empty by the final "\r\n" does
// not count.
LRESULT LogLines(HWND log) {
  LRESULT lines = SendMessageA(log, EM_GETLINECOUNT, 0, 0);
  const LRESULT lastStart = SendMessageA(log, EM_LINEINDEX, lines - 1, 0);
  if (lines > 0 && SendMessageA(log, EM_LINELENGTH, lastStart, 0) == 0) --lines;
  return lines;
}

void AppendToLog(void *, const char *text) {
  HWND log = Log();
  if (!log || !text) return;
  CaretToEnd(log);
  SendMessageA(log, EM_SCROLLCARET, 0, 0);
  SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
  // Oldest lines out, so that appending stays cheap; a text of many lines
  // takes as many with it.
  const LRESULT lines = LogLines(log);
  if (lines > kDebugLogLines) {
    const LRESULT keepFrom = SendMessageA(log, EM_LINEINDEX, lines - kDebugLogLines, 0);
    SendMessageA(log, EM_SETSEL, 0, keepFrom);
    SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
  }
  CaretToEnd(log);
  SendMessageA(log, EM_SCROLLCARET, 0, 0);
}

void WriteStatus(void *, DebugStatusKind kind, const NuvProtoLogin *login) {
  if (!hQryDebugListBox) return;
  if (kind == DEBUG_STATUS_PACKET) SetDlgItemTextA(hQryDebugListBox, kDebugVersion, Config.VERSION);
  DebugStatusItem items[kDebugStatusItemsMax];
  const int n = Debug_FormatStatusItems(kind, login ? login : &nuvLogin, LoggedIn, NetUp, items);
  for (int i = 0; i < n; ++i) SetDlgItemTextA(hQryDebugListBox, items[i].id, items[i].text);
}

INT_PTR Do_WM_INITDIALOG(HWND dialog) {
  hQryDebugListBox = dialog;
  // Packet lines can be long; the system's default limit would stop the log.
  SendDlgItemMessageA(dialog, kDebugLog, EM_SETLIMITTEXT, 0, 0);
  SetDlgItemTextA(dialog, kDebugVersion, Config.VERSION);
  RECT r;
  GetWindowRect(dialog, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const int debug = std::atoi(Config.DEBUG);
  if (debug == 1) CheckDlgButton(dialog, kDebugOnBox, BST_CHECKED);
  if (debug == 0) CheckDlgButton(dialog, kDebugOnBox, BST_UNCHECKED);
  return TRUE;
}

void Do_DebugOnClicked(HWND dialog) {
  const char *state = IsDlgButtonChecked(dialog, kDebugOnBox) == BST_CHECKED ? "1" : "0";
  if (std::strcmp(state, Config.DEBUG) == 0) return;
  std::snprintf(Config.DEBUG, sizeof Config.DEBUG, "%s", state);
  SaveInfoFile();
}

void SelectWholeLog(HWND dialog) { SendDlgItemMessageA(dialog, kDebugLog, EM_SETSEL, 0, -1); }

INT_PTR Do_WM_COMMAND(HWND dialog, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case kDebugOnBox:
      if (HIWORD(wParam) == BN_CLICKED) Do_DebugOnClicked(dialog);
      return TRUE;
    case kDebugClear:
      SelectWholeLog(dialog);
      SendDlgItemMessageA(dialog, kDebugLog, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
      return TRUE;
    case kDebugCopy:
      SelectWholeLog(dialog);
      SendDlgItemMessageA(dialog, kDebugLog, WM_COPY, 0, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

// Whatever ends the window, the trace goes silent with it.
void Forget(HWND dialog) {
  if (hQryDebugListBox == dialog) {
    hQryDebugListBox = nullptr;
    Debug_SetSink(nullptr, nullptr, nullptr);
  }
  if (hDlgCurrent == dialog) hDlgCurrent = nullptr;
}

}  // namespace

INT_PTR CALLBACK DebugListBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return Do_WM_INITDIALOG(dialog);
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) hDlgCurrent = dialog;
      else if (hDlgCurrent == dialog) hDlgCurrent = nullptr;
      return FALSE;
    case WM_CLOSE:
      Forget(dialog);
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      Forget(dialog);
      return FALSE;
    case WM_COMMAND:
      return Do_WM_COMMAND(dialog, wParam);
    default:
      return FALSE;
  }
}

void OpenDebugWindow() {
  if (hQryDebugListBox) return;
  HWND dialog = CreateDialogParamA(hInst, MAKEINTRESOURCEA(kDebugDialog), nullptr, DebugListBoxProc, 0);
  if (!dialog) {
    hQryDebugListBox = nullptr;
    return;
  }
  hQryDebugListBox = dialog;
  Debug_SetSink(AppendToLog, WriteStatus, nullptr);
}

void CloseDebugWindow() {
  if (hQryDebugListBox) DestroyWindow(hQryDebugListBox);
}

void Debug_OpenTraceWindow() { OpenDebugWindow(); }

void Debug_SetStatusItem(int item, const char *text) {
  if (hQryDebugListBox && text) SetDlgItemTextA(hQryDebugListBox, item, text);
}
