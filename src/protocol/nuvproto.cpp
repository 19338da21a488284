// Session engine: sessions, packet slots, sending, the receive path and
// cluster login/logout.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <array>
#include <string_view>

#include "protocol/nuvproto.h"
#include "protocol/packet.h"
#include "protocol/trace.h"
#include "protocol/udp.h"

NuvProtoLogin nuvLogin;

namespace {

constexpr int kFlagsLoginConfig = FLAG_LOGIN_CHANGED | FLAG_CONFIG_CHANGED;

// A fixed-size text field that is not terminated when full.
std::string_view FixedText(const char *field, size_t size) {
  return std::string_view(field, strnlen(field, size));
}

// NUL-padded copy into a fixed field; a full field has no terminator.
void CopyField(char *field, size_t size, const char *text) {
  std::memset(field, 0, size);
  if (text) std::memcpy(field, text, strnlen(text, size));
}

// Frees the session table and empties every packet slot (zeroed, free).
void DropTableAndSlots(NuvProtoLogin *login) {
  std::free(login->sessions);
  login->sessions = nullptr;
  login->serverCount = 0;
  for (auto &p : login->pending) {
    std::memset(&p, 0, sizeof p);
    p.free = 1;
  }
}

// Puts a new session table in place of the old one with the clock off.
void AdoptTable(NuvProtoLogin *login, NuvProtoSession *table, int count) {
  NuvProtoTimerEnable(login, 0);
  std::free(login->sessions);
  login->sessions = table;
  login->serverCount = count;
  login->nextServerIndex = 1;
  NuvProtoTimerEnable(login, 1);
}

}  // namespace

int NuvProtoSlotLength(const NuvProtoPending *slot) {
  const uint32_t dataSize = NuvPacketDataSize(slot->packet);
  const uint32_t most = kNuvSlotPacketSize - kPacketOverhead;
  return kPacketOverhead + static_cast<int>(dataSize < most ? dataSize : most);
}

int ResendSlot(NuvProtoLogin *login, NuvProtoSession *session, NuvProtoPending *slot) {
  Debug_NuvProtoPacket(slot->packet, &session->remote.address, 0);
  // Nothing sent counts as failed, as for every send.
  if (UDP_sendPacket(&login->local, &session->remote, slot->packet, NuvProtoSlotLength(slot)) < 1) {
    Debug_HandleLastWSAError();
    return EMISC;
  }
  return 0;
}

// ---------------------------------------------------------------- slots

int FindFreeSlot(NuvProtoLogin *login) {
  for (int i = 0; i < kNuvPendingSlots; ++i)
    if (login->pending[i].free) return i;
  return -1;
}

int FindPendingSlot(NuvProtoLogin *login, unsigned sessionId, const char *sequenceText,
                    size_t sequenceLength) {
  unsigned sequence = 0;
  if (!NuvPacketSequenceNumber(std::string_view(sequenceText, strnlen(sequenceText, sequenceLength)),
                               &sequence))
    return -1;
  for (int i = 0; i < kNuvPendingSlots; ++i) {
    const NuvProtoPending &p = login->pending[i];
    if (!p.free && p.sessionId == sessionId && static_cast<unsigned>(p.sequence) == sequence)
      return i;
  }
  return -1;
}

void FreeSlot(NuvProtoLogin *login, int slot) {
  if (slot >= 0 && slot < kNuvPendingSlots) login->pending[slot].free = 1;
}

void FreeSessionSlots(NuvProtoLogin *login, unsigned sessionId) {
  for (auto &p : login->pending)
    if (!p.free && p.sessionId == sessionId) p.free = 1;
}

void FreeAllSlots(NuvProtoLogin *login) {
  for (auto &p : login->pending) p.free = 1;
}

int NuvProtoQueuedPackets(const NuvProtoLogin *login) {
  int n = 0;
  for (const auto &p : login->pending) n += p.free ? 0 : 1;
  return n;
}

