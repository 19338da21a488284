#include "calls/callerlist.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "calls/active_call.h"
#include "platform/files.h"
#include "platform/locale_time.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "shell/msgbox.h"

CallerRecord CallerLog[kCallerListMax];
std::int32_t CallListEnd = 0;
std::int32_t CallListInView = 0;
const char *const CallerLogName = "CALLER.LOG";
const unsigned char LogVersion = 0x22;

namespace {

constexpr unsigned kNoTimeText = 1039;
constexpr unsigned kNoCallersText = 1120;
constexpr unsigned kExportFileText = 1600;
constexpr unsigned kFirstColumnTitle = 1032;  // then Number, Time, Action
constexpr unsigned kErrorCaption = 1408;
constexpr unsigned kSaveFailedText = 1409;
constexpr unsigned kLoadFailedText = 1410;

constexpr int kHeaderSize = 9;  // version byte, count, index in view
static_assert(sizeof CallerLog == kCallerListMax * 130, "slots are stored back to back");
static_assert(kHeaderSize + sizeof CallerLog == kCallerLogFileSize, "CALLER.LOG is 10409 bytes");

// Set once VcLoadList has run: until then the list in memory is not the
// stored one, and writing it would wipe the user's log.
bool g_loaded = false;

int BoundedLength(const char *s, int max) {
  int n = 0;
  while (n < max && s[n] != '\0') ++n;
  return n;
}

// Copies at most srcMax bytes of src (terminated or not) into a field, cut to
// fit and always terminated; the rest of the field is cleared.
template <std::size_t N>
void SetField(char (&field)[N], const char *src, int srcMax) {
  std::memset(field, 0, N);
  if (!src) return;
  int n = BoundedLength(src, srcMax);
  if (n > static_cast<int>(N) - 1) n = static_cast<int>(N) - 1;
  std::memcpy(field, src, static_cast<std::size_t>(n));
}

template <std::size_t N>
void TerminateField(char (&field)[N]) {
  if (!std::memchr(field, '\0', N)) field[N - 1] = '\0';
}

void MakeEmptySlot(CallerRecord &r) {
  std::memset(&r, 0, sizeof r);
  PlatLoadString(kNoCallersText, r.name, sizeof r.name);
}

void MoveDown(int from, int end) {  // records from..end-1 go one place lower
  if (from < 1 || from >= end) return;
  std::memmove(&CallerLog[from - 1], &CallerLog[from],
               static_cast<std::size_t>(end - from) * sizeof(CallerRecord));
}

void PutInt32(unsigned char *p, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}

std::int32_t GetInt32(const unsigned char *p) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return static_cast<std::int32_t>(u);
}

void PackList(unsigned char (&file)[kCallerLogFileSize]) {
  file[0] = LogVersion;
  PutInt32(file + 1, CallListEnd);
  PutInt32(file + 5, CallListInView);
  std::memcpy(file + kHeaderSize, CallerLog, sizeof CallerLog);
}

// A stored count and view index that the list can hold; anything else is
// read like a file of another version.
bool StoredStateValid(std::int32_t end, std::int32_t inView) {
  if (end < 0 || end > kCallerListMax) return false;
  if (end == 0) return inView == 0;
  return inView >= 0 && inView < end;
}

bool IndexShown(int index) {
  if (CallListEnd <= 0) return index == 0;
  return index >= 0 && index < CallListEnd;
}

// Appends printf-style text to buf; false when it does not fit.
bool Appendf(char *buf, int size, int &len, const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  const int n = std::vsnprintf(buf + len, static_cast<std::size_t>(size - len), fmt, ap);
  va_end(ap);
  if (n < 0 || n >= size - len) return false;
  len += n;
  return true;
}

}  // namespace

void CallerListReset() {
  std::memset(CallerLog, 0, sizeof CallerLog);
  CallListEnd = 0;
  CallListInView = 0;
  g_loaded = false;
}

