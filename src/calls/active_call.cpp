#include "calls/active_call.h"

ActiveCall Caller[kPopupSlots];
