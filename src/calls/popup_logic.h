#pragma once
// The incoming-call pop-ups without their windows: the three slots, what a
// call notification carries, the geometry of the transfer drop-down, and
// what each button sends and logs. The windows (full and basic pop-up) call
// these; the decisions call back into the windows through the few
// operations declared at the end, which the program defines.

#include <cstdint>
#include <string_view>

#include "calls/active_call.h"
#include "platform/types.h"
#include "skin/bands.h"
#include "skin/buttons.h"

// --- Slots -------------------------------------------------------------
// The pop-up window of each slot; 0 while the slot is free. A pop-up is open
// in slot i exactly when hQryWndPop[i] is not 0.
extern PlatWindow hQryWndPop[kPopupSlots];
extern int PopupsActive;       // pop-up windows in existence, 0..3
extern int NewPopupWindow;     // slot being created, -1 otherwise
extern int PopupFocus;         // slot whose pop-up procedure runs
extern int PopupButtonFocus;   // slot whose button window procedure runs
extern int PopUpState[kPopupSlots];  // 0 normal, 2 transfer drop-down open
extern int TransferNumbers;    // transfer numbers when the drop-down last opened

constexpr int kPopUpStateNormal = 0;
constexpr int kPopUpStateDropDown = 2;

// The first free slot, or -1 when all three are in use.
int FindFreePopupSlot();
// The slot of a window in a table of three, or the previous value (a
// previous value of 3 becomes 0): PopupFocus and PopupButtonFocus follow this
// rule, so they never leave 0..2.
int SlotOfWindow(const PlatWindow table[kPopupSlots], PlatWindow window, int previous);

// --- A call notification ------------------------------------------------
constexpr int kPopupPayloadLimit = 96;  // characters of the payload examined

// "callId:name:number:stamp": at most 96 characters examined, fields cut to
// 47, missing fields empty, a callId that is not a number 0, the number made
// pretty. Fills callId, name, number and time of *call (nothing else).
void SplitCallPayload(const char *payload, ActiveCall *call);
// A number of a payload or a setting: optional blanks and sign, then
// decimal digits up to the first other character; 0 without digits; held to
// the 32-bit range instead of wrapping.
std::int32_t PopupDecimal(std::string_view text);
// The call identifier of a call-ended payload: the text up to the first ':'
// (at most 48 characters) as a decimal number.
std::int32_t CallEndedId(const char *payload);
// The slot whose call has this identifier on this session, or -1.
int FindCallSlot(std::int32_t callId, std::int32_t sessionId);

// Takes a call into the first free slot (Caller, TimerCountDown 20, PhoneTime
// 1, green blinking off) and returns the slot; -1 (nothing changed, nothing
// logged) when three pop-ups are open. The window is the caller's to make.
int TakeCall(const char *payload, unsigned sessionId);
// The pop-up's window text "<number> Calling" (string 1216) into out.
char *PopupTitle(int slot, char *out, int size);

// --- Geometry -----------------------------------------------------------
constexpr int kPopupWidth = 265;
constexpr int kPopupHeight = 187;
constexpr int kBasicPopupHeight = 251;
// Height of the full pop-up with the drop-down open for n transfer numbers
// (2..4): 216 + 29 n.
constexpr int DropDownHeight(int n) { return 216 + 29 * n; }
// Top-left corner of slot i's pop-up on a screen: centred across, at a third
// of the remaining height, 20 pixels right and down per slot.
void PopupPosition(int screenWidth, int screenHeight, int windowWidth, int windowHeight, int slot,
                   int *x, int *y);

// Buttons of the full pop-up (ActiveButton codes) and of the basic one.
enum PopupButtonCode {
  kPopupAnswer = 1,
  kPopupIgnore = 3,
  kPopupTransfer = 4,
  kPopupAcknowledge = 5,
  kPopupBar1 = 30,  // transfer bars 30..33
  kBasicMiddleBar = 1,  // "Will call back"
  kBasicTopBar = 2,     // "Call them back"
  kBasicBottomBar = 3,  // "Ignore"
};
extern const SkinButton BTNAnswer, BTNTransfer, BTNAck, BTNIgnore, BTNTrnBar1, BTNTrnBar2,
    BTNTrnBar3, BTNTrnBar4;
extern const SkinButton BTNBasicTop, BTNBasicMiddle, BTNBasicBottom;
// Press order of the full pop-up: Answer, Transfer, Ignore, Acknowledge, the
// four bars; of the basic pop-up: top, middle, bottom bar.
constexpr int kPopupButtonCount = 8;
extern const SkinButtonEntry PopupButtons[kPopupButtonCount];
constexpr int kBasicPopupButtonCount = 3;
extern const SkinButtonEntry BasicPopupButtons[kBasicPopupButtonCount];
// Whether a left press at (x, y) of slot's full pop-up may press this
// button: Transfer only while a transfer number is configured, the bars only
// while the drop-down shows them.
bool PopupButtonEnabled(int slot, int code);

// Transfer bar k (0..3): its label NAMEk+1 when set, else NUMBERk+1; "" for
// any other k.
const char *GetTransferBarText(int k);

// Window outlines by state (the band lists of the artwork): the pop-up and
// its button window, closed or with the drop-down for n = 2..4 numbers.
// Returns the band count and sets *bands; 0 for an n without a list.
int PopupRegionBands(int dropDownNumbers, const NuvBand **bands);
int PopupButtonsRegionBands(int dropDownNumbers, const NuvBand **bands);

// --- Decisions ----------------------------------------------------------
// The release of a full pop-up's button (ActiveButton code) inside it: sends
// and logs as the button says and closes the pop-up or opens the drop-down.
// Returns 1 when a decision was sent, 0 otherwise (asked No, session lost,
// nothing to send). Sets PopupButtonFocus to slot. A slot outside 0..2, or a
// call already finished (session 0: decided, missed or ended), sends and
// logs nothing, so a late second release cannot log a call twice.
int PopupDecide(int slot, int code);
// The release of a basic pop-up's bar inside it.
int BasicPopupDecide(int slot, int code);
// The server says the call ended: closes its pop-up, logs "Disconnected",
// finishes the call (callId -1, session 0, no window) and brings the main
// window forward; returns the slot, or -1 when no open call matches.
int PopupCallEnded(const char *payload, unsigned sessionId);

// Transfer pressed: with one number configured it is sent and the pop-up
// closed (even when the session was lost); with 2..4 the drop-down opens.
// Returns 1.
int Do_PressedTransfer(PlatWindow buttons, int x, int y, int slot);
// Sends the transfer of slot PopupButtonFocus's call to number and logs it;
// closing is the caller's. 1 when sent; 0 for an empty number, a lost
// session or a focus outside 0..2.
int TransferToNumber(const char *number);
// 1 when sent (logged, closed), 0 when the session was lost.
int Do_PressedAcknowledge(PlatWindow buttons, int x, int y, int slot);
// The disconnect question, owned by slot PopupButtonFocus's pop-up: 1 for Yes.
int HangupConfirmed();
// "Sent to <number>" (string 1031), cut to size.
void logFormatTransfer(char *out, const char *number, int size);

// --- What the decisions call in the windows (defined by the program) -----
// Sends slot's pop-up the close request.
void ClosePopupWindow(int slot);
// Grows slot's pop-up to show n transfer bars (2..4).
void OpenTransferDropDown(int slot, int n);
// Brings the main window and its owner forward after a call ended or was
// missed; foregroundOwner picks which becomes the foreground window.
void ShowMainAfterCall(int foregroundOwner);
