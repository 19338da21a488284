#include "protocol/packet.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number the way the scanf family does: leading blanks, an
// optional sign, at least one digit; the rest of the text is left. Returns
// the number of characters used (0: unreadable). The magnitude saturates at
// 0xFFFFFFFF so over-long digit runs cannot overflow.
size_t ScanMagnitude(std::string_view s, bool *negative, uint32_t *magnitude) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  *negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) *negative = s[i++] == '-';
  const size_t digits = i;
  uint64_t v = 0;
  while (i < s.size() && IsDigit(s[i])) {
    v = v * 10 + static_cast<uint64_t>(s[i] - '0');
    if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull + 1;  // stays saturated
    ++i;
  }
  if (i == digits) return 0;
  *magnitude = v > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
  return i;
}

// "%d": saturates at the int range.
size_t ScanInt(std::string_view s, int *out) {
  bool neg;
  uint32_t mag;
  const size_t n = ScanMagnitude(s, &neg, &mag);
  if (n == 0) return 0;
  if (neg)
    *out = mag >= 0x80000000u ? INT32_MIN : -static_cast<int>(mag);
  else
    *out = mag > 0x7FFFFFFFu ? INT32_MAX : static_cast<int>(mag);
  return n;
}

// "%u": a negative number wraps as strtoul's does.
size_t ScanUnsigned(std::string_view s, unsigned *out) {
  bool neg;
  uint32_t mag;
  const size_t n = ScanMagnitude(s, &neg, &mag);
  if (n == 0) return 0;
  *out = neg ? 0u - mag : mag;
  return n;
}

// "%hu": the unsigned value cut to 16 bits.
size_t ScanPort(std::string_view s, uint16_t *out) {
  unsigned v;
  const size_t n = ScanUnsigned(s, &v);
  if (n) *out = static_cast<uint16_t>(v & 0xFFFFu);
  return n;
}

// A field splitter that skips empty fields: each call skips leading
// delimiters, takes the text up to the next delimiter and consumes that one
// delimiter. Delimiter sets may differ from call to call.
struct Tokenizer {
  std::string_view rest;

  bool Next(std::string_view delims, std::string_view *token) {
    const size_t start = rest.find_first_not_of(delims);
    if (start == std::string_view::npos) {
      rest = {};
      return false;
    }
    rest.remove_prefix(start);
    const size_t end = rest.find_first_of(delims);
    if (end == std::string_view::npos) {
      *token = rest;
      rest = {};
    } else {
      *token = rest.substr(0, end);
      rest.remove_prefix(end + 1);
    }
    return true;
  }
};

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// Text of a fixed field up to its NUL.
std::string_view FieldText(const uint8_t *p, size_t size) {
  const char *c = reinterpret_cast<const char *>(p);
  const void *nul = std::memchr(c, 0, size);
  return {c, nul ? static_cast<size_t>(static_cast<const char *>(nul) - c) : size};
}

// Text up to an embedded NUL, as C code would see it.
std::string_view UpToNul(std::string_view s) {
  const size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

void CopyPadded(uint8_t *dst, size_t size, std::string_view text) {
  text = UpToNul(text);
  const size_t n = text.size() < size ? text.size() : size;
  if (n) std::memcpy(dst, text.data(), n);
  std::memset(dst + n, 0, size - n);
}

int ParseServers(Tokenizer tok, NuvServerList *out) {
  std::string_view field;
  int count;
  if (!tok.Next(":", &field) || !ScanInt(field, &count) || count < 1 || count > kServerListMax)
    return ECONTENT;
  for (int i = 0; i < count; ++i) {
    std::string_view host, port;
    NuvServerEntry &e = out->servers[i];
    if (!tok.Next("/", &host) || host.size() >= sizeof e.host) return ECONTENT;
    if (!tok.Next(":", &port) || !ScanPort(port, &e.port)) return ECONTENT;
    std::memcpy(e.host, host.data(), host.size());
    e.host[host.size()] = '\0';
  }
  out->count = count;
  return NUV_OK;
}

}  // namespace

