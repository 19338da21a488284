// What the pop-ups' buttons send, log and do to their windows.

#include <cstdio>
#include <cstring>

#include "calls/callerlist.h"
#include "calls/popup_logic.h"
#include "config/config.h"
#include "config/settings.h"
#include "config/validate.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "protocol/event.h"
#include "protocol/packet.h"
#include "shell/main_layout.h"
#include "shell/msgbox.h"

namespace {

// Texts of the string table.
constexpr unsigned kIdsDisconnected = 1024;
constexpr unsigned kIdsCallThemBack = 1025;
constexpr unsigned kIdsWillCallBack = 1026;
constexpr unsigned kIdsIgnored = 1027;
constexpr unsigned kIdsMissedCall = 1028;
constexpr unsigned kIdsAnswered = 1029;
constexpr unsigned kIdsAcknowledged = 1030;
constexpr unsigned kIdsSentTo = 1031;
constexpr unsigned kIdsConfirmDisconnect = 1122;
constexpr unsigned kIdsDisconnectInternet = 1123;
constexpr unsigned kIdsDisconnectAol = 1124;
constexpr unsigned kIdsSessionLostCaption = 1125;
constexpr unsigned kIdsSessionLostText = 1126;

constexpr int kActionTextSize = 96;
constexpr int kActionFormatSize = 256;
constexpr int kTransferDelay = 10;  // seconds; also Answer's delay without AOL
constexpr int kNumberTextSize = 48;

bool ValidSlot(int slot) { return slot >= 0 && slot < kPopupSlots; }

// A call that a decision may still act on: a pop-up slot whose call was not
// finished yet (a finished call has session 0 and must not be logged twice).
bool LiveCall(int slot) { return ValidSlot(slot) && Caller[slot].sessionId != 0; }

void LogAction(int slot, unsigned textId) {
  char text[kActionTextSize];
  PlatLoadString(textId, text, sizeof text);
  AddCallerToList(slot, text);
}

int Send(int slot, char command, const char *text, int b) {
  return NuvProtoTransmit(&nuvLogin, static_cast<unsigned>(Caller[slot].sessionId), command, text,
                          Caller[slot].callId, b);
}

// The server of the call is gone: the user is told, the call counts as
// missed and its pop-up stays open.
void SessionLost(int slot) {
  stringMessageBox(nullptr, kIdsSessionLostCaption, kIdsSessionLostText, kMbIconWarning);
  LogAction(slot, kIdsMissedCall);
}

// After a decision the slot's identifiers are cleared, so a later call-ended
// notification for this call matches nothing.
void CloseDecided(int slot) {
  ClosePopupWindow(slot);
  Caller[slot].callId = 0;
  Caller[slot].sessionId = 0;
}

// A command without text for slot's call: logged and closed when sent.
int SendAndClose(int slot, char command, int b, unsigned textId) {
  if (!LiveCall(slot)) return 0;
  if (Send(slot, command, nullptr, b) == ESESS) {
    SessionLost(slot);
    return 0;
  }
  LogAction(slot, textId);
  CloseDecided(slot);
  return 1;
}

// The transfer of slot's call to number; closing is left to the caller.
int TransferSlot(int slot, const char *number) {
  if (!number || !number[0] || !LiveCall(slot)) return 0;
  char digits[kNumberTextSize];
  std::snprintf(digits, sizeof digits, "%s", CrunchPhoneNumber(number));
  if (Send(slot, CMD_PACCEPT, digits, kTransferDelay) == ESESS) {
    SessionLost(slot);
    return 0;
  }
  char text[kActionTextSize];
  logFormatTransfer(text, number, sizeof text);
  AddCallerToList(slot, text);
  return 1;
}

const char *TransferNumber(int k) {
  const char *numbers[] = {Config.NUMBER1, Config.NUMBER2, Config.NUMBER3, Config.NUMBER4};
  return k >= 0 && k < 4 ? numbers[k] : "";
}

// The one configured number when exactly one is set. It is NUMBER1 when the
// numbers are packed; taking the one that is set keeps a call from closing
// unlogged when they are not.
const char *OnlyTransferNumber() {
  for (int k = 0; k < 4; ++k)
    if (TransferNumber(k)[0]) return TransferNumber(k);
  return "";
}

bool ConfirmHangup(int slot) {
  const unsigned text = Config.USEAOL[0] == '1' ? kIdsDisconnectAol : kIdsDisconnectInternet;
  return stringMessageBox(hQryWndPop[slot], kIdsConfirmDisconnect, text,
                          kMbYesNo | kMbIconQuestion) == kIdYes;
}

int Answer(int slot) {
  if (!LiveCall(slot)) return 0;
  bool hangUp = false;
  if (Config.RAS[0] == '1') {
    if (Config.HANGUP[0] == '0')
      hangUp = true;
    else if (ConfirmHangup(slot))
      hangUp = true;
    else
      return 0;
  }
  const std::string_view timer(Config.AOLTIMER, strnlen(Config.AOLTIMER, sizeof Config.AOLTIMER));
  const int delay = Config.USEAOL[0] == '0' ? kTransferDelay : PopupDecimal(timer);
  char digits[kNumberTextSize];
  std::snprintf(digits, sizeof digits, "%s", CrunchPhoneNumber(Config.USERID));
  if (Send(slot, CMD_PACCEPT, digits, delay) == ESESS) {
    SessionLost(slot);
    return 0;
  }
  LogAction(slot, kIdsAnswered);
  CloseDecided(slot);
  // The line is dropped only once the server confirms the PACCEPT.
  if (hangUp) NuvEventHangupOnSuccess(&nuvLogin, CMD_PACCEPT);
  return 1;
}

// Transfer: one number is sent at once and the pop-up closed whatever the
// send did (a lost session was told and logged); more open the drop-down.
// 1 when a transfer was sent.
int PressTransfer(int slot) {
  if (!ValidSlot(slot)) return 0;
  const int count = GetTransferNumberCount();
  TransferNumbers = count;
  if (count == 1) {
    const int sent = TransferSlot(slot, OnlyTransferNumber());
    CloseDecided(slot);
    ActiveButton = 0;
    return sent;
  }
  if (count >= 2 && count <= 4) {
    OpenTransferDropDown(slot, count);
    PopUpState[slot] = kPopUpStateDropDown;
  }
  return 0;
}

}  // namespace