// ------------------------------------------------------------- sessions

NuvProtoSession *FindSessionByAddress(NuvProtoLogin *login, const PlatSockAddr &address) {
  if (!login->sessions) return nullptr;
  for (int i = 0; i < login->serverCount; ++i)
    if (UdpSameEndpoint(login->sessions[i].remote.address, address)) return &login->sessions[i];
  return nullptr;
}

NuvProtoSession *NuvProtoFindSessionById(NuvProtoLogin *login, unsigned id) {
  if (!login->sessions) return nullptr;
  for (int i = 0; i < login->serverCount; ++i)
    if (login->sessions[i].id == id) return &login->sessions[i];
  return nullptr;
}

void InitSession(NuvProtoLogin *login, NuvProtoSession *s) {
  std::memset(s, 0, sizeof *s);
  s->id = login->nextSessionId++;
  s->timeout = login->packetTimeout;
  s->retryInterval = login->retryInterval;
  s->duty = login->dutySeconds;
  s->maxResends = login->maxResends;
  s->loginState = kNuvNotLoggedIn;
}

void ResetSessionCounters(NuvProtoSession *s) {
  s->sequence = 0;
  s->silence = 0;
  s->resendCount = 0;
  s->invalidCount = 0;
}

void NextSequence(NuvProtoSession *s) { s->sequence = s->sequence >= 999 ? 0 : s->sequence + 1; }

bool MarkLoggedIn(NuvProtoLogin *login, NuvProtoSession *s) {
  bool first = false;
  if (s->loginState != kNuvLoggedIn) {
    if (login->loggedInServers == 0) {
      login->loggedIn = 1;
      login->outTime = 0;
      first = true;
    }
    login->loggedInServers++;
    s->invalidCount = 0;
    s->resendCount = 0;
    s->pendingCommand = 0;
    if (login->loggedInServers > login->serverCount)
      Debug_MessageListString("Error: loggedInServers > numServers\r\n");
  }
  s->loginState = kNuvLoggedIn;
  return first;
}

bool MarkLoggedOut(NuvProtoLogin *login, NuvProtoSession *s, int newState) {
  bool last = false;
  if (s->loginState == kNuvLoggedIn) {
    login->loggedInServers--;
    if (login->loggedInServers == 0) {
      login->loggedIn = 0;
      last = true;
    } else if (login->loggedInServers < 0) {
      Debug_MessageListString("Error: loggedInServers < 0\r\n");
    }
  }
  s->loginState = newState;
  return last;
}

void ParkAllSessions(NuvProtoLogin *login) {
  for (int i = 0; i < login->serverCount; ++i) login->sessions[i].loginState = kNuvParked;
}

int NuvProtoTimerEnable(NuvProtoLogin *login, int enable) {
  login->timerDisabled = enable ? 0 : 1;
  return 0;
}

// ----------------------------------------------------------------- init

int NuvProtoInit(NuvProtoLogin *login, const NuvProtoParams *params) {
  login->loggedIn = 0;
  login->loggedInServers = 0;
  login->outTime = 0;
  login->style = 0;
  login->networkDown = 0;
  login->hangupOnSuccess = 0;
  login->connectionType = 0;
  login->fallbackStage = 0;
  login->fallbackSeconds = params->fallbackSeconds;
  login->switchSeconds = params->switchSeconds;
  login->loginValidSeconds = params->loginValidSeconds;
  login->service = params->service;
  DropTableAndSlots(login);
  login->nextSessionId = 1;
  login->nextServerIndex = 0;
  std::memset(login->delivered, 0, sizeof login->delivered);
  login->deliveredNext = 0;
  // Bounded copies; the fixed fields need no terminator when full.
  CopyField(login->password, sizeof login->password, params->password);
  CopyField(login->userId, sizeof login->userId, params->userId);
  CopyField(login->version, sizeof login->version, params->version);
  login->packetTimeout = params->packetTimeout < 5 ? 10 : params->packetTimeout;
  login->retryInterval = params->retryInterval < 5 ? 10 : params->retryInterval;
  login->dutySeconds = params->dutySeconds < 5 ? 120 : params->dutySeconds;
  login->maxResends = params->maxResends < 0 ? 1 : params->maxResends;
  login->fallbackCallback = params->fallbackCallback;

  const int rc = UDP_openSocketLocal(&login->local, nullptr, 0);
  if (rc == -2) return 11;
  if (rc == -1) return 10;
  if (rc < 0) return ESOCK;
  // Reads must never wait: a notification may find the datagram gone.
  PlatSockSetNonBlocking(login->local.socket);
  const PlatSockAddr &b = login->local.bound;
  std::snprintf(login->local.host, sizeof login->local.host, "%u.%u.%u.%u", b.addr[0], b.addr[1],
                b.addr[2], b.addr[3]);
  login->timerDisabled = 1;
  return 0;
}

