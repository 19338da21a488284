#pragma once
// The protocol trace window: a modeless dialog with the log of every packet,
// warning and error of the protocol and a panel of live protocol state.
// While it is closed no trace sink is installed and tracing costs nothing.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

constexpr int kDebugDialog = 300;
constexpr int kDebugLog = 303;
constexpr int kDebugCopy = 101;
constexpr int kDebugClear = 301;
constexpr int kDebugOnBox = 102;
constexpr int kDebugVersion = 304;
constexpr int kDebugLogLines = 80;  // the log keeps this many lines

extern HWND hQryDebugListBox;

void OpenDebugWindow();
void CloseDebugWindow();
INT_PTR CALLBACK DebugListBoxProc(HWND, UINT, WPARAM, LPARAM);