int PopupDecide(int slot, int code) {
  if (!ValidSlot(slot)) return 0;
  // The helpers that follow the focus act on this pop-up.
  PopupButtonFocus = slot;
  switch (code) {
    case kPopupAnswer:
      return Answer(slot);
    case kPopupTransfer:
      return PressTransfer(slot);
    case kPopupAcknowledge:
      return Do_PressedAcknowledge(hQryWndPop[slot], 0, 0, slot);
    case kPopupIgnore:
      return SendAndClose(slot, CMD_PIGNORE, 0, kIdsIgnored);
    default:
      break;
  }
  if (code >= kPopupBar1 && code < kPopupBar1 + 4) {
    if (!PopupButtonEnabled(slot, code)) return 0;
    if (TransferSlot(slot, TransferNumber(code - kPopupBar1)) != 1) return 0;
    CloseDecided(slot);
    ActiveButton = 0;
    return 1;
  }
  return 0;
}

int BasicPopupDecide(int slot, int code) {
  if (!ValidSlot(slot)) return 0;
  switch (code) {
    case kBasicTopBar:
      return SendAndClose(slot, CMD_PACKN, 0, kIdsCallThemBack);
    case kBasicMiddleBar:
      return SendAndClose(slot, CMD_PACKN2, -1, kIdsWillCallBack);
    case kBasicBottomBar:
      return SendAndClose(slot, CMD_PIGNORE, 0, kIdsIgnored);
    default:
      return 0;
  }
}

int PopupCallEnded(const char *payload, unsigned sessionId) {
  const int slot = FindCallSlot(CallEndedId(payload), static_cast<std::int32_t>(sessionId));
  if (slot < 0) return -1;
  ClosePopupWindow(slot);
  LogAction(slot, kIdsDisconnected);
  Caller[slot].callId = -1;
  Caller[slot].sessionId = 0;
  Caller[slot].hwnd = nullptr;
  ShowMainAfterCall(0);
  return slot;
}

int Do_PressedTransfer(PlatWindow, int, int, int slot) {
  PressTransfer(slot);
  return 1;
}

int TransferToNumber(const char *number) {
  if (!ValidSlot(PopupButtonFocus)) return 0;
  return TransferSlot(PopupButtonFocus, number);
}

int Do_PressedAcknowledge(PlatWindow, int, int, int slot) {
  return SendAndClose(slot, CMD_PACKN, 0, kIdsAcknowledged);
}

int HangupConfirmed() {
  if (!ValidSlot(PopupButtonFocus)) return 0;
  return ConfirmHangup(PopupButtonFocus) ? 1 : 0;
}

void logFormatTransfer(char *out, const char *number, int size) {
  if (!out || size <= 0) return;
  // Formatted in full first: the formatter gives nothing rather than a cut
  // text when the result does not fit.
  char full[kActionFormatSize];
  LoadFmtMessage(kIdsSentTo, full, sizeof full, number ? number : "");
  std::snprintf(out, static_cast<std::size_t>(size), "%s", full);
}