// ----------------------------------------------------------------- send

int NuvProtoSendPacket(NuvProtoLogin *login, NuvProtoSession *session, int command,
                       const char *text, int a, int b, int timeoutOverride) {
  if (!session) return ESESS;
  // A LOGIN starts the session's count of sequences anew. Requests kept from
  // before it are given up, as the one that made the session count as lost
  // is: sent again after the new login, they would carry numbers of the old
  // count, which the server takes for new requests (and which the new count
  // uses again), so one decision could be acted on twice.
  if (command == CMD_LOGIN) FreeSessionSlots(login, session->id);
  const int index = FindFreeSlot(login);
  if (index < 0) return EDROP;
  NuvProtoPending *slot = &login->pending[index];

  std::array<uint8_t, kPacketSequenceSize> sequence{};
  bool kept = false;
  const char *argument = text;
  switch (command) {
    case CMD_LOGIN:
    case CMD_LOGOUT:
      if (command == CMD_LOGIN) {
        ResetSessionCounters(session);
        slot->retry = session->retryInterval;
        session->pendingCommand = CMD_LOGIN;
        session->pendingArgument = -1;
        kept = true;
      }
      argument = nullptr;  // the password, below
      sequence = NuvPacketSequenceField(session->sequence);
      NextSequence(session);
      break;
    case CMD_PIGNORE:
    case CMD_PACKN:
    case CMD_PACKN2:
    case CMD_PACCEPT:
      sequence = NuvPacketSequenceField(session->sequence);
      session->pendingCommand = command;
      session->pendingArgument = a;
      slot->retry = session->retryInterval;
      NextSequence(session);
      kept = true;
      break;
    case CMD_VALID:
    case CMD_INVALID:
      if (text) std::memcpy(sequence.data(), text, sequence.size());
      break;
    case CMD_DUTY:
      sequence = kDutySequence;
      break;
    default:
      return ETYPE;
  }

  char password[sizeof login->password + 1];
  if (!argument && (command == CMD_LOGIN || command == CMD_LOGOUT)) {
    const size_t n = strnlen(login->password, sizeof login->password);
    std::memcpy(password, login->password, n);
    password[n] = 0;
    argument = password;
  }
  char payload[kPacketMaxPayloadText + 1];
  const int payloadLength =
      NuvPacketFormatPayload(static_cast<char>(command), FixedText(login->version, sizeof login->version),
                             argument, a, b, login->connectionType, payload, sizeof payload);
  const int length = NuvPacketBuild(
      slot->packet, sizeof slot->packet, FixedText(login->version, sizeof login->version),
      FixedText(login->userId, sizeof login->userId), sequence, static_cast<char>(command),
      std::string_view(payload, payloadLength < 0 ? 0 : static_cast<size_t>(payloadLength)));
  Debug_NuvProtoPacket(slot->packet, &session->remote.address, 0);
  if (UDP_sendPacket(&login->local, &session->remote, slot->packet, length) < 1) {
    Debug_HandleLastWSAError();
    return EMISC;
  }
  if (kept) {
    slot->free = 0;
    slot->sessionId = session->id;
    slot->timeout = timeoutOverride != 0 ? timeoutOverride : session->timeout;
    unsigned number = 0;
    NuvPacketSequenceNumber(NuvPacketSequenceText(slot->packet), &number);
    slot->sequence = static_cast<int>(number);
  }
  return 0;
}

