#include "protocol/trace.h"

#include <cstdio>

#include "protocol/packet.h"
#include "protocol/udp.h"

namespace {

// The open trace window's receivers; all null while it is closed.
struct TraceSink {
  DebugTextSink text;
  DebugStatusSink status;
  void *ctx;
};
TraceSink sink{};

void Status(DebugStatusKind kind, const NuvProtoLogin *login) {
  if (sink.status) sink.status(sink.ctx, kind, login);
}

}  // namespace

const char *const DebugString[20] = {
    "LOGIN        ", "LOGOUT       ", "PIGNORE      ", "PACKN        ", "PACCEPT      ",
    "CHPW         ", "RELOGIN      ", "SUCCESS      ", "FAIL         ", "PINCOMING    ",
    "PDISCONNECT  ", "CONFIGURE    ", "MESSAGE      ", "RESEND       ", "INVALID      ",
    "VALID        ", "DUTY         ", "PACKN2       ", "CONFIGNEW    ", "**INVALID**  ",
};

void Debug_SetSink(DebugTextSink text, DebugStatusSink status, void *ctx) {
  sink = TraceSink{text, status, ctx};
}

bool Debug_IsOpen() { return sink.text != nullptr; }

void Debug_MessageListString(const char *text) {
  if (!sink.text || !text) return;
  sink.text(sink.ctx, text);
}

int Debug_FormatPacketLine(const uint8_t *packet, const PlatSockAddr *address, int received,
                           char *out, int outSize) {
  if (!out || outSize <= 0) return 0;
  out[0] = '\0';
  if (!packet) return 0;

  char where[48];
  const uint8_t *a = address ? address->addr : nullptr;
  std::snprintf(where, sizeof where, "%s%u.%u.%u.%u:%u%s", received ? "" : "-> ", a ? a[0] : 0u,
                a ? a[1] : 0u, a ? a[2] : 0u, a ? a[3] : 0u,
                address ? static_cast<unsigned>(UdpAddressPort(*address)) : 0u,
                received ? " ->" : "");

  const int letter = static_cast<unsigned char>(NuvPacketCommand(packet)) - 'a';
  const char *name = DebugString[letter >= 0 && letter < 19 ? letter : 19];
  const std::string_view version = NuvPacketVersion(packet);
  const std::string_view userId = NuvPacketUserId(packet);
  const std::string_view sequence = NuvPacketSequenceText(packet);
  const uint32_t dataSize = NuvPacketDataSize(packet);
  // The payload is printed no wider than its own dataSize - 1 characters, so
  // a payload without its NUL is never read past the datagram.
  int text = dataSize == 0 ? 0 : static_cast<int>(dataSize > kPacketReceiveSize ? kPacketReceiveSize : dataSize - 1);
  const char *payload = reinterpret_cast<const char *>(packet + kPacketHeaderSize);

  const int n = std::snprintf(out, static_cast<size_t>(outSize),
                              "%-24s %-3.*s %-15.*s %-3.*s %-11s 0x%04x 0x%04x \"%*.*s\"\r\n", where,
                              static_cast<int>(version.size()), version.data(),
                              static_cast<int>(userId.size()), userId.data(),
                              static_cast<int>(sequence.size()), sequence.data(), name,
                              NuvPacketReserved(packet), dataSize & 0xFFFFu, text, text, payload);
  if (n < 0) return 0;
  return n < outSize ? n : outSize - 1;
}

void Debug_MessageListPacket(const uint8_t *packet, const PlatSockAddr *address, int received) {
  if (!sink.text || !packet) return;
  char line[kPacketReceiveSize + 160];
  Debug_FormatPacketLine(packet, address, received, line, sizeof line);
  sink.text(sink.ctx, line);
  Status(DEBUG_STATUS_PACKET, nullptr);
}

void Debug_NuvProtoPacket(const uint8_t *packet, const PlatSockAddr *address, int received) {
  Debug_MessageListPacket(packet, address, received);
}

void Debug_HandleLastWSAError() {
  if (!sink.text) return;
  Debug_MessageListString(GetWSAErrorString(PlatSockLastError()));
}

const char *Debug_ProtoErrName(int status) {
  switch (status) {
    case EMISC: return "EMISC\r\n";
    case EDROP: return "EDROP\r\n";
    case ESESS: return "ESESS\r\n";
    case ETYPE: return "ETYPE\r\n";
    case ESOCK: return "ESOCK\r\n";
    case EMATCH: return "EMATCH\r\n";
    case ECONTENT: return "ECONTENT\r\n";
    default: return "Unknown Error\r\n";
  }
}

void Debug_MessageListProtoErr(int status) { Debug_MessageListString(Debug_ProtoErrName(status)); }

void Debug_NuvProtoTimerTick(const NuvProtoLogin *login) {
  if (sink.text) Status(DEBUG_STATUS_TIMER_TICK, login);
}

void Debug_NuvEventConfigChange(const NuvProtoLogin *login) {
  if (sink.text) Status(DEBUG_STATUS_CONFIG_CHANGE, login);
}
