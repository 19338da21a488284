// What the pop-ups' decisions call in the windows, recorded; and the event
// bridge's up-calls, which the decisions' use of the bridge links in but no
// test here reaches.

#include <string>

#include "popup_rig.h"
#include "protocol/app_hooks.h"

using popuptest::PopupWindows;

void ClosePopupWindow(int slot) { PopupWindows().calls.push_back("close " + std::to_string(slot)); }
void OpenTransferDropDown(int slot, int n) {
  PopupWindows().calls.push_back("dropdown " + std::to_string(slot) + " " + std::to_string(n));
}
void ShowMainAfterCall(int foregroundOwner) {
  PopupWindows().calls.push_back("main " + std::to_string(foregroundOwner));
}

void IncommingCallPopup(char *, unsigned) {}
void ShutDownIncommingCallPopup(char *, unsigned) {}
void IncommingCallBasicPopup(char *, unsigned) {}
void ShutDownIncommingCallBasicPopup(char *, unsigned) {}
void CreateMessageWindow(void *, PlatWindow, char *) {}
void *GetMainInstance() { return nullptr; }
PlatWindow GetMainWindowHandle() { return nullptr; }
void HangUpNetwork() { PopupWindows().calls.push_back("hangup"); }
void HandleMisconfiguredAccount() {}
