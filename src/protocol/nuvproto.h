#pragma once
// The session engine: the one login record, its server sessions and the
// packets awaiting acknowledgement; cluster login and logout, the receive
// path, the one-second protocol clock, and the stored server lists.
//
// Every operation takes the login record first and returns a protocol status
// code (0 success with a packet for the application, 1 success with nothing
// to do, 2 and up failures, flags added to successes) unless said otherwise.
// Single-threaded: nothing here may be entered while another operation runs.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "protocol/packet.h"
#include "protocol/udp.h"

struct NuvProtoLogin;

// Supplies a server-list text: stores a malloc'ed text (the caller frees it
// with free()) or nullptr.
using NuvProtoFallbackFn = void (*)(NuvProtoLogin *login, char **out);

constexpr int kNuvPendingSlots = 15;
constexpr int kNuvSlotPacketSize = 116;       // header and up to 84 payload bytes
constexpr int kNuvReceiveBufferSize = 10240;  // one read takes at most this

// Session login states.
constexpr int kNuvLoggedIn = 0;
constexpr int kNuvNotLoggedIn = 1;
constexpr int kNuvParked = 2;

// Server kinds, learnt from the answer to LOGIN.
constexpr int kNuvKindUnknown = 0;
constexpr int kNuvKindMap = 1;
constexpr int kNuvKindRedirect = 2;

struct NuvProtoSession {
  unsigned id;
  unsigned sequence;      // next sequence number, 0 to 999
  int silence;            // seconds since the server's last datagram
  int timeout;            // packet time-out in seconds
  int retryInterval;
  int duty;               // keep-alive interval in seconds
  int invalidCount;
  int resendCount;
  int maxResends;
  int loginState;         // kNuvLoggedIn, kNuvNotLoggedIn, kNuvParked
  int pendingCommand;     // letter of the last request awaiting SUCCESS/FAIL, or 0
  int pendingArgument;    // its call identifier; -1 for LOGIN
  int kind;               // kNuvKind...
  UdpRemote remote;
};

struct NuvProtoPending {
  int free;               // 1 free, 0 holds a packet awaiting VALID
  unsigned sessionId;
  int timeout;            // first countdown in seconds, 0 stopped
  int retry;              // second countdown in seconds, 0 stopped
  int sequence;
  uint8_t packet[kNuvSlotPacketSize];
};

// A packet lately handed to the application, remembered so that a repeat of
// it (the server's resend after a lost VALID, or a copy doubled on the way)
// is acknowledged again but not acted on twice: no second pop-up for one
// call, no second message window for one message.
constexpr int kNuvDeliveredMemory = 64;
constexpr int kNuvDeliveredPayloadMax = 96;  // characters compared
struct NuvProtoDelivered {
  int used;
  PlatSockAddr source;    // the server that sent it
  char command;
  uint8_t sequence[kPacketSequenceSize];
  char payload[kNuvDeliveredPayloadMax + 1];
};

struct NuvProtoParams {
  const char *userId;     // digits only
  const char *password;
  const char *version;    // "7.0" or "6.0"
  int service;
  int packetTimeout;
  int retryInterval;
  int dutySeconds;
  int maxResends;
  int fallbackSeconds;
  int switchSeconds;
  int loginValidSeconds;
  NuvProtoFallbackFn fallbackCallback;
};

struct NuvProtoLogin {
  int loggedIn;
  int loggedInServers;
  int outTime;
  int style;              // 0 All, 1 One
  int fallbackSeconds;
  int switchSeconds;
  int loginValidSeconds;
  int networkDown;
  int hangupOnSuccess;    // a command letter, or 0
  int connectionType;
  int fallbackStage;      // 0 to 3
  int firstCallReceived;
  int service;
  char signature[16];     // not terminated when 16 characters long
  char password[32];
  char userId[16];
  char version[5];
  int packetTimeout;
  int retryInterval;
  int dutySeconds;
  int maxResends;
  int timerDisabled;
  UdpLocal local;
  int serverCount;
  NuvProtoSession *sessions;  // heap array of serverCount, nullptr when 0
  unsigned nextSessionId;
  int nextServerIndex;
  // One byte beyond the largest read, so the text of any datagram read is
  // always terminated within the buffer.
  uint8_t receiveBuffer[kNuvReceiveBufferSize + 1];
  NuvProtoPending pending[kNuvPendingSlots];
  NuvProtoFallbackFn fallbackCallback;
  // The latest deliveries of calls, call ends and messages (a ring).
  NuvProtoDelivered delivered[kNuvDeliveredMemory];
  int deliveredNext;
};

extern NuvProtoLogin nuvLogin;

// --- Operations -----------------------------------------------------------

// Start: settings, slots, the socket (status 10 create, 11 bind, 6 other).
// The clock stays off until a network-up event or a server list enables it.
int NuvProtoInit(NuvProtoLogin *login, const NuvProtoParams *params);

// Builds and sends one packet. text, a and b per command; timeoutOverride 0
// means the session's timeout.
int NuvProtoSendPacket(NuvProtoLogin *login, NuvProtoSession *session, int command,
                       const char *text, int a, int b, int timeoutOverride);

