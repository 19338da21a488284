// The pop-ups' slots, call notifications, geometry, buttons and outlines.

#include "calls/popup_logic.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "config/config.h"
#include "config/settings.h"
#include "config/validate.h"
#include "shell/main_timer.h"
#include "shell/msgbox.h"
#include "shell/status.h"
#include "skin/bands_generated.h"

namespace {

constexpr int kCallEndedIdLimit = 48;  // characters of a call-ended payload read as the id
constexpr std::int32_t kPopupCountDown = 20;
constexpr unsigned kIdsCalling = 1216;  // "%1 Calling"
constexpr int kTitleFormatSize = 256;

bool ValidSlot(int slot) { return slot >= 0 && slot < kPopupSlots; }

// Copies a field into a text of the active-call table, cut to fit.
void SetCallText(char (&out)[kActiveCallTextSize], std::string_view field) {
  const std::size_t n = field.size() < sizeof out - 1 ? field.size() : sizeof out - 1;
  if (n > 0) std::memcpy(out, field.data(), n);  // an empty field may have no data
  out[n] = '\0';
}

}  // namespace

std::int32_t PopupDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  // Saturates rather than wrapping: a runaway number must not turn into
  // another call's identifier or a negative delay.
  constexpr long long kMax = 2147483647LL;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kMax + 1) value = kMax + 1;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(value > kMax ? kMax : value);
}

// --- Slots ---------------------------------------------------------------

int FindFreePopupSlot() {
  for (int i = 0; i < kPopupSlots; ++i)
    if (!hQryWndPop[i]) return i;
  return -1;
}

int SlotOfWindow(const PlatWindow table[kPopupSlots], PlatWindow window, int previous) {
  // A null window would match a free slot, so it finds nothing.
  if (table && window)
    for (int i = 0; i < kPopupSlots; ++i)
      if (table[i] == window) return i;
  return ValidSlot(previous) ? previous : 0;
}

// --- A call notification ---------------------------------------------------

void SplitCallPayload(const char *payload, ActiveCall *call) {
  if (!call) return;
  const char *text = payload ? payload : "";
  const std::string_view examined(text, strnlen(text, kPopupPayloadLimit));

  std::string_view fields[4];
  std::size_t at = 0;
  for (int f = 0; f < 4 && at <= examined.size(); ++f) {
    const std::size_t end = examined.find(':', at);
    const std::size_t stop = end == std::string_view::npos ? examined.size() : end;
    fields[f] = examined.substr(at, stop - at);
    if (end == std::string_view::npos) break;
    at = end + 1;
  }

  call->callId = PopupDecimal(fields[0].substr(0, kActiveCallTextSize - 1));
  SetCallText(call->name, fields[1]);
  // The number goes through the pretty form from a terminated copy; its
  // result lives in a buffer the next call overwrites.
  char digits[kActiveCallTextSize];
  SetCallText(digits, fields[2]);
  const char *pretty = MakePhoneNumberPretty(digits);
  SetCallText(call->number, pretty ? std::string_view(pretty, strnlen(pretty, kActiveCallTextSize))
                                   : std::string_view());
  SetCallText(call->time, fields[3]);
}

std::int32_t CallEndedId(const char *payload) {
  if (!payload) return 0;
  std::string_view text(payload, strnlen(payload, kCallEndedIdLimit));
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos) text = text.substr(0, colon);
  return PopupDecimal(text);
}

int FindCallSlot(std::int32_t callId, std::int32_t sessionId) {
  // Finished calls carry session 0; nothing may match them.
  if (sessionId == 0) return -1;
  for (int i = 0; i < kPopupSlots; ++i)
    if (Caller[i].callId == callId && Caller[i].sessionId == sessionId) return i;
  return -1;
}

int TakeCall(const char *payload, unsigned sessionId) {
  if (PopupsActive >= kPopupSlots) return -1;
  const int slot = FindFreePopupSlot();
  if (slot < 0) return -1;

  ActiveCall &call = Caller[slot];
  std::memset(&call, 0, sizeof call);
  SplitCallPayload(payload, &call);
  call.sessionId = static_cast<std::int32_t>(sessionId);

  TimerCountDown[slot] = kPopupCountDown;
  PhoneTime = 1;  // ring at the next tick
  if (GetBlinkGreen()) SetBlinkGreen(0);
  return slot;
}

char *PopupTitle(int slot, char *out, int size) {
  if (!out || size <= 0) return out;
  out[0] = '\0';
  if (!ValidSlot(slot)) return out;
  char number[kActiveCallTextSize];
  SetCallText(number, std::string_view(Caller[slot].number,
                                       strnlen(Caller[slot].number, kActiveCallTextSize)));
  // Formatted in full first: the formatter gives nothing rather than a cut
  // text when the result does not fit.
  char full[kTitleFormatSize];
  LoadFmtMessage(kIdsCalling, full, sizeof full, static_cast<const char *>(number));
  std::snprintf(out, static_cast<std::size_t>(size), "%s", full);
  return out;
}

