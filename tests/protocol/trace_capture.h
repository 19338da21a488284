#pragma once
// Installs a trace sink for the life of a test and collects what it gets.

#include <string>

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
