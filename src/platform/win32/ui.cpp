#include "platform/ui.h"

#include <windows.h>

namespace {
HWND H(PlatWindow w) { return static_cast<HWND>(w); }
}  // namespace

PlatWindow PlatGetDlgItem(PlatWindow dialog, int id) {
  if (!dialog) return nullptr;
  return GetDlgItem(H(dialog), id);
}

void PlatSetControlText(PlatWindow control, const char *text) {
  if (!control) return;
  SetWindowTextA(H(control), text ? text : "");
}

int PlatGetControlText(PlatWindow control, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  if (!control) return 0;
  const int n = GetWindowTextA(H(control), buf, size);
  if (n <= 0) {
    buf[0] = '\0';
    return 0;
  }
  return n;
}

void PlatSetFocus(PlatWindow control) {
  if (!control) return;
  SetFocus(H(control));
}

PlatWindow PlatGetFocus() { return GetFocus(); }

void PlatSelectAllText(PlatWindow edit) {
  if (!edit) return;
  SendMessageA(H(edit), EM_SETSEL, 0, -1);
}

int PlatGetEditSelection(PlatWindow edit, int *start, int *end) {
  if (!edit || !IsWindow(H(edit))) return 0;
  DWORD s = 0, e = 0;
  SendMessageA(H(edit), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  if (start) *start = static_cast<int>(s);
  if (end) *end = static_cast<int>(e);
  return 1;
}
