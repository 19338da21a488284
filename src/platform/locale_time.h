#pragma once
// Times and dates as text in the user's locale.

struct PlatDateTime {
  unsigned year;    // 1601..30827
  unsigned month;   // 1..12
  unsigned day;     // 1..31, within the month
  unsigned hour;    // 0..23
  unsigned minute;  // 0..59
};

// The time of day without seconds (Windows: GetTimeFormat, TIME_NOSECONDS;
// natively "14:32"). Returns the characters stored including the terminator,
// as the system does; 0 on an invalid time or a buffer that is too small
// (buf then holds "" when size > 0).
int PlatFormatTime(const PlatDateTime &when, char *buf, int size);

// The short date (Windows: GetDateFormat, DATE_SHORTDATE; natively
// "03/15/1999"). Result as PlatFormatTime.
int PlatFormatShortDate(const PlatDateTime &when, char *buf, int size);
