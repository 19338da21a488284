// The caller list's loader on CALLER.LOG images of arbitrary bytes, then the
// list operations on whatever it took in.
//
// Input: byte 0 steers the operations (which entry to delete, whether a call
// is added), bytes 1-48 are the raw texts of that call (name, number, time
// stamp; not terminated), the rest is the file image. An image the loader
// refuses must leave the list as it was; one it takes must give a count and
// view index the list can hold and texts terminated within their fields.
// Every entry the list hands to the caller display must be terminated within
// its fields too. The list never saves here: the file was never loaded from
// disk, so every save is refused before it writes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "calls/active_call.h"
#include "calls/callerlist.h"

namespace {

void Check(bool ok, const char *what) {
  if (!ok) {
    std::fprintf(stderr, "callerlog_fuzz: %s\n", what);
    std::abort();
  }
}

template <std::size_t N>
bool Terminated(const char (&field)[N]) {
  return std::memchr(field, '\0', N) != nullptr;
}

bool RecordTerminated(const CallerRecord &r) {
  return Terminated(r.name) && Terminated(r.number) && Terminated(r.time) && Terminated(r.action);
}

// A recognisable list that a refused image must leave alone (made once,
// copied in for every run).
void FillKnownList() {
  static CallerRecord known[kCallerListMax];
  static bool made = false;
  if (!made) {
    for (int i = 0; i < kCallerListMax; ++i) {
      CallerRecord &r = known[i];
      std::snprintf(r.name, sizeof r.name, "Caller %d", i);
      std::snprintf(r.number, sizeof r.number, "(204) 555-%04d", i);
      std::snprintf(r.time, sizeof r.time, "14:%02d 03/15/1999", i % 60);
      std::snprintf(r.action, sizeof r.action, "Answered");
    }
    made = true;
  }
  CallerListReset();
  std::memcpy(CallerLog, known, sizeof known);
  CallListEnd = 3;
  CallListInView = 1;
}

std::int32_t Int32At(const uint8_t *p) {
  return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                   std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
}

// The stored text of a field: its bytes up to the first terminator, and the
// last byte given up for the terminator when there is none.
template <std::size_t N>
bool FieldTaken(const char (&field)[N], const uint8_t *stored) {
  const void *nul = std::memchr(stored, 0, N);
  const std::size_t len = nul ? static_cast<std::size_t>(static_cast<const uint8_t *>(nul) - stored) : N - 1;
  return std::strlen(field) == len && std::memcmp(field, stored, len) == 0;
}

// A field holds the text of src (at most srcMax bytes, terminated or not),
// cut to the field.
template <std::size_t N>
bool CutCopy(const char (&field)[N], const char *src, std::size_t srcMax) {
  std::size_t len = strnlen(src, srcMax);
  if (len > N - 1) len = N - 1;
  return std::strlen(field) == len && std::memcmp(field, src, len) == 0;
}

}  // namespace

// The caller display and menu of the main window and the caller log window.
void UpdateLedDisplay(CallerRecord entry) { Check(RecordTerminated(entry), "drew an entry without terminators"); }
void UpdateCallerSpot(const char *text) { Check(std::strlen(text) < 32, "position text too long"); }
void EnableLogMenuItems(int state) { Check(state == 0 || state == 1, "menu state"); }
void NotifyLogWindow(int count, int) { Check(count >= 0 && count <= kCallerListMax, "notified count"); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 49) return 0;
  const uint8_t steer = data[0];
  const uint8_t *callText = data + 1;
  const size_t imageSize = size - 49;
  // An exact-size copy: any read past the image is caught.
  std::unique_ptr<unsigned char[]> image(new unsigned char[imageSize ? imageSize : 1]);
  if (imageSize) std::memcpy(image.get(), data + 49, imageSize);

  FillKnownList();
  static CallerRecord before[kCallerListMax];
  std::memcpy(before, CallerLog, sizeof before);

  const int taken = VcTakeListImage(image.get(), static_cast<int>(imageSize));
  const bool fits = imageSize == static_cast<size_t>(kCallerLogFileSize) && image[0] == LogVersion;
  if (!taken) {
    Check(std::memcmp(before, CallerLog, sizeof before) == 0 && CallListEnd == 3 && CallListInView == 1,
          "a refused image changed the list");
    if (fits) {
      const std::int32_t end = Int32At(data + 49 + 1), inView = Int32At(data + 49 + 5);
      Check(end < 0 || end > kCallerListMax || (end == 0 && inView != 0) ||
                (end > 0 && (inView < 0 || inView >= end)),
            "refused an image the list can hold");
    }
    return 0;
  }
  Check(fits, "took an image of another size or version");
  Check(CallListEnd >= 0 && CallListEnd <= kCallerListMax, "count out of range");
  Check(CallListEnd == 0 ? CallListInView == 0 : CallListInView >= 0 && CallListInView < CallListEnd,
        "view index out of range");
  for (int i = 0; i < kCallerListMax; ++i) {
    const CallerRecord &r = CallerLog[i];
    const uint8_t *stored = data + 49 + 9 + i * sizeof(CallerRecord);
    Check(RecordTerminated(r), "a text without its terminator");
    Check(FieldTaken(r.name, stored) && FieldTaken(r.number, stored + 30) && FieldTaken(r.time, stored + 50) &&
              FieldTaken(r.action, stored + 80),
          "a text differs from the file");
  }

  // The operations of the main window and the caller log window on it.
  VcList(CallListInView);
  VcNext();
  VcPrev();
  RequestUpdateLedDisplay();
  const int count = CallListEnd;
  const int index = steer % (kCallerListMax + 2) - 1;  // -1..80
  const int left = DeleteCallerFromList(index);
  Check(left == ((index >= 0 && index < count) ? count - 1 : count), "delete count");
  if (steer & 0x80) {
    ActiveCall &call = Caller[0];
    std::memset(&call, 0, sizeof call);
    // Texts of any content, the number and stamp possibly unterminated.
    std::memcpy(call.name, callText, 16);
    std::memcpy(call.number, callText + 16, 16);
    std::memset(call.number + 16, 'n', sizeof call.number - 16);
    std::memcpy(call.time, callText + 32, 16);
    std::memset(call.time + 16, (steer & 0x40) ? '\0' : '7', sizeof call.time - 16);
    const int was = CallListEnd;
    // An action text of exactly its field's size without a terminator: cut at 49.
    char action[sizeof(CallerRecord::action)];
    std::memcpy(action, callText, 48);
    action[48] = action[49] = 'a';
    AddCallerToList(0, action);
    Check(CallListEnd == (was < kCallerListMax ? was + 1 : kCallerListMax), "add count");
    Check(CallListInView == CallListEnd - 1, "the new entry is not in view");
    const CallerRecord &added = CallerLog[CallListEnd - 1];
    Check(RecordTerminated(added), "added entry without terminators");
    Check(CutCopy(added.name, call.name, sizeof call.name) && CutCopy(added.number, call.number, sizeof call.number) &&
              CutCopy(added.action, action, sizeof action),
          "added entry differs from the call");
  }
  VcClearOne();
  Check(CallListEnd >= 0 && CallListEnd <= kCallerListMax, "count after delete");
  for (const CallerRecord &r : CallerLog) Check(RecordTerminated(r), "a text lost its terminator");
  return 0;
}