// Reads and handles one datagram. 0: *session and *packet give a packet for
// the application (packet points into the receive buffer, valid until the
// next receive; its dataSize field is in host order and its text is
// terminated); 1 (maybe with flags): nothing for the application.
int NuvProtoRecvPacket(NuvProtoLogin *login, NuvProtoSession **session,
                       uint8_t **packet);

// The handling half of NuvProtoRecvPacket for a datagram of `length` bytes
// already in the receive buffer, sent from local.source (length 0: nothing
// was waiting; -1: the read failed).
int NuvProtoHandleDatagram(NuvProtoLogin *login, int length, NuvProtoSession **session,
                           uint8_t **packet);

// Installs a new list when text is given (split in place), then sends the
// LOGINs the style asks for.
int NuvProtoClusterLogin(NuvProtoLogin *login, char *text);
// Leaves every server (LOGOUT to the logged-in ones when sendLogout) and
// empties the table.
int NuvProtoClusterLogoutEx(NuvProtoLogin *login, int sendLogout);
int NuvProtoClusterLogout(NuvProtoLogin *login);

int NuvProtoTimerEnable(NuvProtoLogin *login, int enable);
NuvProtoSession *NuvProtoFindSessionById(NuvProtoLogin *login, unsigned id);

// The one-second clock: resends, keep-alives, style One turns, fallback.
// Returns 0, 0x60000000 when the last logged-in server was lost, or the
// failure status of a send.
int NuvProtoTimerTick(NuvProtoLogin *login);

// --- Engine helpers (shared by the engine's files and its tests) ----------

int FindFreeSlot(NuvProtoLogin *login);  // -1 when none
int FindPendingSlot(NuvProtoLogin *login, unsigned sessionId, const char *sequenceText,
                    size_t sequenceLength);
void FreeSlot(NuvProtoLogin *login, int slot);
void FreeSessionSlots(NuvProtoLogin *login, unsigned sessionId);
void FreeAllSlots(NuvProtoLogin *login);
NuvProtoSession *FindSessionByAddress(NuvProtoLogin *login, const PlatSockAddr &address);
void InitSession(NuvProtoLogin *login, NuvProtoSession *session);
void ResetSessionCounters(NuvProtoSession *session);
void NextSequence(NuvProtoSession *session);
// A new session table (malloc'ed) for a server-list text; sessions of servers
// already in the table are carried over whole. The style read is stored in
// login->style even when the list is then refused.
int ParseServerList(NuvProtoLogin *login, char *text, NuvProtoSession **table, int *count);
int BuildSessionTable(NuvProtoLogin *login, const NuvServerList &list, NuvProtoSession **table,
                      int *count);
void LogoutRemovedServers(NuvProtoLogin *login, const NuvProtoSession *table, int count);
bool MarkLoggedIn(NuvProtoLogin *login, NuvProtoSession *session);
bool MarkLoggedOut(NuvProtoLogin *login, NuvProtoSession *session, int newState);
void ParkAllSessions(NuvProtoLogin *login);
// Length of a kept packet as sent (35 + its dataSize).
int NuvProtoSlotLength(const NuvProtoPending *slot);
// Sends a kept packet again exactly as it was sent first: 0, or EMISC.
int ResendSlot(NuvProtoLogin *login, NuvProtoSession *session, NuvProtoPending *slot);
// Number of slots holding a kept packet.
int NuvProtoQueuedPackets(const NuvProtoLogin *login);
// Whether a received packet repeats one already handed to the application,
// and if not, remembers it. A call (PINCOMING) repeats an earlier one from the
// same server with the same text, whatever its sequence: a server that
// starts its count anew still names the call by the same identifier. A call
// end (PDISCONNECT) or a message (MESSAGE) repeats when sequence and text
// are the same too. Other commands are never taken for repeats.
bool NuvProtoRepeatedDelivery(NuvProtoLogin *login, const PlatSockAddr &source,
                              const uint8_t *packet, std::string_view payload);

// --- Server lists and protocol settings -----------------------------------

struct ConfigReadOnlyValues {
  unsigned fallbackSeconds;    // OBXFALLBACK, default 300
  unsigned switchSeconds;      // OBXSWITCH, default 120
  unsigned loginValidSeconds;  // OBXLOGINVALID, default 30
};
extern ConfigReadOnlyValues Config_readOnly;
// The stored server list read at load (malloc'ed), or nullptr.
extern char *Config_serverListString;

// Stored-settings access (NUV.INI). ReadConfig is called by the settings load
// after the Config fields are read (0, or 9 when out of memory); SaveConfig by
// every save before they are written. ReadConfig does not use its login.
int NuvProtoReadConfig(NuvProtoLogin *login, const char *section, const char *path);
int NuvProtoSaveConfig(NuvProtoLogin *login, const char *section, const char *path);

// The next server-list text to try (stored list, Redirect server, built-in
// default server), malloc'ed, or nullptr.
void NuvEventProvideFallbackServer(NuvProtoLogin *login, char **out);