std::array<uint8_t, kPacketSequenceSize> NuvPacketSequenceField(unsigned counter) {
  std::array<uint8_t, kPacketSequenceSize> f{};
  const unsigned n = counter % 1000;
  f[0] = static_cast<uint8_t>('0' + n / 100);
  f[1] = static_cast<uint8_t>('0' + n / 10 % 10);
  f[2] = static_cast<uint8_t>('0' + n % 10);
  f[3] = 0;
  return f;
}

int NuvPacketFormatPayload(char command, std::string_view version, const char *text, int a, int b,
                           int connectionType, char *out, int outSize) {
  char tmp[kPacketMaxPayloadText + 1];
  const char *t = text ? text : "";
  int n;
  switch (command) {
    case CMD_LOGIN:
      if (UpToNul(version) == "6.0")
        n = std::snprintf(tmp, sizeof tmp, "%s", t);
      else
        n = std::snprintf(tmp, sizeof tmp, "%s:%d", t, connectionType);
      break;
    case CMD_LOGOUT: n = std::snprintf(tmp, sizeof tmp, "%s", t); break;
    case CMD_PIGNORE:
    case CMD_PACKN: n = std::snprintf(tmp, sizeof tmp, "%d", a); break;
    case CMD_PACKN2:
      n = b >= 0 ? std::snprintf(tmp, sizeof tmp, "%d:%d", a, b) : std::snprintf(tmp, sizeof tmp, "%d", a);
      break;
    case CMD_PACCEPT: n = std::snprintf(tmp, sizeof tmp, "%02d:%02d:%s", a, b, t); break;
    case CMD_VALID:
    case CMD_INVALID:
    case CMD_DUTY:
      tmp[0] = '\0';
      n = 0;
      break;
    default:
      if (out && outSize > 0) out[0] = '\0';
      return -1;
  }
  if (n < 0) n = 0;
  if (n > kPacketMaxPayloadText) n = kPacketMaxPayloadText;
  if (!out || outSize <= 0) return n;
  if (n > outSize - 1) n = outSize - 1;
  std::memcpy(out, tmp, static_cast<size_t>(n));
  out[n] = '\0';
  return n;
}

int NuvPacketBuild(uint8_t *buf, int bufSize, std::string_view version, std::string_view userId,
                   const std::array<uint8_t, kPacketSequenceSize> &sequence, char command,
                   std::string_view payload) {
  if (!buf || bufSize < kPacketOverhead + 1) return 0;
  payload = UpToNul(payload);
  size_t textLen = payload.size();
  const size_t room = static_cast<size_t>(bufSize - kPacketOverhead - 1);
  if (textLen > room) textLen = room;
  if (textLen > static_cast<size_t>(kPacketMaxPayloadText)) textLen = kPacketMaxPayloadText;
  const uint32_t dataSize = static_cast<uint32_t>(textLen + 1);

  CopyPadded(buf + kPacketVersionOffset, kPacketVersionSize, version);
  CopyPadded(buf + kPacketUserIdOffset, kPacketUserIdSize, userId);
  std::memcpy(buf + kPacketSequenceOffset, sequence.data(), kPacketSequenceSize);
  buf[kPacketCommandOffset] = static_cast<uint8_t>(command);
  buf[kPacketReservedOffset] = 0;
  buf[kPacketReservedOffset + 1] = 0;
  NuvPacketSetDataSize(buf, dataSize);
  if (textLen) std::memcpy(buf + kPacketHeaderSize, payload.data(), textLen);
  // The payload's NUL and the trailer.
  std::memset(buf + kPacketHeaderSize + textLen, 0, 1 + kPacketTrailerSize);
  return kPacketOverhead + static_cast<int>(dataSize);
}

std::string_view NuvPacketVersion(const uint8_t *packet) {
  return FieldText(packet + kPacketVersionOffset, kPacketVersionSize);
}
std::string_view NuvPacketUserId(const uint8_t *packet) {
  return FieldText(packet + kPacketUserIdOffset, kPacketUserIdSize);
}
std::string_view NuvPacketSequenceText(const uint8_t *packet) {
  return FieldText(packet + kPacketSequenceOffset, kPacketSequenceSize);
}

