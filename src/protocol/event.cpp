#include "protocol/event.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "config/config.h"
#include "config/settings.h"
#include "config/validate.h"
#include "protocol/app_hooks.h"
#include "protocol/packet.h"
#include "protocol/trace.h"

namespace {

// The payload handed to the application is read in place. A datagram whose
// payload lacks its NUL within dataSize is ended on the first trailer byte,
// which the datagram is long enough to hold (the engine accepted it as
// 35 + dataSize bytes); the trailer is never interpreted.
char *TerminatedPayload(uint8_t *packet) {
  const uint32_t dataSize = NuvPacketDataSize(packet);
  uint8_t *payload = packet + kPacketHeaderSize;
  if (!std::memchr(payload, 0, dataSize)) payload[dataSize] = 0;
  return reinterpret_cast<char *>(payload);
}

// The version field read as a decimal number is at least 7.0.
bool VersionAtLeast7(const uint8_t *packet) {
  char text[kPacketVersionSize + 1] = {};
  const std::string_view v = NuvPacketVersion(packet);
  std::memcpy(text, v.data(), v.size() < kPacketVersionSize ? v.size() : kPacketVersionSize);
  return std::strtod(text, nullptr) >= 7.0;
}

// Copies at most one settings field's worth of text (39 characters).
void SetField(char (&field)[kConfigFieldSize], std::string_view text) {
  const size_t n = text.size() < kConfigFieldSize - 1 ? text.size() : kConfigFieldSize - 1;
  std::memcpy(field, text.data(), n);
  field[n] = 0;
}

// "custom:number:PIN:notify:answer" of a version 7.0 (or later) CONFIGNEW.
// Other CONFIGNEW payloads that reach the application are ignored.
int HandleConfigNew(const uint8_t *packet, const char *payload) {
  const std::string_view text(payload);
  if (!VersionAtLeast7(packet) || text.compare(0, 7, "custom:") != 0) return NUV_OK;

  NuvConfigCustom custom{};
  if (NuvPacketParseConfigCustom(text, &custom) != NUV_OK || custom.items < 3) return ECONTENT;

  if (custom.number.compare(0, 4, "None") != 0) {
    // MakePhoneNumberPretty reads a terminated text of at most 40 bytes.
    char number[kCustomFieldMax + 1] = {};
    std::memcpy(number, custom.number.data(),
                custom.number.size() < kCustomFieldMax ? custom.number.size() : kCustomFieldMax);
    const char *pretty = MakePhoneNumberPretty(number);
    if (pretty && pretty[0]) SetField(Config.CUSTOMIZENUMBER, pretty);
  }
  if (!custom.pin.empty()) SetField(Config.CUSTOMIZEPIN, custom.pin);
  Config.CUSTOMNOTIFY[0] = custom.notify ? '1' : '0';
  Config.CUSTOMNOTIFY[1] = 0;
  // With only three items the answer flag was not sent: it keeps its value.
  if (custom.items >= 4) {
    Config.CUSTOMANSWER[0] = custom.answer ? '1' : '0';
    Config.CUSTOMANSWER[1] = 0;
  }
  return NUV_OK;
}

bool BasicService(int service) { return service == -1 || service == 0 || service == 3; }
bool FullService(int service) { return service == 1 || service == 2; }

}  // namespace

