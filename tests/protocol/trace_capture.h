#pragma once
// Installs a trace sink for the life of a test and collects what it gets.

#include <cstdint>
#include <string>

#include "platform/udp_socket.h"
#include "protocol/trace.h"

struct TraceCapture {
  std::string text;
  int packetStatus = 0;
  int tickStatus = 0;
  int configStatus = 0;
  const NuvProtoLogin *lastLogin = nullptr;

  TraceCapture() { Debug_SetSink(&Text, &Status, this); }
  ~TraceCapture() { Close(); }
  TraceCapture(const TraceCapture &) = delete;
  TraceCapture &operator=(const TraceCapture &) = delete;

  void Close() { Debug_SetSink(nullptr, nullptr, nullptr); }

  static void Text(void *ctx, const char *t) { static_cast<TraceCapture *>(ctx)->text += t; }
  static void Status(void *ctx, DebugStatusKind kind, const NuvProtoLogin *login) {
    auto *self = static_cast<TraceCapture *>(ctx);
    self->lastLogin = login;
    if (kind == DEBUG_STATUS_PACKET) ++self->packetStatus;
    if (kind == DEBUG_STATUS_TIMER_TICK) ++self->tickStatus;
    if (kind == DEBUG_STATUS_CONFIG_CHANGE) ++self->configStatus;
  }
};

// The address a.b.c.d:port as the trace lines receive it.
inline PlatSockAddr Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t port) {
  PlatSockAddr s{};
  s.family = kPlatAfInet;
  s.port[0] = static_cast<uint8_t>(port >> 8);
  s.port[1] = static_cast<uint8_t>(port);
  s.addr[0] = a;
  s.addr[1] = b;
  s.addr[2] = c;
  s.addr[3] = d;
  return s;
}
