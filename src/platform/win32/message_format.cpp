#include "platform/message_format.h"

#include <windows.h>

#include "platform/message_format_scan.h"

namespace {

// Checks a text against the shared rules and notes its text inserts, so that
// a missing or null text insert can be given a readable stand-in instead of
// letting the system dereference a null pointer.
struct Checker {
  bool textInsert[kFmtMaxInsert + 1] = {};
  bool Literal(const char *, std::size_t) { return true; }
  bool Insert(const fmtscan::InsertFormat &fmt) {
    if (fmtscan::IsTextType(fmt.type)) textInsert[fmt.insert] = true;
    return true;
  }
};

const char kNullText[] = "(null)";

// Newer systems report an empty result with this code; older headers lack it.
constexpr DWORD kErrorNoWorkDone = 235;

}  // namespace

int PlatFormatMessage(const char *text, const std::uintptr_t *args, int argCount, char *out,
                      int outSize) {
  if (!out || outSize <= 0) return -1;
  out[0] = '\0';
  Checker checker;
  if (!fmtscan::Walk(text, checker)) return -1;
  if (!args || argCount < 0) argCount = 0;
  if (argCount > kFmtMaxInsert) argCount = kFmtMaxInsert;

  // The system reads inserts by number straight from the array: give it all
  // 99 so that a text naming more inserts than were passed reads zeros.
  DWORD_PTR padded[kFmtMaxInsert] = {};
  for (int i = 0; i < argCount; ++i) padded[i] = static_cast<DWORD_PTR>(args[i]);
  for (int n = 1; n <= kFmtMaxInsert; ++n)
    if (checker.textInsert[n] && padded[n - 1] == 0)
      padded[n - 1] = reinterpret_cast<DWORD_PTR>(kNullText);

  // The system takes at most 64K bytes of output.
  if (outSize > 0xFFFF) outSize = 0xFFFF;
  SetLastError(ERROR_SUCCESS);
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, text,
                                 0, 0, out, static_cast<DWORD>(outSize),
                                 reinterpret_cast<va_list *>(padded));
  if (n == 0) {
    // An empty result is no failure, though the system reports it as one
    // (ERROR_NO_WORK_DONE on newer versions) and leaves the buffer alone.
    const DWORD err = GetLastError();
    out[0] = '\0';
    return (err == ERROR_SUCCESS || err == kErrorNoWorkDone) ? 0 : -1;
  }
  if (n >= static_cast<DWORD>(outSize)) {
    out[0] = '\0';
    return -1;
  }
  out[n] = '\0';
  return static_cast<int>(n);
}
