#pragma once
// The message window: a server's free-text message on a skinned panel with
// a link button, an OK button and a close box. One at a time.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "shell/message_text.h"
#include "skin/buttons.h"

constexpr int kMessageWidth = 364;
constexpr int kMessageHeight = 238;
constexpr int kMessageEditId = 3003;
constexpr int kMessageButtonsId = 3004;
constexpr int kMessageLink = 401;
constexpr int kMessageOk = 402;
constexpr int kMessageClose = 403;
constexpr int kIdsProductSite = 1985;

extern char *MessageText;
extern char MessageUrl[kMessageUrlSize];
extern HWND hMessageEdit;
extern HWND hMessageButtons;
extern HBRUSH hMessageBrush;
extern int MessageButtonPressed;
extern const SkinButton MessageBTNLink, MessageBTNOk, MessageBTNClose;
extern const struct SkinButtonLayer MessageButtonLayer;

int RegisterMessageClass();
int RegisterMessageButtonClass();
LRESULT CALLBACK MessageProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK MessageButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT MessageParentNotify(HWND, UINT, WPARAM, LPARAM);
