#pragma once
// Message boxes and formatted texts: every text the user sees comes from the
// string table by id and is formatted with the platform's message formatter.

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

// Caption id and text id from the string table; returns the box's result.
int stringMessageBox(PlatWindow owner, unsigned captionId, unsigned textId, unsigned style);

// Text `textId` with `value` as insert 1, error icon, OK button.
int errorMessageBox(PlatWindow owner, unsigned captionId, unsigned textId, long value);

// One insert for the message formatter: a text or a 32-bit number.
inline std::uintptr_t NuvFmtArg(const char *text) { return reinterpret_cast<std::uintptr_t>(text); }
inline std::uintptr_t NuvFmtArg(char *text) { return reinterpret_cast<std::uintptr_t>(text); }
inline std::uintptr_t NuvFmtArg(int v) { return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(v)); }
inline std::uintptr_t NuvFmtArg(long v) { return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(v)); }
inline std::uintptr_t NuvFmtArg(unsigned v) { return v; }
inline std::uintptr_t NuvFmtArg(unsigned long v) { return static_cast<std::uintptr_t>(v); }
inline std::uintptr_t NuvFmtArg(long long v) { return static_cast<std::uintptr_t>(v); }
inline std::uintptr_t NuvFmtArg(unsigned long long v) { return static_cast<std::uintptr_t>(v); }
inline std::uintptr_t NuvFmtArg(std::nullptr_t) { return 0; }

// What an insert is, as the caller passed it: 's' a text, 'd' a signed
// number, 'u' an unsigned number.
inline constexpr char NuvFmtKind(const char *) { return 's'; }
inline constexpr char NuvFmtKind(char *) { return 's'; }
inline constexpr char NuvFmtKind(std::nullptr_t) { return 's'; }
inline constexpr char NuvFmtKind(int) { return 'd'; }
inline constexpr char NuvFmtKind(long) { return 'd'; }
inline constexpr char NuvFmtKind(long long) { return 'd'; }
inline constexpr char NuvFmtKind(unsigned) { return 'u'; }
inline constexpr char NuvFmtKind(unsigned long) { return 'u'; }
inline constexpr char NuvFmtKind(unsigned long long) { return 'u'; }

// Formats text `textId` with up to ten inserts into out; out holds "" when
// formatting fails. Inserts are passed as pointer-sized values so a text
// insert (a char pointer, "%1!s!") and a number ("%2!u!") travel alike on 32-
// and 64-bit builds. The text decides how many inserts it takes (its highest
// "%<n>", at most ten); inserts it names beyond the argCount passed read as 0,
// never from beyond args.
//
// kinds (one NuvFmtKind letter per insert passed, or nullptr when unknown)
// guards against a text that does not match its caller: a text that would
// read a number as a text pointer is refused instead of shown. When the id
// has no text, "%1" stands in for it (for a number: "%1!d!" or "%1!u!").
char *LoadFmtMessageV(unsigned textId, char *out, int outSize, const std::uintptr_t *args,
                      const char *kinds, int argCount);

// How many inserts LoadFmtMessage takes for a text: the highest number that
// follows a '%' directly, at most ten.
int LoadFmtInsertCount(const char *text);

template <typename... Args>
char *LoadFmtMessage(unsigned textId, char *out, int outSize, Args... args) {
  static_assert(sizeof...(Args) <= 10, "at most ten inserts");
  const std::uintptr_t list[sizeof...(Args) + 1] = {NuvFmtArg(args)..., 0};
  const char kinds[sizeof...(Args) + 1] = {NuvFmtKind(args)..., '\0'};
  return LoadFmtMessageV(textId, out, outSize, list, kinds, static_cast<int>(sizeof...(Args)));
}

// Error box after a failed shell "open" of target.
void HandleShellExecuteError(const char *target);

// Help file name of a service type, from the string table ("Nuv%d.hlp" when
// the type has no entry).
char *GetHelpFileName(long serviceType, char *buf, int size);
