#pragma once
// The simulator's own small UDP layer: BSD sockets natively, Winsock on
// Windows. Addresses are IPv4 in host order here; conversion is inside.

#include <cstddef>
#include <cstdint>

namespace nuvsim {

using SockHandle = intptr_t;
constexpr SockHandle kNoSocket = -1;

// Winsock start-up and clean-up (nothing natively); counted, so nesting is fine.
bool netStartup();
void netCleanup();

// Parses a dotted IPv4 address ("a.b.c.d", each 0..255); "localhost" is 127.0.0.1.
bool parseIpv4(const char *text, uint32_t *addr);
// "a.b.c.d" into a buffer of at least 16 bytes.
void formatIpv4(uint32_t addr, char out[16]);

// A non-blocking UDP socket bound to addr:port (port 0: any free port).
SockHandle udpOpen(uint32_t addr, uint16_t port);
void udpClose(SockHandle s);
// The port the socket is bound to, or 0.
uint16_t udpLocalPort(SockHandle s);
// Sends one datagram; returns the bytes sent or -1.
int udpSendTo(SockHandle s, const void *data, size_t len, uint32_t addr, uint16_t port);
// Reads one waiting datagram; returns its length (0 for an empty datagram),
// kNothingWaiting when none waits or the read was an ignorable error report,
// -1 on a socket error.
constexpr int kNothingWaiting = -2;
int udpRecvFrom(SockHandle s, void *buf, size_t cap, uint32_t *addr, uint16_t *port);
// Waits at most timeoutMs for any of the sockets to become readable; sets
// ready[i]. Returns the number of readable sockets, 0 on time-out, -1 on error.
int udpWaitReadable(const SockHandle *socks, int n, int timeoutMs, bool *ready);

}  // namespace nuvsim
