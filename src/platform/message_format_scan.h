#pragma once
// The grammar of message texts (see message_format.h), shared by both
// platform formatters: the native one renders from it, the Windows one checks
// a text with it before handing it to the system, so both accept and refuse
// the same texts.

#include <cstddef>

#include "platform/message_format.h"

namespace fmtscan {

enum : unsigned {
  kFlagLeft = 1,   // '-'
  kFlagPlus = 2,   // '+'
  kFlagSpace = 4,  // ' '
  kFlagAlt = 8,    // '#'
  kFlagZero = 16,  // '0'
};

// Longest format between the two '!' (the system copies it into a small
// buffer of its own and gives up on longer ones).
constexpr int kMaxFormatLength = 16;

struct InsertFormat {
  int insert = 0;        // 1..99
  unsigned flags = 0;
  int width = -1;        // -1: none
  int precision = -1;    // -1: none
  char length = '\0';    // '\0', 'h' or 'l'
  char type = 's';
};

// Text inserts read a pointer; every other type reads the value.
constexpr bool IsTextType(char type) { return type == 's'; }

// Reads up to four decimal digits at p; more digits refuse the text.
inline bool ReadNumber(const char *&p, int &value) {
  value = 0;
  int digits = 0;
  while (*p >= '0' && *p <= '9') {
    if (++digits > 4) return false;
    value = value * 10 + (*p - '0');
    ++p;
  }
  return true;
}

// Parses "flags width .precision length type !" after the opening '!'.
inline bool ParseInsertFormat(const char *&p, InsertFormat &fmt) {
  const char *const start = p;
  for (;; ++p) {
    if (*p == '-') fmt.flags |= kFlagLeft;
    else if (*p == '+') fmt.flags |= kFlagPlus;
    else if (*p == ' ') fmt.flags |= kFlagSpace;
    else if (*p == '#') fmt.flags |= kFlagAlt;
    else if (*p == '0') fmt.flags |= kFlagZero;
    else break;
  }
  if (*p == '*') return false;
  if (*p >= '1' && *p <= '9') {
    if (!ReadNumber(p, fmt.width)) return false;
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') return false;
    if (!ReadNumber(p, fmt.precision)) return false;
  }
  if (*p == 'h' || *p == 'l') fmt.length = *p++;
  switch (*p) {
    case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
      break;
    case 'c':
      if (fmt.length == 'l' || fmt.precision >= 0) return false;  // wide char
      break;
    case 's':
      if (fmt.length == 'l') return false;  // wide text
      break;
    case 'p':
      // Windows pads pointers its own way; only width and '-' are portable.
      if (fmt.length || fmt.precision >= 0 || (fmt.flags & ~kFlagLeft)) return false;
      break;
    default:
      return false;
  }
  fmt.type = *p++;
  if (*p != '!' || p - start > kMaxFormatLength) return false;
  ++p;
  return true;
}

// Walks text; calls sink.Literal(chars, count) for plain output and
// sink.Insert(fmt) for each insert, either returning false to stop with a
// failure. Returns true when the whole text was accepted.
template <typename Sink>
bool Walk(const char *text, Sink &sink) {
  if (!text) return false;
  // 0: unused, 1: text insert, 2: number insert.
  unsigned char kinds[kFmtMaxInsert + 1] = {};
  const char *p = text;
  while (*p) {
    const char *run = p;
    while (*p && *p != '%' && *p != '\r' && *p != '\n') ++p;
    if (p != run && !sink.Literal(run, static_cast<std::size_t>(p - run))) return false;
    if (!*p) break;
    if (*p == '\r' || *p == '\n') {
      if (*p == '\r' && p[1] == '\n') ++p;
      ++p;
      if (!sink.Literal("\r\n", 2)) return false;
      continue;
    }
    ++p;  // the '%'
    const char c = *p;
    if (c == '\0') return false;
    if (c == '0') return true;  // end of output
    if (c >= '1' && c <= '9') {
      InsertFormat fmt;
      fmt.insert = c - '0';
      ++p;
      if (*p >= '0' && *p <= '9') fmt.insert = fmt.insert * 10 + (*p++ - '0');
      if (*p == '!') {
        ++p;
        if (!ParseInsertFormat(p, fmt)) return false;
      }
      const unsigned char kind = IsTextType(fmt.type) ? 1 : 2;
      if (kinds[fmt.insert] && kinds[fmt.insert] != kind) return false;
      kinds[fmt.insert] = kind;
      if (!sink.Insert(fmt)) return false;
      continue;
    }
    ++p;
    bool ok;
    if (c == 'n') ok = sink.Literal("\r\n", 2);
    else if (c == 'r') ok = sink.Literal("\r", 1);
    else if (c == 't') ok = sink.Literal("\t", 1);
    else ok = sink.Literal(&c, 1);
    if (!ok) return false;
  }
  return true;
}

}  // namespace fmtscan
