#include "protocol/trace_status.h"

#include <cstdarg>
#include <cstdio>

#include "protocol/nuvproto.h"

namespace {

struct Writer {
  DebugStatusItem *out;
  int n;
  void Add(int id, const char *format, ...) __attribute__((format(printf, 3, 4)));
};

void Writer::Add(int id, const char *format, ...) {
  if (n >= kDebugStatusItemsMax) return;
  DebugStatusItem &item = out[n++];
  item.id = id;
  va_list args;
  va_start(args, format);
  std::vsnprintf(item.text, sizeof item.text, format, args);
  va_end(args);
}

const char *Truth(int flag) { return flag ? "TRUE" : "FALSE"; }

unsigned KeptPackets(const NuvProtoLogin &login) {
  unsigned kept = 0;
  for (const NuvProtoPending &slot : login.pending)
    if (!slot.free) ++kept;
  return kept;
}

}  // namespace

int Debug_FormatStatusItems(DebugStatusKind kind, const NuvProtoLogin *login, int appLoggedIn,
                            int appNetUp, DebugStatusItem out[kDebugStatusItemsMax]) {
  if (!login || !out) return 0;
  Writer w{out, 0};
  // The signature is not terminated when it fills its 16 bytes.
  const int signatureLength = static_cast<int>(sizeof login->signature);
  switch (kind) {
    case DEBUG_STATUS_PACKET:
      w.Add(350, "%u", KeptPackets(*login));
      w.Add(340, "%u", static_cast<unsigned>(login->loggedInServers));
      w.Add(343, "%d", login->service);
      w.Add(342, "%.*s", signatureLength, login->signature);
      break;
    case DEBUG_STATUS_TIMER_TICK:
      w.Add(340, "%u", static_cast<unsigned>(login->loggedInServers));
      w.Add(341, "%s", login->firstCallReceived ? "Rcvd" : "Nvr");
      w.Add(342, "%.*s", signatureLength, login->signature);
      w.Add(343, "%d", login->service);
      w.Add(344, "%d", login->nextServerIndex);
      w.Add(345, "%s", login->style == 0 ? "All" : "One");
      w.Add(346, "%u", static_cast<unsigned>(login->outTime));
      w.Add(347, "%s", Truth(appLoggedIn));
      w.Add(348, "%s", Truth(login->loggedIn));
      w.Add(349, "%s", Truth(appNetUp));
      w.Add(350, "%u", KeptPackets(*login));
      w.Add(351, "%u", static_cast<unsigned>(login->fallbackStage));
      break;
    case DEBUG_STATUS_CONFIG_CHANGE:
      w.Add(352, "%u", static_cast<unsigned>(login->dutySeconds));
      break;
  }
  return w.n;
}
