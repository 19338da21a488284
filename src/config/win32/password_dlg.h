#pragma once
// The password dialog: asks for the monitored number and a password when the
// stored ones cannot be used. OK stores both in NUV.INI; Cancel stores nothing.

#include <windows.h>

// Dialog template of the password dialog.
constexpr int kPasswordDialogTemplate = 3;

// Runs the dialog modally over owner: 0 after OK (both values saved), -1
// after Cancel or when the dialog cannot be shown.
INT_PTR CreatePasswordDialog(HINSTANCE instance, HWND owner);

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Copies the dialog's number and password into USERID and PASSWORD and saves
// the settings; returns the save's result.
int SavePassword();
