#include "platform/locale_time.h"

#include <cstdio>

#include "platform/locale_time_check.h"

namespace {

// A text of length n was written by snprintf: when it was cut, nothing counts.
// The result counts the terminator, as the system's formatting calls do.
int Finish(char *buf, int size, int n) {
  if (n < 0 || n >= size) {
    buf[0] = '\0';
    return 0;
  }
  return n + 1;
}

}  // namespace

// Natively there is no user locale: a fixed 24-hour time and month/day/year.
int PlatFormatTime(const PlatDateTime &when, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  if (!PlatDateTimeValid(when)) return 0;
  const int n = std::snprintf(buf, static_cast<size_t>(size), "%02u:%02u", when.hour, when.minute);
  return Finish(buf, size, n);
}

int PlatFormatShortDate(const PlatDateTime &when, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  if (!PlatDateTimeValid(when)) return 0;
  const int n = std::snprintf(buf, static_cast<size_t>(size), "%02u/%02u/%04u", when.month,
                              when.day, when.year);
  return Finish(buf, size, n);
}