// --- Geometry and buttons ----------------------------------------------------

void PopupPosition(int screenWidth, int screenHeight, int windowWidth, int windowHeight, int slot,
                   int *x, int *y) {
  const int offset = 20 * (ValidSlot(slot) ? slot : 0);
  if (x) *x = (screenWidth - windowWidth) / 2 + offset;
  if (y) *y = (screenHeight - windowHeight) / 3 + offset;
}

const SkinButton BTNAnswer = MakeSkinButton(8, 142, 69, 176);
const SkinButton BTNTransfer = MakeSkinButton(72, 142, 131, 176);
const SkinButton BTNAck = MakeSkinButton(135, 142, 194, 176);
const SkinButton BTNIgnore = MakeSkinButton(198, 142, 257, 176);
const SkinButton BTNTrnBar1 = MakeSkinButton(17, 204, 248, 227);
const SkinButton BTNTrnBar2 = MakeSkinButton(17, 233, 248, 256);
const SkinButton BTNTrnBar3 = MakeSkinButton(17, 262, 248, 285);
const SkinButton BTNTrnBar4 = MakeSkinButton(17, 291, 248, 314);
const SkinButton BTNBasicTop = MakeSkinButton(16, 152, 247, 175);
const SkinButton BTNBasicMiddle = MakeSkinButton(16, 181, 247, 204);
const SkinButton BTNBasicBottom = MakeSkinButton(16, 210, 247, 233);

const SkinButtonEntry PopupButtons[kPopupButtonCount] = {
    {&BTNAnswer, kPopupAnswer},        {&BTNTransfer, kPopupTransfer},
    {&BTNIgnore, kPopupIgnore},        {&BTNAck, kPopupAcknowledge},
    {&BTNTrnBar1, kPopupBar1},         {&BTNTrnBar2, kPopupBar1 + 1},
    {&BTNTrnBar3, kPopupBar1 + 2},     {&BTNTrnBar4, kPopupBar1 + 3},
};

const SkinButtonEntry BasicPopupButtons[kBasicPopupButtonCount] = {
    {&BTNBasicTop, kBasicTopBar},
    {&BTNBasicMiddle, kBasicMiddleBar},
    {&BTNBasicBottom, kBasicBottomBar},
};

bool PopupButtonEnabled(int slot, int code) {
  switch (code) {
    case kPopupAnswer:
    case kPopupIgnore:
    case kPopupAcknowledge:
      return true;
    case kPopupTransfer:
      return GetTransferNumberCount() > 0;
    default:
      break;
  }
  const int k = code - kPopupBar1;
  if (k < 0 || k >= 4 || !ValidSlot(slot)) return false;
  return PopUpState[slot] == kPopUpStateDropDown && k < TransferNumbers;
}

const char *GetTransferBarText(int k) {
  const char *names[] = {Config.NAME1, Config.NAME2, Config.NAME3, Config.NAME4};
  const char *numbers[] = {Config.NUMBER1, Config.NUMBER2, Config.NUMBER3, Config.NUMBER4};
  if (k < 0 || k >= 4) return "";
  return names[k][0] ? names[k] : numbers[k];
}

int PopupRegionBands(int dropDownNumbers, const NuvBand **bands) {
  const NuvBand *list = nullptr;
  int count = 0;
  switch (dropDownNumbers) {
    case 0: list = PopupRegionRect; count = PopupRegionRectCount; break;
    case 2: list = PopupDropDownRegionRect2; count = PopupDropDownRegionRect2Count; break;
    case 3: list = PopupDropDownRegionRect3; count = PopupDropDownRegionRect3Count; break;
    case 4: list = PopupDropDownRegionRect4; count = PopupDropDownRegionRect4Count; break;
    default: break;
  }
  if (bands) *bands = list;
  return count;
}

int PopupButtonsRegionBands(int dropDownNumbers, const NuvBand **bands) {
  const NuvBand *list = nullptr;
  int count = 0;
  switch (dropDownNumbers) {
    case 0: list = PopupButtonsRegionRect; count = PopupButtonsRegionRectCount; break;
    case 2: list = PopupDropDownButtonsRegionRect2; count = PopupDropDownButtonsRegionRect2Count; break;
    case 3: list = PopupDropDownButtonsRegionRect3; count = PopupDropDownButtonsRegionRect3Count; break;
    case 4: list = PopupDropDownButtonsRegionRect4; count = PopupDropDownButtonsRegionRect4Count; break;
    default: break;
  }
  if (bands) *bands = list;
  return count;
}
