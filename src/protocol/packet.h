#pragma once
// Datagram layout, command set, status codes and the payload texts of the
// call-notification protocol. Everything here works in caller-owned buffers:
// nothing is allocated, and received text is read only within the datagram.

#include <array>
#include <cstdint>
#include <string_view>

// ---------------------------------------------------------------------------
// Layout: a 32-byte header, a NUL-terminated payload of dataSize bytes and a
// 3-byte trailer; a datagram is 35 + dataSize bytes long.
constexpr int kPacketVersionOffset = 0;
constexpr int kPacketVersionSize = 5;
constexpr int kPacketUserIdOffset = 5;
constexpr int kPacketUserIdSize = 16;
constexpr int kPacketSequenceOffset = 21;
constexpr int kPacketSequenceSize = 4;
constexpr int kPacketCommandOffset = 25;
constexpr int kPacketReservedOffset = 26;
constexpr int kPacketDataSizeOffset = 28;
constexpr int kPacketHeaderSize = 32;  // also the payload's offset
constexpr int kPacketTrailerSize = 3;
constexpr int kPacketOverhead = kPacketHeaderSize + kPacketTrailerSize;  // 35

constexpr int kPacketMaxPayloadText = 81;  // characters of an outgoing payload
constexpr int kPacketSlotSize = 116;       // buffer of a kept outgoing packet
constexpr int kPacketReceiveSize = 10240;  // one read takes at most this much

// ---------------------------------------------------------------------------
// Command letters.
constexpr char CMD_LOGIN = 'a';
constexpr char CMD_LOGOUT = 'b';
constexpr char CMD_PIGNORE = 'c';
constexpr char CMD_PACKN = 'd';
constexpr char CMD_PACCEPT = 'e';
constexpr char CMD_CHPW = 'f';
constexpr char CMD_RELOGIN = 'g';
constexpr char CMD_SUCCESS = 'h';
constexpr char CMD_FAIL = 'i';
constexpr char CMD_PINCOMING = 'j';
constexpr char CMD_PDISCONNECT = 'k';
constexpr char CMD_CONFIGURE = 'l';
constexpr char CMD_MESSAGE = 'm';
constexpr char CMD_RESEND = 'n';
constexpr char CMD_INVALID = 'o';
constexpr char CMD_VALID = 'p';
constexpr char CMD_DUTY = 'q';
constexpr char CMD_PACKN2 = 'r';
constexpr char CMD_CONFIGNEW = 's';
constexpr char CMD_FIRST = CMD_LOGIN;
constexpr char CMD_LAST = CMD_CONFIGNEW;

constexpr bool NuvPacketCommandKnown(int letter) { return letter >= CMD_FIRST && letter <= CMD_LAST; }

// ---------------------------------------------------------------------------
// Status codes of the protocol operations.
constexpr int NUV_OK = 0;          // success; a receive hands a packet to the application
constexpr int NUV_OK_NOTHING = 1;  // success with nothing for the application
constexpr int EMISC = 2;           // sending failed, or no memory for a server list
constexpr int EDROP = 3;           // no free slot for a numbered packet
constexpr int ESESS = 4;           // no such session
constexpr int ETYPE = 5;           // the client cannot send this command
constexpr int ESOCK = 6;           // receiving failed
constexpr int EMATCH = 7;          // a later SUCCESS contradicts the first login
constexpr int ECONTENT = 8;        // malformed payload or server list
constexpr int ELISTMEMORY = 9;     // no memory for the stored server list
constexpr int ESOCKCREATE = 10;    // the UDP socket could not be created
constexpr int ESOCKBIND = 11;      // the UDP socket could not be bound

constexpr int FLAG_LOGIN_CHANGED = 0x40000000;
constexpr int FLAG_CONFIG_CHANGED = 0x20000000;
constexpr int NUV_STATUS_MASK = ~(FLAG_LOGIN_CHANGED | FLAG_CONFIG_CHANGED);

// ---------------------------------------------------------------------------
// Trace texts of the acceptance rules.
constexpr const char *kTraceHtonlWarning = "Warning: Server sent DataSize without htonl():\r\n";
constexpr const char *kTraceBadDataSize = "Dropped packet with invalid DataSize\r\n";
constexpr const char *kTraceUnknownCommand =
    "Warning: protocol level dropped packet with unknown command\r\n";
constexpr const char *kTraceRepeatedPacket = "Repeated packet acknowledged, not delivered again\r\n";

// ---------------------------------------------------------------------------
// Building outgoing packets.

