#pragma once
// The date and time range both platforms accept (that of the Windows system
// time): checked before formatting so an impossible stamp fails alike.

#include "platform/locale_time.h"

inline bool PlatDateTimeValid(const PlatDateTime &t) {
  if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.hour > 23 ||
      t.minute > 59 || t.day < 1)
    return false;
  static const unsigned char kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.day > kDays[t.month - 1]) return false;
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  return !(t.month == 2 && t.day == 29 && !leap);
}
