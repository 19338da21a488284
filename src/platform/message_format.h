#pragma once
// The message formatter: texts of the string table with numbered inserts.
//
// Text rules (those of the Windows message formatter, FormatMessage with an
// argument array):
//   %1 .. %99       insert n as a text (same as %n!s!)
//   %n!fmt!         insert n with a printf-like format: flags "-+ #0", width,
//                   ".precision", length "h" or "l", type d i u x X o c s p
//   %0              ends the output here
//   %n %r %t        CR LF, CR, tab
//   %<other>        the character itself ("%%", "%.", "%!", "% ")
//   CR, LF, CR LF   each becomes CR LF
// Inserts are pointer-sized values: a text insert is a char pointer (a null
// one shows as "(null)"), a number is the value itself ("%1!d!" reads its low
// 32 bits as signed, "%1!u!" as unsigned).
//
// Refused (the call fails): a '%' at the end of the text, an insert format
// without its closing '!', a width or precision taken from an insert ('*':
// Windows versions number those inserts differently), 64-bit and wide-character
// lengths, floating point and other types, width or precision above 9999, a
// format longer than 16 characters between its '!', and one insert used both
// as text and as number. Both platforms refuse the same
// texts, so a text that works in one build works in the other.

#include <cstdint>

// Highest insert number a text can name.
constexpr int kFmtMaxInsert = 99;

// Formats text with args[0..argCount-1] as inserts 1..argCount into out
// (outSize bytes, terminator included). Inserts beyond argCount count as 0 and
// are never read from args. Returns the length of the result, or -1 when the
// text is refused or the result does not fit; out then holds "".
int PlatFormatMessage(const char *text, const std::uintptr_t *args, int argCount, char *out,
                      int outSize);
