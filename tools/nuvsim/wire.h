#pragma once
// The simulator's own encoder and decoder of the call-notification datagram.
// Written from the datagram layout alone and kept apart from the client's codec,
// so that a fault in either one shows up as a disagreement between the two.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nuvsim {

// Datagram layout: 32-byte header, payload with its NUL, three trailer bytes.
constexpr size_t kOffVersion = 0, kLenVersion = 5;
constexpr size_t kOffUserId = 5, kLenUserId = 16;
constexpr size_t kOffSequence = 21, kLenSequence = 4;
constexpr size_t kOffCommand = 25;
constexpr size_t kOffReserved = 26;
constexpr size_t kOffDataSize = 28;
constexpr size_t kHeaderSize = 32;
constexpr size_t kTrailerSize = 3;
// Largest datagram the simulator builds itself (raw bytes may be longer).
constexpr size_t kMaxOutDatagram = 4096;
constexpr size_t kMaxOutPayload = kMaxOutDatagram - kHeaderSize - kTrailerSize - 1;

enum Command : char {
  kLogin = 'a', kLogout = 'b', kPIgnore = 'c', kPAckn = 'd', kPAccept = 'e',
  kChpw = 'f', kRelogin = 'g', kSuccess = 'h', kFail = 'i', kPIncoming = 'j',
  kPDisconnect = 'k', kConfigure = 'l', kMessage = 'm', kResend = 'n',
  kInvalid = 'o', kValid = 'p', kDuty = 'q', kPAckn2 = 'r', kConfigNew = 's',
};

// Upper-case command name, or "?" for a byte that is no command.
const char *commandName(char letter);
inline bool isCommand(char letter) { return letter >= 'a' && letter <= 's'; }

// Byte order of the dataSize field. The client writes little-endian; a
// server is expected to write network order, and the client accepts both.
enum class SizeOrder { Little, Big };

struct OutPacket {
  std::string_view version;   // at most 5 bytes copied, NUL-padded
  std::string_view userId;    // at most 16 bytes copied, NUL-padded
  uint8_t sequence[kLenSequence] = {0, 0, 0, 0};
  char command = 0;
  std::string_view payload;   // NUL and trailer are added
  SizeOrder order = SizeOrder::Big;
};

// Builds the datagram into out; returns its length, or -1 when it does not
// fit (cap too small or payload beyond kMaxOutPayload).
int encodePacket(const OutPacket &p, uint8_t *out, size_t cap);

// The sequence text of a numbered packet: "%03u" and its NUL (n below 1000).
void formatSequence(unsigned n, uint8_t out[kLenSequence]);
// The sequence counter after n: 0 to 999, then 0 again.
inline unsigned nextSequence(unsigned n) { return n >= 999 ? 0 : n + 1; }
// Reads the leading decimal number of a sequence field ("%u"); -1 if none.
int parseSequence(const uint8_t seq[kLenSequence]);

enum class DecodeStatus {
  Ok,
  ShortHeader,    // fewer than 32 bytes: no complete header
  ShortPayload,   // shorter than 35 + dataSize
};

struct InPacket {
  char version[kLenVersion + 1] = {};   // always terminated
  char userId[kLenUserId + 1] = {};
  uint8_t sequence[kLenSequence] = {};
  char command = 0;
  uint8_t reserved[2] = {};
  uint32_t dataSize = 0;
  SizeOrder order = SizeOrder::Little;  // the order the size was read in
  // The payload as text: up to its first NUL, never beyond the datagram.
  std::string_view payload;
  bool payloadTerminated = false;
};

// Decodes a datagram. dataSize is read in `expect` order first; a result
// above 0xFFFF is read in the other order instead (both orders occur).
// The fields that are present are filled even when the status is not Ok.
DecodeStatus decodePacket(const uint8_t *data, size_t len, SizeOrder expect, InPacket &out);

// The sequence field as readable text: its printable bytes up to the first
// NUL, other bytes as \xNN (at most 16 characters + NUL).
void sequenceText(const uint8_t seq[kLenSequence], char out[17]);

}  // namespace nuvsim
