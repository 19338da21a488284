#pragma once
// The protocol's UDP transport: one local datagram socket for all servers and
// any number of remote endpoints. Socket errors are named for the trace.

#include <cstdint>

#include "platform/udp_socket.h"

constexpr int kUdpHostSize = 128;

// Trace text before the name of a receive error that is passed over.
constexpr const char *kTraceIgnoredReceiveError = "Warning: Ignored receive error ";

// The local endpoint, embedded in the login record.
struct UdpLocal {
  char host[kUdpHostSize];  // address to bind to (empty: any); after start the bound address
  uint16_t port;            // host order; 0: chosen by the system
  PlatSockAddr source;      // sender of the datagram read last
  int32_t sourceLength;     // set to 16 before every read
  PlatSockAddr bound;       // the address bound to
  PlatSocket socket;        // 0 when there is none
};

// One remote endpoint, embedded in every session record. Sessions are found
// on receipt by address.addr and address.port.
struct UdpRemote {
  char host[kUdpHostSize];  // as given: dotted address or host name
  uint16_t port;            // host order
  PlatSockAddr address;
};

// 0 on success; -1 without a record or when the socket cannot be created;
// -2 when it cannot be bound.
int UDP_openSocketLocal(UdpLocal *local, const char *host, uint16_t port);

// 0 when the endpoint holds a usable address, else 1. Text beginning with a
// digit is parsed as a dotted address, other text is looked up by name.
int UDP_specifySocketRemote(UdpRemote *remote, const char *host, uint16_t port);

// Blocking lookup; writes the "DNS Lookup on" trace line. 0 on success with
// family, port 0 and the first address filled in; 1 when the name does not
// resolve.
int UDP_gethostbyname(const char *name, PlatSockAddr *address);

// The platform's send result: bytes sent, or -1.
int UDP_sendPacket(UdpLocal *local, const UdpRemote *remote, const void *data, int length);

// Length of the datagram read (> 0), 0 when none is waiting, -1 on error
// (also for an empty datagram, and for one longer than size, which is
// consumed). The sender lands in local->source. A read that fails only
// because an earlier datagram found a closed port (WSAECONNRESET,
// WSAECONNREFUSED) is traced and reads 0.
int UDP_recvPacket(UdpLocal *local, void *buffer, int size);

void UDP_closeSocket(UdpLocal *local);

// The symbolic name of a Windows Sockets error code, or "Unknown Error Code".
const char *GetWSAErrorString(int code);

// Port of a socket address in host order, and the address as it lies in
// memory (network order), for comparisons.
inline uint16_t UdpAddressPort(const PlatSockAddr &a) {
  return static_cast<uint16_t>((a.port[0] << 8) | a.port[1]);
}
bool UdpSameEndpoint(const PlatSockAddr &a, const PlatSockAddr &b);
