#include "platform/locale_time.h"

#include <windows.h>

#include "platform/locale_time_check.h"

namespace {

SYSTEMTIME ToSystemTime(const PlatDateTime &when) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(when.year);
  st.wMonth = static_cast<WORD>(when.month);
  st.wDay = static_cast<WORD>(when.day);
  st.wHour = static_cast<WORD>(when.hour);
  st.wMinute = static_cast<WORD>(when.minute);
  return st;
}

}  // namespace

int PlatFormatTime(const PlatDateTime &when, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  if (!PlatDateTimeValid(when)) return 0;
  const SYSTEMTIME st = ToSystemTime(when);
  const int n = GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buf, size);
  if (n <= 0) buf[0] = '\0';
  return n > 0 ? n : 0;
}

int PlatFormatShortDate(const PlatDateTime &when, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  if (!PlatDateTimeValid(when)) return 0;
  const SYSTEMTIME st = ToSystemTime(when);
  const int n = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, size);
  if (n <= 0) buf[0] = '\0';
  return n > 0 ? n : 0;
}
