#include "wire.h"

#include <cstdio>
#include <cstring>

namespace nuvsim {

namespace {

constexpr const char *kNames[] = {
    "LOGIN",   "LOGOUT",  "PIGNORE",  "PACKN",       "PACCEPT",   "CHPW",    "RELOGIN",
    "SUCCESS", "FAIL",    "PINCOMING", "PDISCONNECT", "CONFIGURE", "MESSAGE", "RESEND",
    "INVALID", "VALID",   "DUTY",     "PACKN2",      "CONFIGNEW",
};
static_assert(sizeof(kNames) / sizeof(kNames[0]) == 's' - 'a' + 1, "one name per letter");

uint32_t readSize(const uint8_t *b, SizeOrder order) {
  if (order == SizeOrder::Big)
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
  return uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | uint32_t(b[0]);
}

void writeSize(uint8_t *b, uint32_t v, SizeOrder order) {
  for (int i = 0; i < 4; ++i) {
    const int shift = order == SizeOrder::Big ? 24 - 8 * i : 8 * i;
    b[i] = uint8_t(v >> shift);
  }
}

void copyPadded(uint8_t *dst, size_t width, std::string_view src) {
  std::memset(dst, 0, width);
  if (!src.empty()) std::memcpy(dst, src.data(), src.size() < width ? src.size() : width);
}

}  // namespace

const char *commandName(char letter) { return isCommand(letter) ? kNames[letter - 'a'] : "?"; }

int encodePacket(const OutPacket &p, uint8_t *out, size_t cap) {
  if (p.payload.size() > kMaxOutPayload) return -1;
  const size_t dataSize = p.payload.size() + 1;
  const size_t total = kHeaderSize + dataSize + kTrailerSize;
  if (total > cap) return -1;
  copyPadded(out + kOffVersion, kLenVersion, p.version);
  copyPadded(out + kOffUserId, kLenUserId, p.userId);
  std::memcpy(out + kOffSequence, p.sequence, kLenSequence);
  out[kOffCommand] = uint8_t(p.command);
  out[kOffReserved] = 0;
  out[kOffReserved + 1] = 0;
  writeSize(out + kOffDataSize, uint32_t(dataSize), p.order);
  if (!p.payload.empty()) std::memcpy(out + kHeaderSize, p.payload.data(), p.payload.size());
  std::memset(out + kHeaderSize + p.payload.size(), 0, 1 + kTrailerSize);
  return int(total);
}

void formatSequence(unsigned n, uint8_t out[kLenSequence]) {
  char text[8];
  std::snprintf(text, sizeof text, "%03u", n % 1000);
  std::memcpy(out, text, kLenSequence);  // three digits and the NUL
}

int parseSequence(const uint8_t seq[kLenSequence]) {
  size_t i = 0;
  while (i < kLenSequence && (seq[i] == ' ' || seq[i] == '\t')) ++i;
  if (i < kLenSequence && seq[i] == '+') ++i;
  if (i == kLenSequence || seq[i] < '0' || seq[i] > '9') return -1;
  int v = 0;
  for (; i < kLenSequence && seq[i] >= '0' && seq[i] <= '9'; ++i) v = v * 10 + (seq[i] - '0');
  return v;
}

DecodeStatus decodePacket(const uint8_t *data, size_t len, SizeOrder expect, InPacket &out) {
  out = InPacket{};
  if (len < kHeaderSize) return DecodeStatus::ShortHeader;
  std::memcpy(out.version, data + kOffVersion, kLenVersion);
  std::memcpy(out.userId, data + kOffUserId, kLenUserId);
  std::memcpy(out.sequence, data + kOffSequence, kLenSequence);
  out.command = char(data[kOffCommand]);
  out.reserved[0] = data[kOffReserved];
  out.reserved[1] = data[kOffReserved + 1];
  out.order = expect;
  out.dataSize = readSize(data + kOffDataSize, expect);
  if (out.dataSize > 0xFFFF) {
    out.order = expect == SizeOrder::Big ? SizeOrder::Little : SizeOrder::Big;
    out.dataSize = readSize(data + kOffDataSize, out.order);
  }
  // The payload text never runs past the received bytes, whatever dataSize says.
  const char *text = reinterpret_cast<const char *>(data + kHeaderSize);
  const size_t avail = len - kHeaderSize;
  const void *nul = std::memchr(text, 0, avail);
  out.payloadTerminated = nul != nullptr;
  out.payload = std::string_view(text, nul ? size_t(static_cast<const char *>(nul) - text) : avail);
  if (uint64_t(len) < uint64_t(kHeaderSize) + out.dataSize + kTrailerSize) return DecodeStatus::ShortPayload;
  return DecodeStatus::Ok;
}

void sequenceText(const uint8_t seq[kLenSequence], char out[17]) {
  size_t n = 0;
  for (size_t i = 0; i < kLenSequence && seq[i] != 0; ++i) {
    if (seq[i] >= 0x20 && seq[i] < 0x7f)
      out[n++] = char(seq[i]);
    else
      n += size_t(std::snprintf(out + n, 17 - n, "\\x%02X", seq[i]));
  }
  out[n] = 0;
}

}  // namespace nuvsim
