#pragma once
// The protocol's trace calls. Text goes to a sink that the trace window
// installs while it is open; with no sink ("window closed") every call does
// nothing. Lines end in "\r\n".

#include <cstdint>

#include "platform/udp_socket.h"

struct NuvProtoLogin;

// Receives each trace text in turn; ctx is the value given at installation.
using DebugTextSink = void (*)(void *ctx, const char *text);

// Status refreshes of the trace window's panel.
enum DebugStatusKind {
  DEBUG_STATUS_PACKET,         // after a packet line: queued packets, sessions, service, signature
  DEBUG_STATUS_TIMER_TICK,     // every clock tick and network event: the whole panel
  DEBUG_STATUS_CONFIG_CHANGE,  // the duty length
};
// login is the record given to the Debug_ call; nullptr after a packet line.
using DebugStatusSink = void (*)(void *ctx, DebugStatusKind kind, const NuvProtoLogin *login);

// Installs (or, with nullptr, removes) the sinks.
void Debug_SetSink(DebugTextSink text, DebugStatusSink status, void *ctx);
bool Debug_IsOpen();

// Appends text to the log; nothing without a sink or text.
void Debug_MessageListString(const char *text);

// One packet line for a packet that holds at least 32 + dataSize bytes, with
// dataSize stored in the processor's order (as built, or as converted on
// receipt). address is the destination (sent) or the source (received).
void Debug_NuvProtoPacket(const uint8_t *packet, const PlatSockAddr *address, int received);
void Debug_MessageListPacket(const uint8_t *packet, const PlatSockAddr *address, int received);

// Formats the packet line into out (cut to outSize - 1); returns its length.
int Debug_FormatPacketLine(const uint8_t *packet, const PlatSockAddr *address, int received,
                           char *out, int outSize);

// Appends the name of the last socket error, without a line break.
void Debug_HandleLastWSAError();

// Appends the status name with a line break ("EMISC\r\n" ... "Unknown Error\r\n").
void Debug_MessageListProtoErr(int status);
const char *Debug_ProtoErrName(int status);

void Debug_NuvProtoTimerTick(const NuvProtoLogin *login);
void Debug_NuvEventConfigChange(const NuvProtoLogin *login);

// Command names of the packet lines, padded to 13 characters; index 19 for
// any letter outside 'a'..'s'.
extern const char *const DebugString[20];