// -------------------------------------------------------------- receive

namespace {

int Ack(NuvProtoLogin *login, NuvProtoSession *session, const uint8_t *packet) {
  return NuvProtoSendPacket(login, session, CMD_VALID,
                            reinterpret_cast<const char *>(packet + kPacketSequenceOffset), 0, 0, 0);
}

int Relogin(NuvProtoLogin *login, NuvProtoSession *session) {
  MarkLoggedOut(login, session, kNuvNotLoggedIn);
  const int rc = NuvProtoSendPacket(login, session, CMD_LOGIN, nullptr, 0, 0, 0);
  return rc != 0 ? rc : NUV_OK_NOTHING;
}

// The answer to LOGIN: first-call flag, then for a MAP server the service
// class and the account signature.
int ReadLoginAnswer(NuvProtoLogin *login, NuvProtoSession *session, bool first,
                    std::string_view payload) {
  NuvLoginAnswer answer{};
  const int rc = NuvPacketParseLoginAnswer(payload, &answer);
  if (answer.mapServer) {
    session->kind = kNuvKindMap;
    Debug_MessageListString("MAP server detected\r\n");
  } else if (rc == NUV_OK) {
    session->kind = kNuvKindRedirect;
    Debug_MessageListString("Redirect server detected\r\n");
  }
  if (rc != NUV_OK) {
    MarkLoggedOut(login, session, kNuvNotLoggedIn);
    return ECONTENT;
  }
  // A Redirect server reports no account values, so it has none to contradict.
  if (!answer.mapServer) return NUV_OK;
  char signature[sizeof login->signature] = {};
  std::memcpy(signature, answer.signature.data(),
              answer.signature.size() < sizeof signature ? answer.signature.size() : sizeof signature);
  if (first) {
    login->firstCallReceived = answer.firstCall;
    login->service = answer.service;
    std::memcpy(login->signature, signature, sizeof signature);
    return NUV_OK;
  }
  if (answer.firstCall != login->firstCallReceived || answer.service != login->service ||
      std::memcmp(signature, login->signature, sizeof signature) != 0)
    return EMATCH;
  return NUV_OK;
}

// Installs a parsed list as the new table; sessions of servers that stay
// keep their identifier, state and counters.
int InstallList(NuvProtoLogin *login, const NuvServerList &list) {
  NuvProtoSession *table = nullptr;
  int count = 0;
  const int rc = BuildSessionTable(login, list, &table, &count);
  if (rc != 0) return rc;
  LogoutRemovedServers(login, table, count);
  AdoptTable(login, table, count);
  return 0;
}

int HandleConfigNew(NuvProtoLogin *login, NuvProtoSession *session, const uint8_t *packet,
                    std::string_view payload) {
  const std::string_view version = NuvPacketVersion(packet);
  switch (NuvPacketConfigNewKind(version, payload)) {
    case CONFIGNEW_IPS: {
      NuvServerList list;
      const int rc = NuvPacketParseServerListIps(payload.substr(4), &list);
      if (list.styleRead) login->style = list.style;
      if (rc != 0) return rc;
      const int st = InstallList(login, list);
      if (st != 0) return st;
      const int lr = NuvProtoClusterLogin(login, nullptr);
      return lr != 0 ? lr : (kFlagsLoginConfig | NUV_OK_NOTHING);
    }
    case CONFIGNEW_TIME: {
      NuvConfigTime t{};
      if (NuvPacketParseConfigTime(payload, &t) != NUV_OK) return ECONTENT;
      session->timeout = t.timeout;
      session->maxResends = t.resends;
      session->duty = t.duty;
      return FLAG_CONFIG_CHANGED | NUV_OK_NOTHING;
    }
    case CONFIGNEW_IP1: {
      NuvConfigIp1 ip{};
      if (NuvPacketParseConfigIp1(payload, &ip) != NUV_OK) return ECONTENT;
      char text[kServerHostSize + 16];
      std::snprintf(text, sizeof text, "0:1:%.*s/%hu", static_cast<int>(ip.host.size()),
                    ip.host.data(), ip.port);
      NuvProtoClusterLogout(login);
      const int st = NuvProtoClusterLogin(login, text);
      return st != 0 ? st : (kFlagsLoginConfig | NUV_OK_NOTHING);
    }
    case CONFIGNEW_IP2:
      return NUV_OK_NOTHING;
    case CONFIGNEW_UNKNOWN_VERSION: {
      char shown[kPacketVersionSize + 1] = {};
      std::memcpy(shown, version.data(), version.size());
      Debug_MessageListString("Warning: Received unknown protocol version: ");
      Debug_MessageListString(shown);
      Debug_MessageListString("\r\n");
      return NUV_OK_NOTHING;
    }
    case CONFIGNEW_CUSTOM:
    case CONFIGNEW_OTHER:
      break;
  }
  return NUV_OK;  // delivered
}

}  // namespace

