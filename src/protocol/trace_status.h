#pragma once
// The trace window's panel of live protocol state: which items a refresh
// writes and the text of each.

#include "protocol/trace.h"

struct DebugStatusItem {
  int id;         // the panel item
  char text[24];  // what it shows
};
constexpr int kDebugStatusItemsMax = 13;

// Fills out with the items that a refresh of this kind writes, taken from
// login and the application's LoggedIn and NetUp flags; returns their number
// (0 without a login record).
int Debug_FormatStatusItems(DebugStatusKind kind, const NuvProtoLogin *login, int appLoggedIn,
                            int appNetUp, DebugStatusItem out[kDebugStatusItemsMax]);
