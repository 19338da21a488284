// The application side of the event bridge for the console: each hook
// becomes one output line. There are no windows, so the instance and the
// main window are none.

#include <string>

#include "cli.h"
#include "protocol/app_hooks.h"
#include "protocol/event.h"
#include "protocol/nuvproto.h"

int LoggedIn = 0;
int NetUp = 0;

namespace {
void CallLine(const char *event, const char *kind, const char *payload, unsigned sessionId) {
  CliEmit(std::string(event) + "\t" + kind + "\t" + std::to_string(sessionId) + "\t" +
          CliEscape(payload ? payload : ""));
}
}  // namespace

void IncommingCallPopup(char *payload, unsigned sessionId) {
  CallLine("CALL", "full", payload, sessionId);
}
void ShutDownIncommingCallPopup(char *payload, unsigned sessionId) {
  CallLine("ENDED", "full", payload, sessionId);
}
void IncommingCallBasicPopup(char *payload, unsigned sessionId) {
  CallLine("CALL", "basic", payload, sessionId);
}
void ShutDownIncommingCallBasicPopup(char *payload, unsigned sessionId) {
  CallLine("ENDED", "basic", payload, sessionId);
}

void CreateMessageWindow(void *, PlatWindow, char *text) {
  CliEmit("MESSAGE\t" + CliEscape(text ? text : ""));
}
void *GetMainInstance() { return nullptr; }
PlatWindow GetMainWindowHandle() { return nullptr; }

// As the dial-up control does: the network is reported down at once. The
// console has no connection to drop; its next network check finds the
// network up again and logs in anew, as a redial would.
void HangUpNetwork() {
  CliEmit("HANGUP");
  NuvEventNetworkChange(&nuvLogin, 0);
  NetUp = 0;
}

void HandleMisconfiguredAccount() { CliEmit("MISCONFIGURED"); }

// The console has no status light.
void SetBlinkGreen(int) {}
void SetBlinkState(int) {}