void AddCallerToList(int slot, const char *action) {
  if (slot < 0 || slot >= kPopupSlots) return;
  if (CallListEnd >= kCallerListMax) {
    CallListEnd = kCallerListMax - 1;
    MoveDown(1, kCallerListMax);
  }
  const ActiveCall &call = Caller[slot];
  const int index = CallListEnd;
  CallerRecord &r = CallerLog[index];
  SetField(r.name, call.name, kActiveCallTextSize);
  SetField(r.number, call.number, kActiveCallTextSize);
  char raw[kActiveCallTextSize + 1];
  const int rawLen = BoundedLength(call.time, kActiveCallTextSize);
  std::memcpy(raw, call.time, static_cast<std::size_t>(rawLen));
  raw[rawLen] = '\0';
  std::memset(r.time, 0, sizeof r.time);
  MakeNiceTimeDate(r.time, raw, sizeof r.time);
  SetField(r.action, action, sizeof r.action);  // longer texts are cut at 49 anyway

  CallListInView = index;
  CallListEnd = index + 1;
  VcList(index);
  EnableLogMenuItems(1);
  VcSaveList();
  NotifyLogWindow(CallListEnd, 0);
}

int DeleteCallerFromList(int index) {
  if (index < 0 || index >= CallListEnd) return CallListEnd;
  MoveDown(index + 1, CallListEnd);
  --CallListEnd;
  if (CallListEnd > 0) {
    CallListInView = CallListEnd - 1;
    return CallListEnd;
  }
  EnableLogMenuItems(0);
  CallListInView = 0;
  MakeEmptySlot(CallerLog[0]);
  NotifyLogWindow(0, 1);
  return 0;
}

void VcClearOne() {
  if (CallListEnd <= 0) return;
  if (CallListInView < 0 || CallListInView >= CallListEnd) CallListInView = CallListEnd - 1;
  if (CallListInView == CallListEnd - 1) {
    MakeEmptySlot(CallerLog[CallListEnd - 1]);
    --CallListEnd;
    if (CallListEnd == 0) {
      VcClearAll();
      return;
    }
    VcList(CallListEnd - 1);
  } else {
    MoveDown(CallListInView + 1, CallListEnd);
    --CallListEnd;
    VcList(CallListInView);
  }
  VcSaveList();
  NotifyLogWindow(CallListEnd, 0);
}

void VcClearAll() {
  for (CallerRecord &r : CallerLog) MakeEmptySlot(r);
  CallListInView = 0;
  CallListEnd = 0;
  VcList(0);
  VcSaveList();
  EnableLogMenuItems(0);
  NotifyLogWindow(0, 0);
}

void VcList(int index) {
  // Only an entry of the list (or slot 0 of an empty one) can come into view.
  if (!IndexShown(index)) return;
  UpdateLedDisplay(CallerLog[index]);
  char position[32] = "";
  if (CallListEnd > 0) std::snprintf(position, sizeof position, "%d/%d", index + 1, CallListEnd);
  UpdateCallerSpot(position);
  CallListInView = index;
}

void VcNext() {
  if (CallListEnd <= 0) return;
  int index = CallListInView + 1;
  if (index > CallListEnd - 1) index = CallListEnd - 1;
  if (index < 0) index = 0;
  VcList(index);
}

void VcPrev() {
  if (CallListEnd <= 0) return;
  int index = CallListInView - 1;
  if (index < 0) index = 0;
  if (index > CallListEnd - 1) index = CallListEnd - 1;
  VcList(index);
}

int GetCallerListEnd() { return CallListEnd; }
int GetCallListNumber() { return CallListEnd; }
int GetCallerInView() { return CallListInView; }

void RequestUpdateLedDisplay() {
  int index = CallListInView;
  if (index < 0 || index >= kCallerListMax) index = 0;
  UpdateLedDisplay(CallerLog[index]);
}

int VcSaveList() {
  if (!g_loaded) return 1;
  unsigned char file[kCallerLogFileSize];
  PackList(file);
  if (!PlatReplaceFile(CallerLogName, file, sizeof file)) {
    stringMessageBox(nullptr, kErrorCaption, kSaveFailedText, kMbOk | kMbIconError);
    return 0;
  }
  return 1;
}