uint32_t NuvPacketDataSize(const uint8_t *packet) {
  const uint8_t *d = packet + kPacketDataSizeOffset;
  return static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 |
         static_cast<uint32_t>(d[2]) << 16 | static_cast<uint32_t>(d[3]) << 24;
}

void NuvPacketSetDataSize(uint8_t *packet, uint32_t dataSize) {
  uint8_t *d = packet + kPacketDataSizeOffset;
  for (int i = 0; i < 4; ++i) d[i] = static_cast<uint8_t>(dataSize >> (8 * i));
}

int NuvPacketSequenceNumber(std::string_view sequenceText, unsigned *out) {
  unsigned v;
  if (!ScanUnsigned(UpToNul(sequenceText), &v)) return 0;
  *out = v;
  return 1;
}

bool NuvPacketIsVersion(const uint8_t *packet, std::string_view version) {
  return NuvPacketVersion(packet) == version;
}

NuvPacketAcceptance NuvPacketAccept(const uint8_t *datagram, int length) {
  NuvPacketAcceptance r{};
  if (!datagram || length <= 0) return r;
  uint8_t b[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i)
    if (kPacketDataSizeOffset + i < length) b[i] = datagram[kPacketDataSizeOffset + i];
  const uint32_t network = static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
                           static_cast<uint32_t>(b[2]) << 8 | b[3];
  r.dataSize = network;
  if (network > 0xFFFFu) {
    r.dataSize = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                 static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    r.htonlWarning = true;
  }
  // 64-bit sum: a dataSize near 4 GiB must not wrap into a small length.
  r.lengthOk = static_cast<uint64_t>(length) >= kPacketOverhead + static_cast<uint64_t>(r.dataSize);
  r.commandKnown = length > kPacketCommandOffset && NuvPacketCommandKnown(datagram[kPacketCommandOffset]);
  return r;
}

std::string_view NuvPacketPayload(const uint8_t *datagram, int length) {
  if (!datagram || length <= 0) return {};
  // Empty views still point into the datagram, so callers may copy from them.
  if (length <= kPacketHeaderSize) return {reinterpret_cast<const char *>(datagram) + length, 0};
  return FieldText(datagram + kPacketHeaderSize, static_cast<size_t>(length - kPacketHeaderSize));
}

int NuvPacketParseLoginAnswer(std::string_view payload, NuvLoginAnswer *out) {
  *out = NuvLoginAnswer{};
  out->signature = payload.substr(0, 0);
  Tokenizer tok{UpToNul(payload)};
  std::string_view field;
  if (!tok.Next(":", &field) || !ScanInt(field, &out->firstCall)) return ECONTENT;
  if (!tok.Next(":", &field) || !ScanInt(field, &out->service)) {
    out->service = 0;
    return NUV_OK;  // first-call flag alone: a Redirect server
  }
  out->mapServer = true;
  if (!tok.Next(":", &field)) return ECONTENT;
  out->signature = field.substr(0, 16);
  return NUV_OK;
}