// Sequence numbers run 000 to 999 and then wrap.
constexpr unsigned NuvPacketNextSequence(unsigned n) { return n >= 999 ? 0 : n + 1; }

// The sequence field of a numbered packet: "%03u" and a NUL.
std::array<uint8_t, kPacketSequenceSize> NuvPacketSequenceField(unsigned counter);
// The sequence field of DUTY: "-1".
constexpr std::array<uint8_t, kPacketSequenceSize> kDutySequence = {'-', '1', 0, 0};

// Payload text of an outgoing command into out (NUL-terminated, cut to at
// most kPacketMaxPayloadText characters and outSize - 1). `text` is the
// password (LOGIN, LOGOUT) or the destination number (PACCEPT); `a` and `b`
// the call identifier and second argument; connectionType goes with LOGIN in
// every version but "6.0". VALID, INVALID and DUTY have an empty payload.
// Returns the text's length, or -1 for a command the client does not send
// (out then holds the empty text).
int NuvPacketFormatPayload(char command, std::string_view version, const char *text, int a, int b,
                           int connectionType, char *out, int outSize);

// Writes a whole datagram into buf: version (5 bytes, NUL-padded), userId
// (16 bytes, NUL-padded), the 4 sequence bytes, the command, reserved 0,
// dataSize = payload length + 1 in little-endian order, the payload and its
// NUL, three zero trailer bytes. A payload that does not fit is cut so that
// the datagram fits bufSize. Returns the datagram's length (35 + dataSize),
// or 0 when buf cannot hold even an empty packet.
int NuvPacketBuild(uint8_t *buf, int bufSize, std::string_view version, std::string_view userId,
                   const std::array<uint8_t, kPacketSequenceSize> &sequence, char command,
                   std::string_view payload);

// ---------------------------------------------------------------------------
// Reading header fields (any packet of at least 32 bytes).

// The version text: up to its NUL, at most 5 characters.
std::string_view NuvPacketVersion(const uint8_t *packet);
// The userId text: up to its NUL, at most 16 characters.
std::string_view NuvPacketUserId(const uint8_t *packet);
// The sequence text: up to its NUL, at most 4 characters.
std::string_view NuvPacketSequenceText(const uint8_t *packet);
inline char NuvPacketCommand(const uint8_t *packet) {
  return static_cast<char>(packet[kPacketCommandOffset]);
}
inline unsigned NuvPacketReserved(const uint8_t *packet) {
  return packet[kPacketReservedOffset] | (packet[kPacketReservedOffset + 1] << 8);
}
// dataSize as stored by this client: little-endian (the processor's order).
uint32_t NuvPacketDataSize(const uint8_t *packet);
void NuvPacketSetDataSize(uint8_t *packet, uint32_t dataSize);

// The sequence text read with "%u" (leading blanks, optional sign, digits).
// Returns 1 and the number, or 0 when the text holds no number.
int NuvPacketSequenceNumber(std::string_view sequenceText, unsigned *out);

// Version "6.0" / "7.0" tests on the packet's version field.
bool NuvPacketIsVersion(const uint8_t *packet, std::string_view version);

// ---------------------------------------------------------------------------
// Accepting a received datagram.

struct NuvPacketAcceptance {
  uint32_t dataSize;   // converted: network order, or processor order when that exceeded 0xFFFF
  bool htonlWarning;   // dataSize came in processor order: trace kTraceHtonlWarning
  bool lengthOk;       // the datagram holds 35 + dataSize bytes; else trace kTraceBadDataSize, drop
  bool commandKnown;   // letter 'a'..'s'; else trace kTraceUnknownCommand, drop (no VALID)
};

// Applies the datagram rules to length bytes; reads nothing beyond them
// (missing dataSize bytes count as 0). The caller applies the verdicts in
// the protocol's order: warning, length, trace, session, command. After a
// good length, NuvPacketSetDataSize(datagram, dataSize) stores the converted
// value, which the packet trace prints.
NuvPacketAcceptance NuvPacketAccept(const uint8_t *datagram, int length);

// The payload text of a received datagram: from offset 32 up to its NUL or
// the end of the datagram, whichever comes first; empty for a short one.
std::string_view NuvPacketPayload(const uint8_t *datagram, int length);

// ---------------------------------------------------------------------------
// Payload parsers. Views point into the caller's payload text.

