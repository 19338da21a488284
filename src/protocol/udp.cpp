#include "protocol/udp.h"

#include <cstring>

#include "protocol/trace.h"

namespace {

// Copies host text into a 128-byte field, always terminated (longer text is
// cut to 127 characters); no text clears the field.
void CopyHost(char (&dst)[kUdpHostSize], const char *host) {
  std::memset(dst, 0, sizeof dst);
  if (!host) return;
  const void *nul = std::memchr(host, 0, sizeof dst - 1);
  const size_t n = nul ? static_cast<size_t>(static_cast<const char *>(nul) - host) : sizeof dst - 1;
  std::memcpy(dst, host, n);
}

void SetPort(PlatSockAddr *a, uint16_t port) {
  a->port[0] = static_cast<uint8_t>(port >> 8);
  a->port[1] = static_cast<uint8_t>(port & 0xFF);
}

void SetAddr(PlatSockAddr *a, uint32_t inMemory) { std::memcpy(a->addr, &inMemory, 4); }

struct WsaName {
  int code;
  const char *name;
};

constexpr WsaName kWsaNames[] = {
    {10004, "WSAEINTR"},           {10009, "WSAEBADF"},
    {10013, "WSAEACCES"},          {10014, "WSAEFAULT"},
    {10022, "WSAEINVAL"},          {10024, "WSAEMFILE"},
    {10035, "WSAEWOULDBLOCK"},     {10036, "WSAEINPROGRESS"},
    {10037, "WSAEALREADY"},        {10038, "WSAENOTSOCK"},
    {10039, "WSAEDESTADDRREQ"},    {10040, "WSAEMSGSIZE"},
    {10041, "WSAEPROTOTYPE"},      {10042, "WSAENOPROTOOPT"},
    {10043, "WSAEPROTONOSUPPORT"}, {10044, "WSAESOCKTNOSUPPORT"},
    {10045, "WSAEOPNOTSUPP"},      {10046, "WSAEPFNOSUPPORT"},
    {10047, "WSAEAFNOSUPPORT"},    {10048, "WSAEADDRINUSE"},
    {10049, "WSAEADDRNOTAVAIL"},   {10050, "WSAENETDOWN"},
    {10051, "WSAENETUNREACH"},     {10052, "WSAENETRESET"},
    {10053, "WSAECONNABORTED"},    {10054, "WSAECONNRESET"},
    {10055, "WSAENOBUFS"},         {10056, "WSAEISCONN"},
    {10057, "WSAENOTCONN"},        {10058, "WSAESHUTDOWN"},
    {10059, "WSAETOOMANYREFS"},    {10060, "WSAETIMEDOUT"},
    {10061, "WSAECONNREFUSED"},    {10062, "WSAELOOP"},
    {10063, "WSAENAMETOOLONG"},    {10064, "WSAEHOSTDOWN"},
    {10065, "WSAEHOSTUNREACH"},    {10091, "WSASYSNOTREADY"},
    {10092, "WSAVERNOTSUPPORTED"}, {10093, "WSANOTINITIALISED"},
    {10101, "WSAEDISCON"},         {11001, "WSAHOST_NOT_FOUND"},
    {11002, "WSATRY_AGAIN"},       {11003, "WSANO_RECOVERY"},
    {11004, "WSANO_DATA"},
};

}  // namespace

int UDP_openSocketLocal(UdpLocal *local, const char *host, uint16_t port) {
  if (!local) return -1;
  CopyHost(local->host, host);
  local->port = port;
  std::memset(&local->source, 0, sizeof local->source);
  local->socket = PlatSockOpenUdp();
  if (local->socket == 0) return -1;

  std::memset(&local->bound, 0, sizeof local->bound);
  local->bound.family = kPlatAfInet;
  // An empty host binds to any local address (INADDR_ANY, all zero).
  if (local->host[0] != '\0') SetAddr(&local->bound, PlatSockInetAddr(local->host));
  SetPort(&local->bound, port);
  if (PlatSockBind(local->socket, &local->bound) != 0) {
    PlatSockClose(local->socket);
    local->socket = 0;
    return -2;
  }
  return 0;
}

int UDP_specifySocketRemote(UdpRemote *remote, const char *host, uint16_t port) {
  if (!remote) return 1;
  CopyHost(remote->host, host);
  remote->port = port;
  std::memset(&remote->address, 0, sizeof remote->address);

  uint32_t addr = 0;
  if (remote->host[0] >= '0' && remote->host[0] <= '9') {
    addr = PlatSockInetAddr(remote->host);
  } else if (remote->host[0] != '\0') {
    if (UDP_gethostbyname(remote->host, &remote->address) != 0) return 1;
    std::memcpy(&addr, remote->address.addr, 4);
  }
  if (addr == 0 || addr == kPlatInaddrNone) return 1;
  SetAddr(&remote->address, addr);
  SetPort(&remote->address, port);
  remote->address.family = kPlatAfInet;
  return 0;
}

int UDP_gethostbyname(const char *name, PlatSockAddr *address) {
  uint8_t found[4];
  const int rc = name ? PlatSockLookupHost(name, found) : -1;
  Debug_MessageListString("DNS Lookup on \"");
  Debug_MessageListString(name);
  Debug_MessageListString("\"\r\n");
  if (rc != 0) return 1;
  if (address) {
    std::memset(address, 0, sizeof *address);
    address->family = kPlatAfInet;
    SetPort(address, 0);
    std::memcpy(address->addr, found, 4);
  }
  return 0;
}

int UDP_sendPacket(UdpLocal *local, const UdpRemote *remote, const void *data, int length) {
  if (!local || !remote || local->socket == 0) return -1;
  return PlatSockSendTo(local->socket, data, length, &remote->address);
}

int UDP_recvPacket(UdpLocal *local, void *buffer, int size) {
  if (!local || local->socket == 0) return -1;
  local->sourceLength = static_cast<int32_t>(sizeof local->source);
  const int n = PlatSockRecvFrom(local->socket, buffer, size, &local->source, &local->sourceLength);
  if (n < 0) {
    const int error = PlatSockLastError();
    if (error == kWsaEWouldBlock) return 0;
    // A datagram sent earlier to a closed port (a server that is down) comes
    // back as the error of this read. The socket itself is fine; reporting a
    // failed receive would put up an error box at every LOGIN to a dead
    // server.
    // A datagram longer than the receive buffer was taken off the socket
    // whole and refused; no server sends one, so it is passed over like
    // other foreign traffic instead of a box for each.
    if (error == kWsaEConnReset || error == kWsaEConnRefused || error == kWsaEMsgSize) {
      Debug_MessageListString(kTraceIgnoredReceiveError);
      Debug_MessageListString(GetWSAErrorString(error));
      Debug_MessageListString("\r\n");
      return 0;
    }
    return -1;
  }
  if (n == 0) return -1;  // an empty datagram counts as a read error
  return n;
}

void UDP_closeSocket(UdpLocal *local) {
  if (!local) return;
  PlatSockClose(local->socket);
  local->socket = 0;
}

const char *GetWSAErrorString(int code) {
  for (const WsaName &e : kWsaNames)
    if (e.code == code) return e.name;
  return "Unknown Error Code";
}

bool UdpSameEndpoint(const PlatSockAddr &a, const PlatSockAddr &b) {
  return std::memcmp(a.addr, b.addr, 4) == 0 && std::memcmp(a.port, b.port, 2) == 0;
}
