#pragma once
// The caller log window: every entry of the caller list in a sortable list
// view, with Delete and Export. hLogScreen (shell.h) is its handle.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include <commctrl.h>

// Controls of dialog 8001.
constexpr int kLogDialog = 8001;
constexpr int kLogListId = 102;
constexpr int kLogCloseId = 8002;
constexpr int kLogDeleteId = 8004;
constexpr int kLogExportId = 8005;

extern HWND hWndListView;  // 0 while closed or when the list could not be set up

INT_PTR CALLBACK LogDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
HWND CreateListView(HWND dialog);
int Log_AllocEntries(HWND dialog, int count);
void Log_ResetList();
void Log_ResetSortDirection();
void Log_Resort(HWND listView);
LRESULT NotifyHandler(HWND dialog, UINT message, int controlId, NMHDR *notification);

// How Export opens the written file (ShellExecuteA by default); tests put a
// recorder here so no viewer starts. nullptr restores the default.
using LogShellOpenFn = void (*)(HWND owner, const char *path);
void LogSetShellOpen(LogShellOpenFn open);