// SUCCESS answering LOGIN: fields split at ':' with empty fields skipped.
struct NuvLoginAnswer {
  int firstCall;                // field 1, "%d"
  bool mapServer;               // field 2 readable: a MAP server; else a Redirect server
  int service;                  // field 2, MAP server only
  std::string_view signature;   // field 3, at most 16 characters, MAP server only
};
// NUV_OK, or ECONTENT when the first-call flag is missing or unreadable, or a
// MAP server's signature field is missing.
int NuvPacketParseLoginAnswer(std::string_view payload, NuvLoginAnswer *out);

// PINCOMING: call identifier, caller's name, caller's number, time stamp,
// split at ':' (empty fields kept); at most 96 characters are examined; a
// missing field is empty.
constexpr int kIncomingExamined = 96;
struct NuvIncomingCall {
  int callId;                // field 1 as a decimal number; 0 when unreadable
  std::string_view name;
  std::string_view number;
  std::string_view time;
};
// NUV_OK, or ECONTENT when the call identifier is unreadable (the fields are
// filled either way).
int NuvPacketParseIncoming(std::string_view payload, NuvIncomingCall *out);

// PDISCONNECT: the call identifier up to the first ':' (at most 48
// characters read). NUV_OK, or ECONTENT when it is not a number (*callId 0).
constexpr int kDisconnectExamined = 48;
int NuvPacketParseDisconnect(std::string_view payload, int *callId);

// CONFIGNEW, by the datagram's version field and the payload's prefix.
enum NuvConfigNewKind {
  CONFIGNEW_IPS,              // "7.0" "ips:": text = the list after the prefix, style 0
  CONFIGNEW_TIME,             // "6.0"/"7.0" "time:"
  CONFIGNEW_IP1,              // "6.0" "ip1:": host, port
  CONFIGNEW_IP2,              // "6.0" "ip2:": ignored
  CONFIGNEW_CUSTOM,           // "7.0" "custom:"
  CONFIGNEW_OTHER,            // "6.0"/"7.0" anything else: delivered, ignored
  CONFIGNEW_UNKNOWN_VERSION,  // trace the version and drop
};
NuvConfigNewKind NuvPacketConfigNewKind(std::string_view version, std::string_view payload);

// "time:%d:%d:%d": packet time-out, resends, duty. NUV_OK or ECONTENT.
struct NuvConfigTime {
  int timeout;
  int resends;
  int duty;
};
int NuvPacketParseConfigTime(std::string_view payload, NuvConfigTime *out);

// "ip1:" address '/' port (fields split at '/', empty ones skipped; port
// "%hu"). NUV_OK or ECONTENT when either is missing or the port unreadable.
struct NuvConfigIp1 {
  std::string_view host;
  uint16_t port;
};
int NuvPacketParseConfigIp1(std::string_view payload, NuvConfigIp1 *out);

// "custom:%[^:]:%[^:]:%d:%d" with the number and PIN at most 95 characters:
// items counts the fields read as the scanf family would (an empty or
// over-long text field stops the reading). Fewer than three items is
// malformed.
constexpr int kCustomFieldMax = 95;
struct NuvConfigCustom {
  int items;
  std::string_view number;
  std::string_view pin;
  int notify;
  int answer;
};
// NUV_OK when at least three items were read, else ECONTENT.
int NuvPacketParseConfigCustom(std::string_view payload, NuvConfigCustom *out);

// ---------------------------------------------------------------------------
// Server-list text: style ':' count ':' then count times address '/' port,
// separated by ':'. Fields are taken as a tokenizer that skips empty fields
// does: the style and count up to ':', each address up to '/', each port up
// to ':'. Text after the last server is ignored.
constexpr int kServerListMax = 64;
constexpr int kServerHostSize = 128;

struct NuvServerEntry {
  char host[kServerHostSize];  // NUL-terminated as given (dotted address or name)
  uint16_t port;               // host order
};

struct NuvServerList {
  bool styleRead;  // style is valid even when the list is rejected
  int style;       // 0 All, 1 One
  int count;
  std::array<NuvServerEntry, kServerListMax> servers;
};

// NUV_OK, or ECONTENT for a missing or unreadable style (or one other than 0
// and 1), a count below 1 or above kServerListMax, a missing address or
// port, an unreadable port or an address longer than 127 characters.
int NuvPacketParseServerList(std::string_view text, NuvServerList *out);

// The list of a CONFIGNEW "ips:" payload (the payload after "ips:", read as
// a server-list text of style 0).
int NuvPacketParseServerListIps(std::string_view afterPrefix, NuvServerList *out);
