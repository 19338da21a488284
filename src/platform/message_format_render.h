#pragma once
// The portable renderer of message texts (rules in message_format.h): the
// native formatter, and under Windows the reference the system's formatter is
// tested against.

#include <cstring>

#include "platform/message_format.h"
#include "platform/message_format_scan.h"

namespace fmtrender {

// Renders into a fixed buffer; any overflow fails the whole call, as the
// Windows formatter does.
struct Writer {
  char *out;
  int size;
  int len = 0;
  const std::uintptr_t *args;
  int argCount;

  bool Put(const char *s, std::size_t n) {
    if (n >= static_cast<std::size_t>(size - len)) return false;
    std::memcpy(out + len, s, n);
    len += static_cast<int>(n);
    return true;
  }
  bool Pad(char c, int n) {
    if (n <= 0) return true;
    if (n >= size - len) return false;
    std::memset(out + len, c, static_cast<std::size_t>(n));
    len += n;
    return true;
  }

  bool Literal(const char *s, std::size_t n) { return Put(s, n); }

  std::uintptr_t Arg(int insert) const {
    return insert <= argCount ? args[insert - 1] : 0;
  }

  // prefix + zeros + body, justified in width the way the Windows C runtime
  // does it: the '0' flag pads to the width even when a precision is given.
  bool Field(const fmtscan::InsertFormat &fmt, const char *prefix, std::size_t prefixLen,
             const char *body, std::size_t bodyLen, int zeros) {
    const int used = static_cast<int>(prefixLen + bodyLen) + zeros;
    const int fill = fmt.width > used ? fmt.width - used : 0;
    if (fmt.flags & fmtscan::kFlagLeft)
      return Put(prefix, prefixLen) && Pad('0', zeros) && Put(body, bodyLen) && Pad(' ', fill);
    if (fmt.flags & fmtscan::kFlagZero)
      return Put(prefix, prefixLen) && Pad('0', zeros + fill) && Put(body, bodyLen);
    return Pad(' ', fill) && Put(prefix, prefixLen) && Pad('0', zeros) && Put(body, bodyLen);
  }

  bool Text(const fmtscan::InsertFormat &fmt, const char *s) {
    if (!s) s = "(null)";
    std::size_t n = std::strlen(s);
    if (fmt.precision >= 0 && n > static_cast<std::size_t>(fmt.precision))
      n = static_cast<std::size_t>(fmt.precision);
    return Field(fmt, "", 0, s, n, 0);
  }

  bool Number(const fmtscan::InsertFormat &fmt, std::uintptr_t raw) {
    const char type = fmt.type;
    const bool isSigned = type == 'd' || type == 'i';
    // "l" is 32 bits on Windows, like no length; "h" is 16 bits.
    unsigned long long mag;
    bool negative = false;
    if (isSigned) {
      const long long v = fmt.length == 'h' ? static_cast<short>(raw)
                                             : static_cast<std::int32_t>(raw);
      negative = v < 0;
      mag = negative ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    } else {
      mag = fmt.length == 'h' ? static_cast<unsigned short>(raw) : static_cast<std::uint32_t>(raw);
    }
    const unsigned base = (type == 'x' || type == 'X') ? 16 : type == 'o' ? 8 : 10;
    const char *digitChars = type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[24];
    int n = 0;
    for (unsigned long long v = mag; v; v /= base) digits[n++] = digitChars[v % base];
    if (mag == 0 && fmt.precision != 0) digits[n++] = '0';
    char body[24];
    for (int i = 0; i < n; ++i) body[i] = digits[n - 1 - i];
    int zeros = fmt.precision > n ? fmt.precision - n : 0;

    char prefix[2];
    std::size_t prefixLen = 0;
    if (isSigned) {
      if (negative) prefix[prefixLen++] = '-';
      else if (fmt.flags & fmtscan::kFlagPlus) prefix[prefixLen++] = '+';
      else if (fmt.flags & fmtscan::kFlagSpace) prefix[prefixLen++] = ' ';
    } else if ((fmt.flags & fmtscan::kFlagAlt) && mag != 0) {
      if (base == 16) {
        prefix[prefixLen++] = '0';
        prefix[prefixLen++] = type;
      } else if (base == 8 && zeros == 0) {
        zeros = 1;
      }
    }
    return Field(fmt, prefix, prefixLen, body, static_cast<std::size_t>(n), zeros);
  }

  bool Pointer(const fmtscan::InsertFormat &fmt, std::uintptr_t raw) {
    char body[2 * sizeof(std::uintptr_t)];
    const int n = static_cast<int>(sizeof body);
    for (int i = n - 1; i >= 0; --i, raw >>= 4) body[i] = "0123456789ABCDEF"[raw & 15];
    return Field(fmt, "", 0, body, sizeof body, 0);
  }

  bool Insert(const fmtscan::InsertFormat &fmt) {
    const std::uintptr_t raw = Arg(fmt.insert);
    switch (fmt.type) {
      case 's':
        return Text(fmt, reinterpret_cast<const char *>(raw));
      case 'c': {
        // A zero character is written as it is, as Windows does: it ends
        // the text where it stands.
        const char ch[1] = {static_cast<char>(raw)};
        return Field(fmt, "", 0, ch, 1, 0);
      }
      case 'p':
        return Pointer(fmt, raw);
      default:
        return Number(fmt, raw);
    }
  }
};

// First pass: the whole text must be accepted before any insert is read, so
// that an insert used as a number somewhere is never read as a text pointer.
struct Checker {
  bool Literal(const char *, std::size_t) { return true; }
  bool Insert(const fmtscan::InsertFormat &) { return true; }
};

}  // namespace fmtrender

// Formats as PlatFormatMessage does.
inline int FmtRender(const char *text, const std::uintptr_t *args, int argCount, char *out,
                     int outSize) {
  if (!out || outSize <= 0) return -1;
  out[0] = '\0';
  if (!args || argCount < 0) argCount = 0;
  if (argCount > kFmtMaxInsert) argCount = kFmtMaxInsert;
  fmtrender::Checker checker;
  if (!fmtscan::Walk(text, checker)) return -1;
  fmtrender::Writer w{out, outSize, 0, args, argCount};
  if (!fmtscan::Walk(text, w)) {
    out[0] = '\0';
    return -1;
  }
  out[w.len] = '\0';
  return w.len;
}
