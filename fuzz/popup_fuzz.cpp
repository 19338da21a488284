// The pop-up's payload on arbitrary bytes: the split of a call notification
// ("callId:name:number:stamp"), the identifier of a call-ended payload and
// the decimal reader, each checked against a plain reference; then the
// pop-up's window text from the call taken.
//
// Input: byte 0 bit 0 passes no payload at all; the rest is the payload, handed
// over terminated at its exact size, and read raw (not terminated) by the
// decimal reader.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "calls/active_call.h"
#include "calls/callerlist.h"
#include "calls/popup_logic.h"
#include "config/validate.h"

namespace {

void Check(bool ok, const char *what) {
  if (!ok) {
    std::fprintf(stderr, "popup_fuzz: %s\n", what);
    std::abort();
  }
}

std::int32_t Decimal(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  long long v = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) v = std::min(v * 10 + (t[i] - '0'), 2147483648LL);
  if (negative) return static_cast<std::int32_t>(-v);
  return static_cast<std::int32_t>(std::min(v, 2147483647LL));
}

std::string Cut(std::string_view s, size_t n) { return std::string(s.substr(0, n)); }

bool TextOk(const char (&t)[kActiveCallTextSize]) { return std::memchr(t, '\0', sizeof t) != nullptr; }

}  // namespace

// The windows the decisions and the caller list call (not reached from here).
void ClosePopupWindow(int) {}
void OpenTransferDropDown(int, int) {}
void ShowMainAfterCall(int) {}
void UpdateLedDisplay(CallerRecord) {}
void UpdateCallerSpot(const char *) {}
void EnableLogMenuItems(int) {}
void NotifyLogWindow(int, int) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const bool none = data[0] & 1;
  const size_t len = size - 1;
  std::unique_ptr<char[]> raw(new char[len ? len : 1]);
  if (len) std::memcpy(raw.get(), data + 1, len);
  std::unique_ptr<char[]> text(new char[len + 1]);
  if (len) std::memcpy(text.get(), data + 1, len);
  text[len] = '\0';
  const char *payload = none ? nullptr : text.get();

  Check(PopupDecimal(std::string_view(raw.get(), len)) == Decimal(std::string_view(raw.get(), len)),
        "decimal differs");

  const std::string_view examined(text.get(), strnlen(text.get(), kPopupPayloadLimit));
  std::string_view fields[4];
  size_t at = 0;
  for (int f = 0; f < 4; ++f) {
    const size_t end = examined.find(':', at);
    fields[f] = examined.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
  if (none) {
    for (std::string_view &f : fields) f = std::string_view();
  }

  ActiveCall call;
  std::memset(&call, 0x5A, sizeof call);
  SplitCallPayload(payload, &call);
  Check(TextOk(call.name) && TextOk(call.number) && TextOk(call.time), "a text without its terminator");
  Check(call.callId == Decimal(fields[0].substr(0, kActiveCallTextSize - 1)), "call id differs");
  Check(Cut(fields[1], kActiveCallTextSize - 1) == call.name, "name differs");
  Check(Cut(fields[3], kActiveCallTextSize - 1) == call.time, "time differs");
  // The number is the third field in its pretty form.
  const std::string digits = Cut(fields[2], kActiveCallTextSize - 1);
  const char *pretty = MakePhoneNumberPretty(digits.c_str());
  Check(Cut(pretty ? std::string_view(pretty, strnlen(pretty, kActiveCallTextSize)) : std::string_view(),
            kActiveCallTextSize - 1) == call.number,
        "number differs");

  const std::string_view ended(text.get(), strnlen(text.get(), 48));
  const std::string_view idText = ended.substr(0, ended.find(':'));
  Check(CallEndedId(payload) == (none ? 0 : Decimal(idText)), "call-ended id differs");

  // The window text from the call as taken.
  Caller[0] = call;
  char title[64];
  std::memset(title, 0x5A, sizeof title);
  PopupTitle(0, title, 40);
  Check(std::memchr(title, '\0', 40) != nullptr && static_cast<unsigned char>(title[40]) == 0x5A,
        "window text not kept to its buffer");
  return 0;
}
