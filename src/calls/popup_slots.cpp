// The three pop-up slots, shared by the full and the basic pop-up.
#include "calls/popup_logic.h"

PlatWindow hQryWndPop[kPopupSlots];
int PopupsActive;
int NewPopupWindow = -1;
int PopupFocus;
int PopupButtonFocus;
int PopUpState[kPopupSlots];
int TransferNumbers;
