// A failed receive is told to the user one box at a time: the box's own
// message loop handles the socket's next notifications, and a stream of
// failing datagrams must not open each box inside the last.
#include <gtest/gtest.h>

#include <string>

#include "platform/message_box.h"
#include "protocol/packet.h"
#include "protocol/trace.h"
#include "shell/receive_error.h"

namespace {

struct Nesting {
  int boxes = 0;
  int deepest = 0;
  int depth = 0;
  int reentries = 0;  // failures the box's loop handles while it is up
  std::string caption, text, trace;
};
Nesting g;

int BoxWithItsOwnLoop(PlatWindow, const char *text, const char *caption, unsigned) {
  ++g.boxes;
  g.caption = caption;
  g.text = text;
  ++g.depth;
  if (g.depth > g.deepest) g.deepest = g.depth;
  for (int i = 0; i < g.reentries; ++i) ReportReceiveError(ESOCK);
  --g.depth;
  return kIdOk;
}

void Trace(void *, const char *t) { g.trace += t; }

TEST(ReceiveError, OneBoxAtATimeEveryFailureTraced) {
  PlatSetMessageBoxHook(&BoxWithItsOwnLoop);
  Debug_SetSink(&Trace, nullptr, nullptr);
  struct Case {
    const char *what;
    int failures;   // while the first box is up
    int boxes;
  } cases[] = {
      {"a single failure", 0, 1},
      {"a flood of failures while the box is up", 10000, 1},
  };
  for (const Case &c : cases) {
    g = Nesting{};
    g.reentries = c.failures;
    ReportReceiveError(ESOCK);
    EXPECT_EQ(g.boxes, c.boxes) << c.what;
    EXPECT_EQ(g.deepest, 1) << c.what;
    EXPECT_EQ(g.caption, "NUV: Communications Error") << c.what;
    EXPECT_EQ(g.text, "Error #3: Problem during receipt of packet.") << c.what;
    size_t traced = 0;
    for (size_t at = g.trace.find("ESOCK"); at != std::string::npos; at = g.trace.find("ESOCK", at + 1)) ++traced;
    EXPECT_EQ(traced, static_cast<size_t>(c.failures + 1)) << c.what;
  }
  // Once the box is closed, the next failure is shown again.
  g = Nesting{};
  ReportReceiveError(ESOCK);
  ReportReceiveError(ESOCK);
  EXPECT_EQ(g.boxes, 2);
  Debug_SetSink(nullptr, nullptr, nullptr);
  PlatSetMessageBoxHook(nullptr);
}

}  // namespace
