#include "calls/log_view.h"

#include <cstring>

#include "platform/files.h"
#include "platform/string_table.h"

namespace {

constexpr unsigned kExportFileText = 1600;

struct ColumnInfo {
  unsigned titleId;
  int widthChars;
};
constexpr ColumnInfo kColumns[kLogColumns] = {{1034, 17}, {1032, 20}, {1033, 15}, {1035, 18}};

bool ColumnExists(int column) { return column >= 0 && column < kLogColumns; }
bool RecordExists(int index) { return index >= 0 && index < kCallerListMax; }

// Stored fields are terminated on load and on every write, but a compare
// must never run past its field whatever the record holds.
template <std::size_t N>
int FieldCompare(const char (&a)[N], const char (&b)[N], bool ignoreCase) {
  for (std::size_t i = 0; i < N; ++i) {
    int ca = static_cast<unsigned char>(a[i]);
    int cb = static_cast<unsigned char>(b[i]);
    if (ignoreCase) {
      if (ca >= 'A' && ca <= 'Z') ca += 'a' - 'A';
      if (cb >= 'A' && cb <= 'Z') cb += 'a' - 'A';
    }
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  return 0;
}

int Directed(int result, int direction) { return direction == 1 ? result : -result; }

}  // namespace

unsigned LogColumnTitleId(int column) { return ColumnExists(column) ? kColumns[column].titleId : 0; }

int LogColumnWidth(int column, int averageCharWidth) {
  if (!ColumnExists(column)) return 0;
  const unsigned product = static_cast<unsigned>(averageCharWidth) *
                           static_cast<unsigned>(kColumns[column].widthChars);
  return static_cast<int>(product & 0xFFFFu);
}

int LogRowRecord(int count, int row) { return count - 1 - row; }

const char *LogCellText(int index, int column) {
  if (!RecordExists(index)) return "";
  const CallerRecord &r = CallerLog[index];
  switch (column) {
    case kLogColTime: return r.time;
    case kLogColName: return r.name;
    case kLogColNumber: return r.number;
    case kLogColAction: return r.action;
    default: return "";
  }
}

int Log_CompareIndex(int a, int b, int direction) { return direction == 1 ? b - a : a - b; }

int Log_CompareName(int a, int b, int direction) {
  if (!RecordExists(a) || !RecordExists(b)) return 0;
  return Directed(FieldCompare(CallerLog[a].name, CallerLog[b].name, true), direction);
}

int Log_CompareNumber(int a, int b, int direction) {
  if (!RecordExists(a) || !RecordExists(b)) return 0;
  return Directed(FieldCompare(CallerLog[a].number, CallerLog[b].number, false), direction);
}

int Log_CompareAction(int a, int b, int direction) {
  if (!RecordExists(a) || !RecordExists(b)) return 0;
  return Directed(FieldCompare(CallerLog[a].action, CallerLog[b].action, true), direction);
}

int LogCompare(int column, int a, int b, int direction) {
  switch (column) {
    case kLogColName: return Log_CompareName(a, b, direction);
    case kLogColNumber: return Log_CompareNumber(a, b, direction);
    case kLogColAction: return Log_CompareAction(a, b, direction);
    default: return Log_CompareIndex(a, b, direction);
  }
}

void LogSortClick(LogSortState &state, int column) {
  if (!ColumnExists(column)) return;
  if (column == state.column) {
    state.direction = state.direction ? 0 : 1;
  } else {
    state.column = column;
    state.direction = 1;
  }
}

int LogDeleteRecords(const int *indices, int n) {
  // Marks instead of sorting: at most 80 records, and duplicates fall away.
  bool chosen[kCallerListMax] = {};
  for (int i = 0; indices && i < n; ++i)
    if (indices[i] >= 0 && indices[i] < CallListEnd && indices[i] < kCallerListMax)
      chosen[indices[i]] = true;
  int count = CallListEnd;
  for (int index = kCallerListMax - 1; index >= 0; --index)
    if (chosen[index]) count = DeleteCallerFromList(index);
  return count;
}

int LogExportPath(char *out, int size) {
  if (!out || size <= 0) return 0;
  out[0] = '\0';
  const int folderLen = PlatTempFolder(out, size);
  if (folderLen <= 0 || folderLen >= size) {
    out[0] = '\0';
    return 0;
  }
  const int nameLen = PlatLoadString(kExportFileText, out + folderLen, size - folderLen);
  if (nameLen <= 0 || folderLen + nameLen >= size - 1) {
    out[0] = '\0';
    return 0;
  }
  return 1;
}
