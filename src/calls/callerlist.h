#pragma once
// The caller list: at most 80 calls, oldest first, kept whole in the binary
// file CALLER.LOG (10409 bytes) and shown one at a time in the main window.
// Free functions on one global list; user-interface thread only.

#include <cstdint>

#include "platform/types.h"

constexpr int kCallerListMax = 80;

struct CallerRecord {
  char name[30];    // at most 29 characters
  char number[20];  // pretty form, at most 19
  char time[30];    // MakeNiceTimeDate text, at most 29
  char action[50];  // at most 49
};
static_assert(sizeof(CallerRecord) == 130, "the record is stored raw in CALLER.LOG");

constexpr int kCallerLogFileSize = 1 + 4 + 4 + kCallerListMax * 130;  // 10409
constexpr unsigned kLogRefresh = 850;  // command posted to the caller log window

extern CallerRecord CallerLog[kCallerListMax];
extern std::int32_t CallListEnd;
extern std::int32_t CallListInView;
extern const char *const CallerLogName;  // "CALLER.LOG", in the current folder
extern const unsigned char LogVersion;   // 0x22

// Logs the call of pop-up slot 0..2 (Caller[slot]) with an action text; the
// oldest entry goes when the list is full. Shows and saves the list.
void AddCallerToList(int slot, const char *action);
// Removes entry index; returns the new count. Neither saves nor redraws.
int DeleteCallerFromList(int index);
void VcClearOne();
void VcClearAll();
// Shows entry index and puts it in view; an index that names no entry of the
// list (only 0 when it is empty) changes nothing.
void VcList(int index);
void VcNext();
void VcPrev();
int GetCallerListEnd();
int GetCallListNumber();
int GetCallerInView();
// Writes CALLER.LOG whole; 1 on success, 0 (after the user was told) on
// failure, the previous file then left as it was. Before VcLoadList has run
// it writes nothing and returns 1: an unloaded list must never replace the
// stored one.
int VcSaveList();
// Reads CALLER.LOG once at start-up; 1 on success, 0 on failure. A file of
// another version or size, or whose count or view index the list cannot
// hold, loads as an empty list and is rewritten empty.
int VcLoadList();
// The reading half of VcLoadList: takes a CALLER.LOG file image of size bytes
// into the list. 1 when it is a log of this version whose count and view
// index the list can hold (every text then terminated within its field); 0
// otherwise, the list left as it was. Shows nothing and saves nothing.
int VcTakeListImage(const unsigned char *file, int size);
// The server's stamp "1999-03-15-1432" as local time and date text.
void MakeNiceTimeDate(char *out, const char *raw, int size);
// Writes the text export callers.txt into the temporary folder (the window
// is not used). 1 when written; 0 when it could not be, nothing then written
// and nothing shown.
int SaveCallerFile(PlatWindow owner);

// Back to the state at program load (tests): empty list, not loaded.
void CallerListReset();

// --- What the list calls in the windows (defined by the program: the main
// window in the client, recorders in the tests). ---
// Draws one entry into the main window's caller display.
void UpdateLedDisplay(CallerRecord entry);
// Draws the position text ("3/7", or "" for an empty list).
void UpdateCallerSpot(const char *text);
// 1 enables, 0 greys the menu items "Clear Caller Log" and "Open Caller Log...".
void EnableLogMenuItems(int state);
// Tells the caller log window, when open, that the list changed (posted
// command kLogRefresh with the new count); disable != 0 also greys its
// Delete button. Does nothing while that window is closed.
void NotifyLogWindow(int count, int disableDelete);
// Redraws the caller display with the entry in view.
void RequestUpdateLedDisplay();
