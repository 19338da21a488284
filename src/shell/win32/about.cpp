// The About box: product, maker's notices, build and the service's name.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "config/settings.h"
#include "platform/string_table.h"
#include "shell/msgbox.h"
#include "shell/win32/shell.h"

HWND hAbout;

namespace {

void SetItemFromTable(HWND dialog, int item, unsigned textId) {
  char text[256];
  PlatLoadString(textId, text, sizeof text);
  SetDlgItemTextA(dialog, item, text);
}

void Do_WM_INITDIALOG(HWND dialog) {
  hAbout = dialog;
  OpenHiddenWindow();
  SetDlgItemTextA(dialog, 7002, "Feb  1 1999");
  SetItemFromTable(dialog, 7003, 1796);
  SetItemFromTable(dialog, 7004, 1797);
  for (int i = 0; i < 4; ++i) SetItemFromTable(dialog, 7005 + i, 1792 + i);
  SetItemFromTable(dialog, 7009, 1798);
  char service[96];
  GetUserServiceName(service, sizeof service);
  char build[96];
  SetDlgItemTextA(dialog, 7010, LoadFmtMessage(1799, build, sizeof build, service));
}

}  // namespace

INT_PTR CALLBACK About(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Do_WM_INITDIALOG(dialog);
      return TRUE;
    case WM_COMMAND:
      // Escape and the close box end it like OK.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDOK);
        hAbout = nullptr;
        TryCloseHiddenWindow(nullptr);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
