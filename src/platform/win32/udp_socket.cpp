// The UDP socket service on Windows Sockets 1.1 (wsock32).
#include "platform/udp_socket.h"

#include <winsock.h>

#include <cstring>

static_assert(sizeof(sockaddr_in) == sizeof(PlatSockAddr), "sockaddr_in layout");
static_assert(AF_INET == kPlatAfInet, "AF_INET");

namespace {

SOCKET Sock(PlatSocket s) { return static_cast<SOCKET>(s); }

PlatSockFaultHook faultHook = nullptr;
void *faultContext = nullptr;

// Fails the call with the error a test's hook injects, if any: true then.
bool InjectedFault(PlatSocket s, PlatSockCall call) {
  const int fault = faultHook ? faultHook(faultContext, s, call) : 0;
  if (fault == 0) return false;
  WSASetLastError(fault);
  return true;
}

}  // namespace

int PlatSockStartup() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data);
}

void PlatSockCleanup() { WSACleanup(); }

PlatSocket PlatSockOpenUdp() {
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET) return 0;
  return static_cast<PlatSocket>(s);
}

int PlatSockBind(PlatSocket s, const PlatSockAddr *addr) {
  sockaddr_in sa;
  std::memcpy(&sa, addr, sizeof sa);
  return bind(Sock(s), reinterpret_cast<const sockaddr *>(&sa), sizeof sa) == 0 ? 0 : -1;
}

void PlatSockSetFaultHook(PlatSockFaultHook hook, void *ctx) {
  faultHook = hook;
  faultContext = ctx;
}

int PlatSockSendTo(PlatSocket s, const void *data, int length, const PlatSockAddr *to) {
  if (InjectedFault(s, PLAT_SOCK_SEND)) return -1;
  sockaddr_in sa;
  std::memcpy(&sa, to, sizeof sa);
  const int n = sendto(Sock(s), static_cast<const char *>(data), length, 0,
                       reinterpret_cast<const sockaddr *>(&sa), sizeof sa);
  return n == SOCKET_ERROR ? -1 : n;
}

int PlatSockRecvFrom(PlatSocket s, void *buf, int size, PlatSockAddr *from, int32_t *fromLength) {
  if (InjectedFault(s, PLAT_SOCK_RECV)) return -1;
  sockaddr_in sa{};
  int len = sizeof sa;
  // A datagram longer than size fails with WSAEMSGSIZE; its cut copy is not
  // handed on.
  const int n = recvfrom(Sock(s), static_cast<char *>(buf), size, 0,
                         reinterpret_cast<sockaddr *>(&sa), &len);
  if (n == SOCKET_ERROR) return -1;
  if (from) {
    const int room = fromLength && *fromLength >= 0 ? *fromLength : 0;
    std::memcpy(from, &sa, room < len ? room : len);
  }
  if (fromLength) *fromLength = len;
  return n;
}

void PlatSockClose(PlatSocket s) {
  if (s != 0) closesocket(Sock(s));
}

int PlatSockLocalAddress(PlatSocket s, PlatSockAddr *out) {
  sockaddr_in sa{};
  int len = sizeof sa;
  if (getsockname(Sock(s), reinterpret_cast<sockaddr *>(&sa), &len) != 0) return -1;
  std::memcpy(out, &sa, sizeof sa);
  return 0;
}

int PlatSockSetNonBlocking(PlatSocket s) {
  u_long on = 1;
  return ioctlsocket(Sock(s), FIONBIO, &on) == 0 ? 0 : -1;
}

int PlatSockWaitReadable(PlatSocket s, int timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(Sock(s), &set);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int n = select(0, &set, nullptr, nullptr, &tv);
  if (n == SOCKET_ERROR) return -1;
  return n > 0 ? 1 : 0;
}

int PlatSockLastError() { return WSAGetLastError(); }

int PlatSockLookupHost(const char *name, uint8_t addr[4]) {
  const hostent *h = gethostbyname(name);
  if (!h || h->h_addrtype != AF_INET || h->h_length < 4 || !h->h_addr_list || !h->h_addr_list[0])
    return -1;
  std::memcpy(addr, h->h_addr_list[0], 4);
  return 0;
}

uint32_t PlatSockInetAddr(const char *text) {
  if (!text) return kPlatInaddrNone;
  return static_cast<uint32_t>(inet_addr(text));
}
