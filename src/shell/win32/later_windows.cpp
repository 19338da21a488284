// Windows that come in later stages of the client: the message window, the
// configuration and caller log windows and the protocol trace window. Until
// they exist, what opens them does nothing visible.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "protocol/app_hooks.h"
#include "shell/win32/shell.h"

HWND hConfigWnd;

HWND GetConfigHandle() { return hConfigWnd; }
void OpenConfigureBox(HWND, int) {}

