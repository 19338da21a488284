#pragma once
// The UDP socket service of the protocol: one datagram socket, blocking name
// lookup and dotted-address parsing. Errors are reported with the Windows
// Sockets code numbers on every platform, so the trace names them alike.

#include <cstdint>

// An IPv4 socket address with the exact layout of sockaddr_in, so it can be
// handed to the system unchanged: family in host order, port and address in
// network order (port[0] is the high byte), eight zero bytes.
struct PlatSockAddr {
  uint16_t family;
  uint8_t port[2];
  uint8_t addr[4];
  uint8_t zero[8];
};
static_assert(sizeof(PlatSockAddr) == 16, "PlatSockAddr must match sockaddr_in");

constexpr uint16_t kPlatAfInet = 2;
// inet_addr's answer for text that is not a dotted address (also the answer
// for "255.255.255.255").
constexpr uint32_t kPlatInaddrNone = 0xFFFFFFFFu;

// A socket handle; 0 means none.
using PlatSocket = uintptr_t;

// Windows Sockets error numbers that callers test for.
constexpr int kWsaEWouldBlock = 10035;
constexpr int kWsaEMsgSize = 10040;
constexpr int kWsaEConnReset = 10054;
constexpr int kWsaEConnRefused = 10061;
constexpr int kWsaHostNotFound = 11001;

// Starts the socket service (Windows Sockets 1.1); 0 on success, else the
// error number. Natively there is nothing to start.
int PlatSockStartup();
void PlatSockCleanup();

// A new IPv4 datagram socket, or 0 when none can be created.
PlatSocket PlatSockOpenUdp();
// 0 on success, -1 on failure (see PlatSockLastError).
int PlatSockBind(PlatSocket s, const PlatSockAddr *addr);
// Bytes sent, or -1.
int PlatSockSendTo(PlatSocket s, const void *data, int length, const PlatSockAddr *to);
// Reads one datagram of at most size bytes: its length (0 for an empty
// datagram), or -1. A datagram longer than size is consumed and fails with
// kWsaEMsgSize on every platform; nothing of it is handed on. *fromLength is
// the size of *from on entry and of the address stored on return.
int PlatSockRecvFrom(PlatSocket s, void *buf, int size, PlatSockAddr *from, int32_t *fromLength);
void PlatSockClose(PlatSocket s);
// The address the socket is bound to (the port the system chose); 0 or -1.
int PlatSockLocalAddress(PlatSocket s, PlatSockAddr *out);
// Reads fail with kWsaEWouldBlock instead of waiting; 0 or -1.
int PlatSockSetNonBlocking(PlatSocket s);
// Waits at most timeoutMs for a datagram: 1 readable, 0 time-out, -1 error.
int PlatSockWaitReadable(PlatSocket s, int timeoutMs);

// Fault injection for tests: when a hook is set, every send and receive asks
// it first, naming the socket; a non-zero answer is a Windows Sockets error number with which
// the call then fails without touching the socket. nullptr removes the hook.
// The program never sets one.
enum PlatSockCall { PLAT_SOCK_SEND, PLAT_SOCK_RECV };
using PlatSockFaultHook = int (*)(void *ctx, PlatSocket s, PlatSockCall call);
void PlatSockSetFaultHook(PlatSockFaultHook hook, void *ctx);

// The error of the last failing socket call, as a Windows Sockets number
// (EWOULDBLOCK natively reads 10035). 0 when none is known.
int PlatSockLastError();

// Blocking host lookup: the first IPv4 address of the name, network order
// bytes into addr; 0 on success, -1 when the name does not resolve.
int PlatSockLookupHost(const char *name, uint8_t addr[4]);

// inet_addr: the address of dotted text in network order as it lies in
// memory, or kPlatInaddrNone when the text is not an address.
uint32_t PlatSockInetAddr(const char *text);
