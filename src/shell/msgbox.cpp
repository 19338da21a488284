#include "shell/msgbox.h"

#include <cstdio>
#include <cstring>

#include "platform/message_box.h"
#include "platform/message_format.h"
#include "platform/message_format_scan.h"
#include "platform/string_table.h"
#include "platform/sys_error.h"

namespace {

constexpr unsigned kCaptionMissingText = 1433;
constexpr unsigned kTextMissingText = 1434;
constexpr unsigned kSupportEmail = 1984;
constexpr unsigned kShellErrorText = 3019;
constexpr unsigned kShellErrorCaption = 3020;

constexpr int kCaptionSize = 96;
constexpr int kTextSize = 256;
constexpr int kLongTextSize = 1024;
constexpr int kMaxInserts = 10;

void LoadCaption(unsigned captionId, char (&caption)[kCaptionSize]) {
  if (PlatLoadString(captionId, caption, kCaptionSize) == 0)
    PlatLoadString(kCaptionMissingText, caption, kCaptionSize);
}

// The text that stands in for a missing one: names the id and where to write.
void MissingText(unsigned textId, char (&text)[kTextSize]) {
  char email[kCaptionSize];
  PlatLoadString(kSupportEmail, email, sizeof email);
  LoadFmtMessage(kTextMissingText, text, sizeof text, email, textId);
}

// Refuses a text that takes one of the numbers passed as a text pointer.
struct TextInsertCheck {
  const char *kinds;
  int count;
  bool Literal(const char *, std::size_t) { return true; }
  bool Insert(const fmtscan::InsertFormat &fmt) {
    return !(fmtscan::IsTextType(fmt.type) && fmt.insert <= count &&
             kinds[fmt.insert - 1] != 's');
  }
};

// Formats raw with as many of the inserts as the text names; false (out "")
// when the text is refused or would take a number as a text.
bool FormatText(const char *raw, const std::uintptr_t *args, const char *kinds,
                int argCount, char *out, int outSize) {
  out[0] = '\0';
  int count = LoadFmtInsertCount(raw);
  if (count > argCount) count = argCount;  // the rest read as 0 in the formatter
  if (kinds) {
    TextInsertCheck check{kinds, count};
    if (!fmtscan::Walk(raw, check)) return false;
  }
  return PlatFormatMessage(raw, args, count, out, outSize) >= 0;
}

}  // namespace

int LoadFmtInsertCount(const char *text) {
  if (!text) return 0;
  int highest = 0;
  for (const char *p = text; *p; ++p) {
    if (p[0] != '%' || p[1] < '0' || p[1] > '9') continue;
    int n = 0;
    const char *d = p + 1;
    while (*d >= '0' && *d <= '9' && n <= kMaxInserts) n = n * 10 + (*d++ - '0');
    if (n > highest) highest = n;
  }
  return highest > kMaxInserts ? kMaxInserts : highest;
}

int stringMessageBox(PlatWindow owner, unsigned captionId, unsigned textId, unsigned style) {
  char caption[kCaptionSize];
  LoadCaption(captionId, caption);
  char text[kTextSize];
  if (PlatLoadString(textId, text, sizeof text) == 0) MissingText(textId, text);
  return PlatMessageBox(owner, text, caption, style);
}

int errorMessageBox(PlatWindow owner, unsigned captionId, unsigned textId, long value) {
  char caption[kCaptionSize];
  LoadCaption(captionId, caption);
  char raw[kLongTextSize];
  char text[kTextSize];
  if (PlatLoadString(textId, raw, sizeof raw) == 0) {
    MissingText(textId, text);
  } else {
    const std::uintptr_t args[1] = {NuvFmtArg(value)};
    // A text the formatter refuses is shown as it stands rather than as an
    // empty box.
    if (!FormatText(raw, args, "d", 1, text, sizeof text)) {
      std::memcpy(text, raw, sizeof text - 1);
      text[sizeof text - 1] = '\0';
    }
  }
  return PlatMessageBox(owner, text, caption, kMbOk | kMbIconError);
}

char *LoadFmtMessageV(unsigned textId, char *out, int outSize, const std::uintptr_t *args,
                      const char *kinds, int argCount) {
  if (!out || outSize <= 0) return out;
  out[0] = '\0';
  if (!args || argCount < 0) argCount = 0;
  char raw[kLongTextSize];
  if (PlatLoadString(textId, raw, sizeof raw) == 0) {
    const char first = (kinds && argCount > 0) ? kinds[0] : 's';
    std::snprintf(raw, sizeof raw, "%s", first == 'd' ? "%1!d!" : first == 'u' ? "%1!u!" : "%1");
  }
  FormatText(raw, args, kinds, argCount, out, outSize);
  return out;
}

void HandleShellExecuteError(const char *target) {
  // First, before any other call can change it.
  const unsigned code = PlatLastError();
  char sysText[kTextSize];
  PlatSysErrorText(code, sysText, sizeof sysText);
  char caption[kCaptionSize];
  LoadFmtMessage(kShellErrorCaption, caption, sizeof caption);
  char text[kLongTextSize];
  LoadFmtMessage(kShellErrorText, text, sizeof text, target ? target : "", code, sysText);
  PlatMessageBox(nullptr, text, caption, kMbOk | kMbIconError);
}

char *GetHelpFileName(long serviceType, char *buf, int size) {
  if (!buf || size <= 0) return buf;
  unsigned id;
  switch (serviceType) {
    case -1: id = 4099; break;
    case 1: id = 4101; break;
    case 2: id = 4102; break;
    case 3: id = 4103; break;
    case 4: id = 4104; break;
    default: id = 4100; break;
  }
  if (PlatLoadString(id, buf, size) == 0) std::snprintf(buf, static_cast<size_t>(size), "Nuv%ld.hlp", serviceType);
  return buf;
}