int NuvProtoProcessIncoming(NuvProtoLogin *login) {
  NuvProtoSession *session = nullptr;
  uint8_t *packet = nullptr;
  int result = NuvProtoRecvPacket(login, &session, &packet);

  const bool flagged = (result & (FLAG_LOGIN_CHANGED | FLAG_CONFIG_CHANGED)) != 0;
  if (result & FLAG_LOGIN_CHANGED) {
    Debug_MessageListString(kTraceLoginChanged);
    NuvEventLoginChange(login);
  }
  if (result & FLAG_CONFIG_CHANGED) {
    Debug_MessageListString(kTraceConfigChanged);
    NuvEventConfigChange(login);
  }
  if (flagged) {
    // A flagged success carries nothing for the application.
    result &= NUV_STATUS_MASK;
    if (result == NUV_OK_NOTHING) return NUV_OK;
    if (result != NUV_OK) return result;
  } else if (result == NUV_OK_NOTHING) {
    return NUV_OK;
  } else if (result != NUV_OK) {
    return result;
  }

  if (!session || !packet) {
    Debug_MessageListString(kTraceNullPacket);
    return NUV_OK;
  }

  char *payload = TerminatedPayload(packet);
  const int service = login->service;
  switch (NuvPacketCommand(packet)) {
    case CMD_SUCCESS:
      if (login->hangupOnSuccess != 0 && login->hangupOnSuccess == session->pendingCommand) {
        login->hangupOnSuccess = 0;
        HangUpNetwork();
      }
      break;
    case CMD_FAIL:
      break;
    case CMD_PINCOMING:
      if (BasicService(service))
        IncommingCallBasicPopup(payload, session->id);
      else if (FullService(service))
        IncommingCallPopup(payload, session->id);
      login->firstCallReceived = 1;
      break;
    case CMD_PDISCONNECT:
      if (BasicService(service))
        ShutDownIncommingCallBasicPopup(payload, session->id);
      else if (FullService(service))
        ShutDownIncommingCallPopup(payload, session->id);
      break;
    case CMD_MESSAGE:
      CreateMessageWindow(GetMainInstance(), GetMainWindowHandle(), payload);
      break;
    case CMD_CONFIGNEW:
      return HandleConfigNew(packet, payload);
    default:
      Debug_MessageListString(kTraceEventUnknownCommand);
      break;
  }
  return NUV_OK;
}

int NuvProtoTransmit(NuvProtoLogin *login, unsigned sessionId, char command, const char *text,
                     int a, int b) {
  NuvProtoSession *session = NuvProtoFindSessionById(login, sessionId);
  if (!session) return ESESS;
  const int status = NuvProtoSendPacket(login, session, command, text, a, b, 0);
  if (status != NUV_OK) {
    Debug_MessageListString(kTraceTransmitFailed);
    Debug_MessageListProtoErr(status);
  }
  return status;
}

int NuvEventNetworkChange(NuvProtoLogin *login, int up) {
  if (up) {
    Debug_MessageListString(kTraceNetworkUp);
    login->networkDown = 0;
    NuvProtoTimerEnable(login, 1);
    if (!login->loggedIn) {
      login->fallbackStage = 0;
      char *text = nullptr;
      if (login->fallbackCallback) login->fallbackCallback(login, &text);
      if (text) {
        const int status = NuvProtoClusterLogin(login, text);
        std::free(text);
        if (status != NUV_OK) return status;
      }
    }
  } else {
    Debug_MessageListString(kTraceNetworkDown);
    login->networkDown = 1;
    int status = NUV_OK;
    if (login->loggedIn) status = NuvProtoClusterLogoutEx(login, 1);
    LoggedIn = 0;
    NuvProtoTimerEnable(login, 0);
    if (status != NUV_OK) return status;
  }
  Debug_NuvProtoTimerTick(login);
  return NUV_OK;
}

int NuvEventHangupOnSuccess(NuvProtoLogin *login, int command) {
  login->hangupOnSuccess = command;
  return NUV_OK;
}

int NuvEventConnectionType(NuvProtoLogin *login, int type) {
  login->connectionType = type;
  return NUV_OK;
}

void NuvEventLoginChange(NuvProtoLogin *login) {
  if (login->loggedIn && login->serverCount >= 1 && login->sessions &&
      login->sessions[0].kind == kNuvKindMap) {
    const int service = login->service;
    if (service < 0 || service >= kServiceClassCount || NuvServiceProfile[service] == 0) {
      HandleMisconfiguredAccount();
      NuvProtoTimerEnable(login, 0);
    }
  }
  if (NetUp == 0) {
    LoggedIn = 0;
    SetBlinkGreen(0);
    SetBlinkState(0);
    return;
  }
  if (login->loggedIn) {
    LoggedIn = 1;
    SetBlinkGreen(login->firstCallReceived == 0 ? 1 : 0);
    SetBlinkState(0);
  } else {
    LoggedIn = 0;
    SetBlinkGreen(0);
    SetBlinkState(1);
  }
}

void NuvEventConfigChange(NuvProtoLogin *login) {
  login->fallbackStage = 1;
  SaveInfoFile();
  Debug_NuvEventConfigChange(login);
}