int NuvProtoRecvPacket(NuvProtoLogin *login, NuvProtoSession **session, uint8_t **packet) {
  if (session) *session = nullptr;
  if (packet) *packet = nullptr;
  const int length = UDP_recvPacket(&login->local, login->receiveBuffer, kNuvReceiveBufferSize);
  return NuvProtoHandleDatagram(login, length, session, packet);
}

int NuvProtoHandleDatagram(NuvProtoLogin *login, int length, NuvProtoSession **outSession,
                           uint8_t **outPacket) {
  if (outSession) *outSession = nullptr;
  if (outPacket) *outPacket = nullptr;
  if (length < 0) {
    Debug_HandleLastWSAError();
    return ESOCK;
  }
  if (login->networkDown || length == 0) return NUV_OK_NOTHING;
  if (length > kNuvReceiveBufferSize) length = kNuvReceiveBufferSize;
  uint8_t *packet = login->receiveBuffer;
  packet[length] = 0;  // text without its NUL ends with the datagram

  const NuvPacketAcceptance verdict = NuvPacketAccept(packet, length);
  if (verdict.htonlWarning) Debug_MessageListString(kTraceHtonlWarning);
  if (!verdict.lengthOk) {
    Debug_MessageListString(kTraceBadDataSize);
    return NUV_OK_NOTHING;
  }
  NuvPacketSetDataSize(packet, verdict.dataSize);
  Debug_NuvProtoPacket(packet, &login->local.source, 1);

  NuvProtoSession *session = FindSessionByAddress(login, login->local.source);
  if (!session) return NUV_OK_NOTHING;
  session->silence = 0;
  if (!verdict.commandKnown) {
    Debug_MessageListString(kTraceUnknownCommand);
    return NUV_OK_NOTHING;
  }

  const char command = NuvPacketCommand(packet);
  const std::string_view payload = NuvPacketPayload(packet, length);
  if (command != CMD_VALID && command != CMD_INVALID) {
    const int rc = Ack(login, session, packet);
    if (rc != 0) return rc;
  }

  switch (command) {
    case CMD_RELOGIN:
      return Relogin(login, session);
    case CMD_SUCCESS: {
      if (session->pendingCommand != CMD_LOGIN) break;
      const bool first = MarkLoggedIn(login, session);
      session->pendingCommand = 0;
      if (NuvPacketIsVersion(packet, "6.0") || NuvPacketIsVersion(packet, "7.0")) {
        const int rc = ReadLoginAnswer(login, session, first, payload);
        if (rc != 0) return rc;
      }
      return first ? (kFlagsLoginConfig | NUV_OK_NOTHING) : NUV_OK_NOTHING;
    }
    case CMD_FAIL:
      if (session->pendingCommand != CMD_LOGIN) break;
      session->pendingCommand = 0;
      return NUV_OK_NOTHING;
    case CMD_RESEND:
    case CMD_DUTY:
      return NUV_OK_NOTHING;
    case CMD_INVALID: {
      if (session->invalidCount != 0) return Relogin(login, session);
      session->invalidCount++;
      const int slot = FindPendingSlot(login, session->id,
                                       reinterpret_cast<const char *>(packet + kPacketSequenceOffset),
                                       kPacketSequenceSize);
      if (slot >= 0 && ResendSlot(login, session, &login->pending[slot]) != 0) {
        FreeSlot(login, slot);
        return EMISC;
      }
      return NUV_OK_NOTHING;
    }
    case CMD_VALID:
      FreeSlot(login, FindPendingSlot(login, session->id,
                                      reinterpret_cast<const char *>(packet + kPacketSequenceOffset),
                                      kPacketSequenceSize));
      return NUV_OK_NOTHING;
    case CMD_CONFIGNEW: {
      const int rc = HandleConfigNew(login, session, packet, payload);
      if (rc != 0) return rc;
      break;
    }
    default:
      break;
  }
  if (NuvProtoRepeatedDelivery(login, login->local.source, packet, payload)) {
    Debug_MessageListString(kTraceRepeatedPacket);
    return NUV_OK_NOTHING;
  }
  if (outSession) *outSession = session;
  if (outPacket) *outPacket = packet;
  return NUV_OK;
}

