// Received datagrams through the acceptance rules, every payload parser, the
// server-list reader and the packet trace line; the payload is also sent back
// through the packet builder.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "protocol/packet.h"
#include "protocol/trace.h"

namespace {

size_t traced = 0;
void Sink(void *, const char *text) { traced += std::strlen(text); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > static_cast<size_t>(kPacketReceiveSize)) return 0;
  const int length = static_cast<int>(size);
  // An exact-size copy: any read past the datagram is caught.
  std::vector<uint8_t> d(data, data + size);

  const NuvPacketAcceptance a = NuvPacketAccept(d.data(), length);
  const std::string_view payload = NuvPacketPayload(d.data(), length);

  NuvLoginAnswer login;
  NuvPacketParseLoginAnswer(payload, &login);
  NuvIncomingCall call;
  NuvPacketParseIncoming(payload, &call);
  int callId;
  NuvPacketParseDisconnect(payload, &callId);
  NuvConfigTime time;
  NuvPacketParseConfigTime(payload, &time);
  NuvConfigIp1 ip1;
  NuvPacketParseConfigIp1(payload, &ip1);
  NuvConfigCustom custom;
  NuvPacketParseConfigCustom(payload, &custom);
  static NuvServerList list;
  NuvPacketParseServerList(payload, &list);
  if (payload.size() > 4) NuvPacketParseServerListIps(payload.substr(4), &list);

  if (length >= kPacketHeaderSize) {
    NuvPacketConfigNewKind(NuvPacketVersion(d.data()), payload);
    unsigned seq;
    NuvPacketSequenceNumber(NuvPacketSequenceText(d.data()), &seq);
  }

  if (a.lengthOk && length >= kPacketHeaderSize) {
    NuvPacketSetDataSize(d.data(), a.dataSize);
    Debug_SetSink(&Sink, nullptr, nullptr);
    const PlatSockAddr from{kPlatAfInet, {0x27, 0x12}, {192, 0, 2, 1}, {}};
    Debug_NuvProtoPacket(d.data(), &from, 1);
    Debug_SetSink(nullptr, nullptr, nullptr);
  }

  // The payload text back out through a kept packet's slot.
  uint8_t slot[kPacketSlotSize];
  char text[kPacketMaxPayloadText + 1];
  const std::string_view head = payload.substr(0, kPacketMaxPayloadText);
  if (!head.empty()) std::memcpy(text, head.data(), head.size());
  text[head.size()] = '\0';
  char out[kPacketMaxPayloadText + 1];
  const char command = size > 0 ? static_cast<char>(data[0]) : CMD_LOGIN;
  NuvPacketFormatPayload(command, "6.0", text, static_cast<int>(size), -1, 1, out, sizeof out);
  const int n = NuvPacketBuild(slot, sizeof slot, "7.0", text, NuvPacketSequenceField(static_cast<unsigned>(size)),
                               command, payload);
  if (n < kPacketOverhead + 1 || n > static_cast<int>(sizeof slot)) __builtin_trap();
  return 0;
}
