#pragma once
// What the caller log window shows and how it orders it: one row per entry
// of the caller list, newest first, each row naming its record by index; the
// four columns' texts, widths and sort comparisons; the deletion of chosen
// entries. The window itself only hands these to the list view.

#include "calls/callerlist.h"

constexpr int kLogColumns = 4;

// Columns, left to right.
enum LogColumn { kLogColTime = 0, kLogColName = 1, kLogColNumber = 2, kLogColAction = 3 };

// Title string of a column ("Time", "Caller Name", "Number", "Action"); 0
// for a column that does not exist.
unsigned LogColumnTitleId(int column);
// Width of a column in pixels for a given average character width (the
// product's low 16 bits, as the list view takes it).
int LogColumnWidth(int column, int averageCharWidth);

// The record that row `row` of `count` rows stands for: the newest first.
int LogRowRecord(int count, int row);
// The text of record `index` in `column`: a pointer into the caller list, so
// a repaint shows what stands there now. "" for an index or column that
// names nothing.
const char *LogCellText(int index, int column);

// The sort comparisons of two rows by their record indices. Direction 1:
// newest first (time) or A to Z (texts); 0 the other way round.
int Log_CompareIndex(int a, int b, int direction);
int Log_CompareName(int a, int b, int direction);    // case-insensitive
int Log_CompareNumber(int a, int b, int direction);  // byte-wise
int Log_CompareAction(int a, int b, int direction);  // case-insensitive
// The comparison of a column (column 0 for one that does not exist).
int LogCompare(int column, int a, int b, int direction);

// Sort column and direction; a fresh state is column 0, direction 1.
struct LogSortState {
  int column = 0;
  int direction = 1;
};
// A click on a column header: the current column turns its direction round,
// another column becomes current with direction 1.
void LogSortClick(LogSortState &state, int column);

// Deletes the records of `indices` (in any order, duplicates and indices
// that name no entry ignored) from the highest index to the lowest, so that
// no deletion moves a record still to be deleted. Returns the new count.
int LogDeleteRecords(const int *indices, int n);

// The export's path: the temporary folder followed by "callers.txt", the
// file SaveCallerFile writes. 1 when it fits in out, 0 otherwise ("" then).
int LogExportPath(char *out, int size);