bool NuvProtoRepeatedDelivery(NuvProtoLogin *login, const PlatSockAddr &source,
                              const uint8_t *packet, std::string_view payload) {
  const char command = NuvPacketCommand(packet);
  if (command != CMD_PINCOMING && command != CMD_PDISCONNECT && command != CMD_MESSAGE) return false;
  // The text up to its NUL, at most as much as is remembered.
  payload = payload.substr(0, strnlen(payload.data(), payload.size()));
  if (payload.size() > static_cast<size_t>(kNuvDeliveredPayloadMax))
    payload = payload.substr(0, kNuvDeliveredPayloadMax);
  const uint8_t *sequence = packet + kPacketSequenceOffset;
  for (const NuvProtoDelivered &d : login->delivered) {
    if (!d.used || d.command != command || !UdpSameEndpoint(d.source, source)) continue;
    if (payload != std::string_view(d.payload)) continue;
    if (command == CMD_PINCOMING || std::memcmp(d.sequence, sequence, kPacketSequenceSize) == 0)
      return true;
  }
  int next = login->deliveredNext;
  if (next < 0 || next >= kNuvDeliveredMemory) next = 0;
  NuvProtoDelivered &d = login->delivered[next];
  login->deliveredNext = (next + 1) % kNuvDeliveredMemory;
  d.used = 1;
  d.source = source;
  d.command = command;
  std::memcpy(d.sequence, sequence, kPacketSequenceSize);
  if (!payload.empty()) std::memcpy(d.payload, payload.data(), payload.size());
  d.payload[payload.size()] = 0;
  return false;
}

// -------------------------------------------------------------- clusters

int ParseServerList(NuvProtoLogin *login, char *text, NuvProtoSession **table, int *count) {
  *table = nullptr;
  *count = 0;
  NuvServerList list;
  const int rc = NuvPacketParseServerList(text ? std::string_view(text) : std::string_view(), &list);
  if (list.styleRead) login->style = list.style;  // kept even when the list is refused
  if (rc != NUV_OK) return rc;
  return BuildSessionTable(login, list, table, count);
}

