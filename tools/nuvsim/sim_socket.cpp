#include "sim_socket.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SysSock = SOCKET;
using SockLen = int;
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using SysSock = int;
using SockLen = socklen_t;
#endif

namespace nuvsim {

namespace {

int startCount = 0;

SysSock sys(SockHandle s) { return static_cast<SysSock>(s); }

sockaddr_in makeAddr(uint32_t addr, uint16_t port) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(addr);
  sa.sin_port = htons(port);
  return sa;
}

}  // namespace

bool netStartup() {
#ifdef _WIN32
  if (startCount == 0) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return false;
  }
#endif
  ++startCount;
  return true;
}

void netCleanup() {
  if (startCount == 0) return;
  --startCount;
#ifdef _WIN32
  if (startCount == 0) WSACleanup();
#endif
}

bool parseIpv4(const char *text, uint32_t *addr) {
  if (!text) return false;
  if (std::strcmp(text, "localhost") == 0) {
    *addr = 0x7F000001u;
    return true;
  }
  uint32_t v = 0;
  const char *p = text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (*p != '.') return false;
      ++p;
    }
    if (*p < '0' || *p > '9') return false;
    unsigned octet = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
      octet = octet * 10 + unsigned(*p - '0');
      if (++digits > 3 || octet > 255) return false;
      ++p;
    }
    v = v << 8 | octet;
  }
  if (*p != 0) return false;
  *addr = v;
  return true;
}

void formatIpv4(uint32_t addr, char out[16]) {
  std::snprintf(out, 16, "%u.%u.%u.%u", unsigned(addr >> 24), unsigned(addr >> 16 & 255),
                unsigned(addr >> 8 & 255), unsigned(addr & 255));
}

SockHandle udpOpen(uint32_t addr, uint16_t port) {
  SysSock s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
#ifdef _WIN32
  if (s == INVALID_SOCKET) return kNoSocket;
  u_long nonBlocking = 1;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
    closesocket(s);
    return kNoSocket;
  }
#else
  if (s < 0) return kNoSocket;
  const int flags = fcntl(s, F_GETFL, 0);
  if (flags < 0 || fcntl(s, F_SETFL, flags | O_NONBLOCK) < 0) {
    close(s);
    return kNoSocket;
  }
#endif
  sockaddr_in sa = makeAddr(addr, port);
  if (bind(s, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
    udpClose(static_cast<SockHandle>(s));
    return kNoSocket;
  }
  return static_cast<SockHandle>(s);
}

void udpClose(SockHandle s) {
  if (s == kNoSocket) return;
#ifdef _WIN32
  closesocket(sys(s));
#else
  close(sys(s));
#endif
}

uint16_t udpLocalPort(SockHandle s) {
  sockaddr_in sa;
  SockLen len = sizeof sa;
  std::memset(&sa, 0, sizeof sa);
  if (getsockname(sys(s), reinterpret_cast<sockaddr *>(&sa), &len) != 0) return 0;
  return ntohs(sa.sin_port);
}

int udpSendTo(SockHandle s, const void *data, size_t len, uint32_t addr, uint16_t port) {
  sockaddr_in sa = makeAddr(addr, port);
  const int n = int(sendto(sys(s), static_cast<const char *>(data), int(len), 0,
                           reinterpret_cast<sockaddr *>(&sa), sizeof sa));
  return n < 0 ? -1 : n;
}

int udpRecvFrom(SockHandle s, void *buf, size_t cap, uint32_t *addr, uint16_t *port) {
  sockaddr_in sa;
  SockLen len = sizeof sa;
  std::memset(&sa, 0, sizeof sa);
  const int n = int(recvfrom(sys(s), static_cast<char *>(buf), int(cap), 0,
                             reinterpret_cast<sockaddr *>(&sa), &len));
  if (n < 0) {
#ifdef _WIN32
    const int e = WSAGetLastError();
    // An earlier send to a closed port reports itself here; not our error.
    if (e == WSAEWOULDBLOCK || e == WSAECONNRESET || e == WSAEMSGSIZE) return kNothingWaiting;
#else
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNREFUSED) return kNothingWaiting;
#endif
    return -1;
  }
  *addr = ntohl(sa.sin_addr.s_addr);
  *port = ntohs(sa.sin_port);
  return n;
}

int udpWaitReadable(const SockHandle *socks, int n, int timeoutMs, bool *ready) {
  fd_set set;
  FD_ZERO(&set);
  SysSock top = 0;
  int count = 0;
  for (int i = 0; i < n; ++i) {
    ready[i] = false;
    if (socks[i] == kNoSocket) continue;
#ifdef _WIN32
    if (count == FD_SETSIZE) return -1;  // the set is a counted array
#else
    if (sys(socks[i]) >= FD_SETSIZE) return -1;  // the set is a bitmap of fixed size
#endif
    FD_SET(sys(socks[i]), &set);
    if (sys(socks[i]) > top) top = sys(socks[i]);
    ++count;
  }
  if (count == 0) return 0;
  timeval tv;
  tv.tv_sec = timeoutMs / 1000;
  tv.tv_usec = (timeoutMs % 1000) * 1000;
  const int r = select(int(top) + 1, &set, nullptr, nullptr, &tv);
  if (r <= 0) return r < 0 ? -1 : 0;
  for (int i = 0; i < n; ++i)
    if (socks[i] != kNoSocket && FD_ISSET(sys(socks[i]), &set)) ready[i] = true;
  return r;
}

}  // namespace nuvsim
