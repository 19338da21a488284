#pragma once
// The bridge between the session engine and the application.
//
// Down (called by the application): a readable socket is handled with
// NuvProtoProcessIncoming, the user's decisions go out with NuvProtoTransmit,
// and the NuvEvent... calls report the network, the connection type and the
// hang-up rule. Up (called from here): the pop-ups, the message window, the
// hang-up, the account error and the status flags of app_hooks.h, and the
// settings save.
//
// The bridge keeps no state of its own; everything lives in the login
// record. Single-threaded, like the engine.

#include "protocol/nuvproto.h"

// Trace texts of the bridge.
constexpr const char *kTraceLoginChanged = "Login state changed.\r\n";
constexpr const char *kTraceConfigChanged = "Config state changed.\r\n";
constexpr const char *kTraceNullPacket = "Warning: NuvProtoRecvPacket returned OK with NULL packet.\r\n";
constexpr const char *kTraceEventUnknownCommand =
    "Warning: EVENT level dropped packet with unknown command\r\n";
constexpr const char *kTraceTransmitFailed = "High-level transmit req failed: ";
constexpr const char *kTraceNetworkUp = "Network Change: Up\r\n";
constexpr const char *kTraceNetworkDown = "Network Change: Down\r\n";

// Reads and handles one datagram; hands what concerns the user to the
// application. Returns 0, or the failure status of the receive or of the
// packet's content (ECONTENT for a malformed "custom:" push).
int NuvProtoProcessIncoming(NuvProtoLogin *login);

// Sends one decision to the server of sessionId: command PACCEPT, PACKN,
// PIGNORE or PACKN2, text the destination number (PACCEPT), a the call
// identifier, b the delay (PACCEPT) or second argument (PACKN2). Returns
// ESESS when that server is no longer in the session table (nothing is
// sent), else the send status.
int NuvProtoTransmit(NuvProtoLogin *login, unsigned sessionId, char command, const char *text,
                     int a, int b);

// The network came up (up != 0: log in unless logged in) or went down (log
// out of every server, empty the table, stop the clock). Returns 0 or the
// failure status of the login or logout; callers may ignore it.
int NuvEventNetworkChange(NuvProtoLogin *login, int up);

// Arms the hang-up: the next SUCCESS answering a request of `command` calls
// HangUpNetwork once. Returns 0.
int NuvEventHangupOnSuccess(NuvProtoLogin *login, int command);

// 1 for a dial-up connection, else 0; sent with the next LOGIN. Returns 0.
int NuvEventConnectionType(NuvProtoLogin *login, int type);

// Brings the application's LoggedIn flag and status light up to date, and
// reports an account whose service class this client does not support.
void NuvEventLoginChange(NuvProtoLogin *login);

// Protocol settings changed: saves the settings.
void NuvEventConfigChange(NuvProtoLogin *login);
