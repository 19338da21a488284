#pragma once
// What the event bridge calls up into: the application's pop-ups, message
// window, dial-up control, account error and status flags.
//
// Declared here, defined by the program that links the protocol: the Win32
// client defines them with its windows; the protocol console and the tests
// define their own. The core library defines none of them, so a program
// that forgets one fails to link instead of running without it.
//
// Payload texts point into the protocol's receive buffer: they are valid
// only during the call and must be copied if kept. They are writable, so a
// callee may cut its copy in place.

#include "platform/types.h"

// The full pop-up (service types 1 and 2): a call is waiting, a call ended.
void IncommingCallPopup(char *payload, unsigned sessionId);
void ShutDownIncommingCallPopup(char *payload, unsigned sessionId);

// The basic pop-up (service types -1, 0 and 3).
void IncommingCallBasicPopup(char *payload, unsigned sessionId);
void ShutDownIncommingCallBasicPopup(char *payload, unsigned sessionId);

// Shows a server's message text, owned by the main window.
void CreateMessageWindow(void *instance, PlatWindow owner, char *text);
void *GetMainInstance();
PlatWindow GetMainWindowHandle();

// Drops the dial-up connection (after the server confirmed an Answer).
void HangUpNetwork();

// The server reported a service class that this client does not support.
void HandleMisconfiguredAccount();

// The status light: blink green (logged in, no call received yet), blink red
// (network up, not logged in).
void SetBlinkGreen(int flag);
void SetBlinkState(int flag);

// 1 while logged in to the server cluster; written by the bridge.
extern int LoggedIn;
// 1 while the network counts as up; written by the network check.
extern int NetUp;
