#pragma once
// Recorders in place of what the caller list calls in the windows: the main
// window's caller display and menu, and the caller log window. They define
// those functions, so exactly one test file per test executable includes
// this header as it is; other files of the same executable that only read
// the record define NUVTEST_WINDOW_RECORDS_ONLY before including it.

#include <cstdio>
#include <cstring>

#include "calls/callerlist.h"

namespace nuvtest {

struct WindowRecord {
  CallerRecord lastEntry;  // the last entry drawn in the caller display
  int entryDraws;
  char lastSpot[64];  // the last position text ("3/7", "")
  int spotDraws;
  int menuState;  // last EnableLogMenuItems argument; -1 before any call
  int menuCalls;
  int notifications;  // NotifyLogWindow calls
  int lastNotifyCount;
  int lastDisableDelete;
};

inline WindowRecord &Windows() {
  static WindowRecord record;
  return record;
}

// Forgets everything recorded.
inline void ResetWindowRecorders() {
  WindowRecord &w = Windows();
  std::memset(&w, 0, sizeof w);
  w.menuState = -1;
  w.lastNotifyCount = -1;
}

}  // namespace nuvtest

#ifndef NUVTEST_WINDOW_RECORDS_ONLY

void UpdateLedDisplay(CallerRecord entry) {
  nuvtest::WindowRecord &w = nuvtest::Windows();
  w.lastEntry = entry;
  ++w.entryDraws;
}

void UpdateCallerSpot(const char *text) {
  nuvtest::WindowRecord &w = nuvtest::Windows();
  std::snprintf(w.lastSpot, sizeof w.lastSpot, "%s", text ? text : "");
  ++w.spotDraws;
}

void EnableLogMenuItems(int state) {
  nuvtest::WindowRecord &w = nuvtest::Windows();
  w.menuState = state;
  ++w.menuCalls;
}

void NotifyLogWindow(int count, int disableDelete) {
  nuvtest::WindowRecord &w = nuvtest::Windows();
  ++w.notifications;
  w.lastNotifyCount = count;
  w.lastDisableDelete = disableDelete;
}

#endif  // NUVTEST_WINDOW_RECORDS_ONLY