int NuvPacketParseIncoming(std::string_view payload, NuvIncomingCall *out) {
  *out = NuvIncomingCall{};
  std::string_view rest = UpToNul(payload).substr(0, kIncomingExamined);
  std::string_view fields[4] = {rest.substr(0, 0), rest.substr(0, 0), rest.substr(0, 0), rest.substr(0, 0)};
  for (int i = 0; i < 4; ++i) {
    const size_t colon = rest.find(':');
    fields[i] = rest.substr(0, colon);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  out->name = fields[1];
  out->number = fields[2];
  out->time = fields[3];
  return ScanInt(fields[0], &out->callId) ? NUV_OK : ECONTENT;
}

int NuvPacketParseDisconnect(std::string_view payload, int *callId) {
  *callId = 0;
  std::string_view id = UpToNul(payload).substr(0, kDisconnectExamined);
  id = id.substr(0, id.find(':'));
  return ScanInt(id, callId) ? NUV_OK : ECONTENT;
}

NuvConfigNewKind NuvPacketConfigNewKind(std::string_view version, std::string_view payload) {
  version = UpToNul(version);
  payload = UpToNul(payload);
  const bool v7 = version == "7.0";
  const bool v6 = version == "6.0";
  if (!v6 && !v7) return CONFIGNEW_UNKNOWN_VERSION;
  if (v7 && StartsWith(payload, "ips:")) return CONFIGNEW_IPS;
  if (StartsWith(payload, "time:")) return CONFIGNEW_TIME;
  if (v6 && StartsWith(payload, "ip1:")) return CONFIGNEW_IP1;
  if (v6 && StartsWith(payload, "ip2:")) return CONFIGNEW_IP2;
  if (v7 && StartsWith(payload, "custom:")) return CONFIGNEW_CUSTOM;
  return CONFIGNEW_OTHER;
}

int NuvPacketParseConfigTime(std::string_view payload, NuvConfigTime *out) {
  *out = NuvConfigTime{};
  std::string_view s = UpToNul(payload);
  if (!StartsWith(s, "time:")) return ECONTENT;
  s.remove_prefix(5);
  int *targets[3] = {&out->timeout, &out->resends, &out->duty};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (s.empty() || s[0] != ':') return ECONTENT;
      s.remove_prefix(1);
    }
    const size_t n = ScanInt(s, targets[i]);
    if (!n) return ECONTENT;
    s.remove_prefix(n);
  }
  return NUV_OK;
}

int NuvPacketParseConfigIp1(std::string_view payload, NuvConfigIp1 *out) {
  *out = NuvConfigIp1{};
  out->host = payload.substr(0, 0);
  std::string_view s = UpToNul(payload);
  if (!StartsWith(s, "ip1:")) return ECONTENT;
  Tokenizer tok{s.substr(4)};
  std::string_view host, port;
  if (!tok.Next("/", &host) || !tok.Next("/", &port) || !ScanPort(port, &out->port)) return ECONTENT;
  out->host = host;
  return NUV_OK;
}

int NuvPacketParseConfigCustom(std::string_view payload, NuvConfigCustom *out) {
  *out = NuvConfigCustom{};
  out->number = out->pin = payload.substr(0, 0);
  std::string_view s = UpToNul(payload);
  if (!StartsWith(s, "custom:")) return ECONTENT;
  s.remove_prefix(7);

  // One %95[^:] conversion followed by the literal ':'; false stops reading.
  auto textField = [&s, out](std::string_view *field) {
    const size_t n = s.find(':') == std::string_view::npos ? s.size() : s.find(':');
    if (n == 0) return false;  // empty: the conversion fails
    const size_t take = n > static_cast<size_t>(kCustomFieldMax) ? kCustomFieldMax : n;
    *field = s.substr(0, take);
    ++out->items;
    s.remove_prefix(take);
    if (s.empty() || s[0] != ':') return false;
    s.remove_prefix(1);
    return true;
  };
  if (!textField(&out->number) || !textField(&out->pin)) return out->items >= 3 ? NUV_OK : ECONTENT;
  size_t n = ScanInt(s, &out->notify);
  if (n) {
    ++out->items;
    s.remove_prefix(n);
    if (!s.empty() && s[0] == ':') {
      s.remove_prefix(1);
      if (ScanInt(s, &out->answer)) ++out->items;
    }
  }
  return out->items >= 3 ? NUV_OK : ECONTENT;
}

int NuvPacketParseServerList(std::string_view text, NuvServerList *out) {
  out->styleRead = false;
  out->style = 0;
  out->count = 0;
  Tokenizer tok{UpToNul(text)};
  std::string_view field;
  if (!tok.Next(":", &field) || !ScanInt(field, &out->style)) return ECONTENT;
  out->styleRead = true;
  if (out->style != 0 && out->style != 1) return ECONTENT;
  return ParseServers(tok, out);
}

int NuvPacketParseServerListIps(std::string_view afterPrefix, NuvServerList *out) {
  out->styleRead = true;
  out->style = 0;
  out->count = 0;
  return ParseServers(Tokenizer{UpToNul(afterPrefix)}, out);
}