int BuildSessionTable(NuvProtoLogin *login, const NuvServerList &list, NuvProtoSession **table,
                      int *count) {
  *table = nullptr;
  *count = 0;
  if (list.count < 1 || list.count > kServerListMax) return ECONTENT;
  auto *sessions =
      static_cast<NuvProtoSession *>(std::calloc(static_cast<size_t>(list.count), sizeof(NuvProtoSession)));
  if (!sessions) return EMISC;
  for (int i = 0; i < list.count; ++i) {
    UdpRemote remote{};
    if (UDP_specifySocketRemote(&remote, list.servers[i].host, list.servers[i].port) != 0) {
      std::free(sessions);
      return ECONTENT;
    }
    // A server named twice is carried over once: two copies of one session
    // would share its identifier and be counted out twice.
    const NuvProtoSession *known = FindSessionByAddress(login, remote.address);
    for (int j = 0; known && j < i; ++j)
      if (sessions[j].id == known->id) known = nullptr;
    if (known) {
      sessions[i] = *known;
    } else {
      InitSession(login, &sessions[i]);
      sessions[i].remote = remote;
    }
  }
  *table = sessions;
  *count = list.count;
  return NUV_OK;
}

void LogoutRemovedServers(NuvProtoLogin *login, const NuvProtoSession *table, int count) {
  for (int i = 0; i < login->serverCount; ++i) {
    NuvProtoSession *s = &login->sessions[i];
    if (s->loginState != kNuvLoggedIn) continue;
    bool kept = false;
    for (int j = 0; j < count && !kept; ++j)
      kept = UdpSameEndpoint(table[j].remote.address, s->remote.address);
    if (kept) continue;
    NuvProtoSendPacket(login, s, CMD_LOGOUT, nullptr, 0, 0, 0);
    MarkLoggedOut(login, s, kNuvNotLoggedIn);
    FreeSessionSlots(login, s->id);
  }
}

int NuvProtoClusterLogin(NuvProtoLogin *login, char *text) {
  if (text) {
    NuvProtoSession *table = nullptr;
    int count = 0;
    const int rc = ParseServerList(login, text, &table, &count);
    if (rc != 0) return rc;
    // Servers left out of the new list are dropped without LOGOUT.
    AdoptTable(login, table, count);
  }
  if (login->style == 0) {
    for (int i = 0; i < login->serverCount; ++i) {
      NuvProtoSession *s = &login->sessions[i];
      if (s->loginState == kNuvLoggedIn || s->pendingCommand == CMD_LOGIN) continue;
      const int rc = NuvProtoSendPacket(login, s, CMD_LOGIN, nullptr, 0, 0, 0);
      if (rc != 0) return rc;
    }
  } else if (login->style == 1) {
    if (login->loggedInServers < 1 && login->serverCount > 0) {
      const int rc = NuvProtoSendPacket(login, &login->sessions[0], CMD_LOGIN, nullptr, 0, 0, 0);
      if (rc != 0) return rc;
    }
  } else {
    Debug_MessageListString("login->style contents invalid\r\n");
  }
  return 0;
}

int NuvProtoClusterLogoutEx(NuvProtoLogin *login, int sendLogout) {
  NuvProtoTimerEnable(login, 0);
  for (int i = 0; i < login->serverCount; ++i) {
    NuvProtoSession *s = &login->sessions[i];
    if (s->loginState != kNuvLoggedIn) continue;
    if (sendLogout) NuvProtoSendPacket(login, s, CMD_LOGOUT, nullptr, 0, 0, 0);
    MarkLoggedOut(login, s, kNuvNotLoggedIn);
  }
  DropTableAndSlots(login);
  // Without a table nothing is logged in, whatever the count said.
  login->loggedInServers = 0;
  login->loggedIn = 0;
  NuvProtoTimerEnable(login, 1);
  return 0;
}

int NuvProtoClusterLogout(NuvProtoLogin *login) { return NuvProtoClusterLogoutEx(login, 1); }
