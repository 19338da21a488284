// The UDP socket service on POSIX sockets. Handles are the descriptor + 1 so
// that 0 can mean "no socket" as it does on Windows.
#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

static_assert(sizeof(sockaddr_in) == sizeof(PlatSockAddr), "sockaddr_in layout");
static_assert(AF_INET == kPlatAfInet, "AF_INET");

namespace {

// Error of the last failing call, already in Windows Sockets numbering.
int lastError = 0;

PlatSockFaultHook faultHook = nullptr;
void *faultContext = nullptr;

// The error a test's hook injects into this call, or 0.
int InjectedFault(PlatSocket s, PlatSockCall call) {
  return faultHook ? faultHook(faultContext, s, call) : 0;
}

struct ErrnoMap {
  int err;
  int wsa;
};

constexpr ErrnoMap kErrnoMap[] = {
    {EINTR, 10004},        {EBADF, 10009},           {EACCES, 10013},
    {EFAULT, 10014},       {EINVAL, 10022},          {EMFILE, 10024},
    {EWOULDBLOCK, 10035},  {EAGAIN, 10035},          {EINPROGRESS, 10036},
    {EALREADY, 10037},     {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},     {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},       {ENETUNREACH, 10051},
    {ENETRESET, 10052},    {ECONNABORTED, 10053},    {ECONNRESET, 10054},
    {ENOBUFS, 10055},      {EISCONN, 10056},         {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},    {ETOOMANYREFS, 10059},    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061}, {ELOOP, 10062},           {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},
};

void SetErrno(int err) {
  for (const ErrnoMap &m : kErrnoMap) {
    if (m.err == err) {
      lastError = m.wsa;
      return;
    }
  }
  // No Windows Sockets equivalent: the trace names it "Unknown Error Code".
  lastError = err;
}

int Fd(PlatSocket s) { return static_cast<int>(s) - 1; }

}  // namespace

int PlatSockStartup() { return 0; }
void PlatSockCleanup() {}

PlatSocket PlatSockOpenUdp() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) {
    SetErrno(errno);
    return 0;
  }
  return static_cast<PlatSocket>(fd) + 1;
}

int PlatSockBind(PlatSocket s, const PlatSockAddr *addr) {
  sockaddr_in sa;
  std::memcpy(&sa, addr, sizeof sa);
  if (::bind(Fd(s), reinterpret_cast<const sockaddr *>(&sa), sizeof sa) != 0) {
    SetErrno(errno);
    return -1;
  }
  return 0;
}

void PlatSockSetFaultHook(PlatSockFaultHook hook, void *ctx) {
  faultHook = hook;
  faultContext = ctx;
}

int PlatSockSendTo(PlatSocket s, const void *data, int length, const PlatSockAddr *to) {
  if (length < 0) {
    lastError = 10022;
    return -1;
  }
  if (const int fault = InjectedFault(s, PLAT_SOCK_SEND)) {
    lastError = fault;
    return -1;
  }
  sockaddr_in sa;
  std::memcpy(&sa, to, sizeof sa);
  const ssize_t n = ::sendto(Fd(s), data, static_cast<size_t>(length), 0,
                             reinterpret_cast<const sockaddr *>(&sa), sizeof sa);
  if (n < 0) {
    SetErrno(errno);
    return -1;
  }
  return static_cast<int>(n);
}

int PlatSockRecvFrom(PlatSocket s, void *buf, int size, PlatSockAddr *from, int32_t *fromLength) {
  if (size < 0) {
    lastError = 10022;
    return -1;
  }
  if (const int fault = InjectedFault(s, PLAT_SOCK_RECV)) {
    lastError = fault;
    return -1;
  }
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  // MSG_TRUNC makes the call return the datagram's full length, so one cut
  // to fit the buffer is seen and refused the way Windows Sockets refuses it.
  const ssize_t n = ::recvfrom(Fd(s), buf, static_cast<size_t>(size), MSG_TRUNC,
                               reinterpret_cast<sockaddr *>(&sa), &len);
  if (n < 0) {
    SetErrno(errno);
    return -1;
  }
  if (n > size) {
    lastError = kWsaEMsgSize;
    return -1;
  }
  if (from) {
    const size_t room = fromLength && *fromLength >= 0 ? static_cast<size_t>(*fromLength) : 0;
    const size_t copy = room < sizeof sa ? room : sizeof sa;
    std::memcpy(from, &sa, copy);
  }
  if (fromLength) *fromLength = static_cast<int32_t>(len);
  return static_cast<int>(n);
}

void PlatSockClose(PlatSocket s) {
  if (s != 0) ::close(Fd(s));
}

int PlatSockLocalAddress(PlatSocket s, PlatSockAddr *out) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (::getsockname(Fd(s), reinterpret_cast<sockaddr *>(&sa), &len) != 0) {
    SetErrno(errno);
    return -1;
  }
  std::memcpy(out, &sa, sizeof sa);
  return 0;
}

int PlatSockSetNonBlocking(PlatSocket s) {
  const int flags = ::fcntl(Fd(s), F_GETFL, 0);
  if (flags < 0 || ::fcntl(Fd(s), F_SETFL, flags | O_NONBLOCK) != 0) {
    SetErrno(errno);
    return -1;
  }
  return 0;
}

int PlatSockWaitReadable(PlatSocket s, int timeoutMs) {
  const int fd = Fd(s);
  if (fd < 0 || fd >= FD_SETSIZE) {
    lastError = 10038;
    return -1;
  }
  fd_set set;
  FD_ZERO(&set);
  FD_SET(fd, &set);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int n = ::select(fd + 1, &set, nullptr, nullptr, &tv);
  if (n < 0) {
    SetErrno(errno);
    return -1;
  }
  return n > 0 ? 1 : 0;
}

int PlatSockLastError() { return lastError; }

int PlatSockLookupHost(const char *name, uint8_t addr[4]) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo *res = nullptr;
  const int rc = ::getaddrinfo(name, nullptr, &hints, &res);
  if (rc != 0 || !res) {
    switch (rc) {
      case EAI_AGAIN: lastError = 11002; break;
      case EAI_FAIL: lastError = 11003; break;
      default: lastError = kWsaHostNotFound; break;
    }
    if (res) ::freeaddrinfo(res);
    return -1;
  }
  const auto *sa = reinterpret_cast<const sockaddr_in *>(res->ai_addr);
  std::memcpy(addr, &sa->sin_addr, 4);
  ::freeaddrinfo(res);
  return 0;
}

uint32_t PlatSockInetAddr(const char *text) {
  if (!text) return kPlatInaddrNone;
  return static_cast<uint32_t>(::inet_addr(text));
}