int VcLoadList() {
  g_loaded = true;
  if (!PlatFileExists(CallerLogName)) {
    unsigned char file[kCallerLogFileSize];
    PackList(file);
    if (!PlatReplaceFile(CallerLogName, file, sizeof file)) {
      stringMessageBox(nullptr, kErrorCaption, kLoadFailedText, kMbOk | kMbIconError);
      return 0;
    }
  } else {
    // One byte more than a log holds, so that a longer file shows itself.
    unsigned char file[kCallerLogFileSize + 1];
    const int got = PlatReadFile(CallerLogName, file, sizeof file);
    if (got < 0) return 0;
    VcTakeListImage(file, got);
  }
  if (CallListEnd == 0) {
    VcClearAll();
    EnableLogMenuItems(0);
  } else {
    VcList(CallListInView);
    EnableLogMenuItems(1);
  }
  return 1;
}

int VcTakeListImage(const unsigned char *file, int size) {
  if (!file || size != kCallerLogFileSize || file[0] != LogVersion) return 0;
  const std::int32_t end = GetInt32(file + 1);
  const std::int32_t inView = GetInt32(file + 5);
  if (!StoredStateValid(end, inView)) return 0;
  std::memcpy(CallerLog, file + kHeaderSize, sizeof CallerLog);
  // A damaged record must not make a later copy read past its field.
  for (CallerRecord &r : CallerLog) {
    TerminateField(r.name);
    TerminateField(r.number);
    TerminateField(r.time);
    TerminateField(r.action);
  }
  CallListEnd = end;
  CallListInView = inView;
  return 1;
}

void MakeNiceTimeDate(char *out, const char *raw, int size) {
  if (!out || size <= 0) return;
  out[0] = '\0';
  if (!raw || BoundedLength(raw, 15) < 15) return;
  PlatDateTime when{};
  if (std::sscanf(raw, "%04u-%02u-%02u-%02u%02u", &when.year, &when.month, &when.day, &when.hour,
                  &when.minute) < 5)
    return;

  const int n = PlatFormatTime(when, out, size);
  if (n > 0 && size >= n + 1) {
    out[n - 1] = ' ';
    if (PlatFormatShortDate(when, out + n, size - n) > 0) return;
  }
  out[0] = '\0';
  if (size >= 17) {
    std::snprintf(out, static_cast<std::size_t>(size), "%2.2u:%2.2u %2.2u/%2.2u/%4.4u", when.hour,
                  when.minute, when.month, when.day, when.year);
  } else if (size >= 8) {
    PlatLoadString(kNoTimeText, out, 8);
  }
}

int SaveCallerFile(PlatWindow /*owner*/) {
  char path[256];
  const int folderLen = PlatTempFolder(path, sizeof path);
  if (folderLen <= 0) return 0;
  char fileName[64];
  const int nameLen = PlatLoadString(kExportFileText, fileName, sizeof fileName);
  if (nameLen <= 0 || folderLen + nameLen >= static_cast<int>(sizeof path)) return 0;
  std::memcpy(path + folderLen, fileName, static_cast<std::size_t>(nameLen) + 1);

  char title[4][25];
  for (unsigned i = 0; i < 4; ++i) PlatLoadString(kFirstColumnTitle + i, title[i], sizeof title[i]);

  // Header and blank line, then at most 80 lines of at most 131 bytes each.
  char text[128 + kCallerListMax * 136];
  int len = 0;
  if (!Appendf(text, sizeof text, len, "%-20s %-16s %-15s %-20s\r\n\r\n", title[0], title[1],
               title[2], title[3]))
    return 0;
  for (int i = 0; i < CallListEnd && i < kCallerListMax; ++i) {
    const CallerRecord &r = CallerLog[i];
    // The precisions only bound the read to the field; stored texts are shorter.
    if (!Appendf(text, sizeof text, len, "%-20.29s %-16.19s %-15.29s %-20.49s\r\n", r.name,
                 r.number, r.time, r.action))
      return 0;
  }
  return PlatReplaceFile(path, text, len);
}
