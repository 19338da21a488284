#pragma once
// The calls that can be shown at once: one per pop-up slot.

#include <cstdint>

#include "platform/types.h"

constexpr int kPopupSlots = 3;
constexpr int kActiveCallTextSize = 48;  // at most 47 characters

struct ActiveCall {
  std::int32_t callId;  // the server's call identifier; -1 or 0 once finished
  char name[kActiveCallTextSize];
  char number[kActiveCallTextSize];  // pretty form
  char time[kActiveCallTextSize];    // the server's stamp, e.g. 1999-03-15-1432
  PlatWindow hwnd;                   // the pop-up showing the call, or none
  std::int32_t sessionId;            // 0 once finished
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ActiveCall) == 156, "the 32-bit record: four 4-byte fields and three texts");
#endif

// The active-call table, index = pop-up slot 0..2.
extern ActiveCall Caller[kPopupSlots];
