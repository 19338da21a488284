// Call notifications: splitting the payload, taking a slot, the window title,
// and finding the call a call-ended notification names.

#include <string>

#include "popup_rig.h"

namespace popuptest {
namespace {

TEST(PopupPayload, SplitsIntoCutFields) {
  const std::string name60(60, 'N');
  const std::string long96 = "1:" + std::string(47, 'N') + ":2045553636:" + std::string(40, 'T');
  const std::string numberPast96 = "1:" + std::string(94, 'N') + ":2045553636:stamp";
  struct Case {
    std::string payload;
    int callId;
    std::string name, number, time;
  } cases[] = {
      {"7:John Smith:2045553636:1999-03-15-1432", 7, "John Smith", "(204) 555-3636", "1999-03-15-1432"},
      {"", 0, "", "", ""},
      {"12", 12, "", "", ""},
      {"abc:Name", 0, "Name", "", ""},
      {"5::2045553636:", 5, "", "(204) 555-3636", ""},
      // The name ends at its first colon; what follows shifts into the number.
      {"9:Smith: John:2045553636", 9, "Smith", " John", "2045553636"},
      {"1:a:5551212:stamp:extra", 1, "a", "(204) 555-1212", "stamp"},  // area code of USERID
      {"-3:" + name60 + ":12:t", -3, std::string(47, 'N'), "12", "t"},
      // 96 characters are examined: the stamp loses its last five, and a
      // number that starts beyond them is not seen at all.
      {long96, 1, std::string(47, 'N'), "(204) 555-3636", std::string(35, 'T')},
      {numberPast96, 1, std::string(47, 'N'), "", ""},
  };
  std::memset(&Config, 0, sizeof Config);
  SetField(Config.USERID, kUserNumber);
  for (const Case &c : cases) {
    ActiveCall call;
    std::memset(&call, 0x7F, sizeof call);
    call.hwnd = FakeWindow(1);
    call.sessionId = 44;
    SplitCallPayload(c.payload.c_str(), &call);
    EXPECT_EQ(call.callId, c.callId) << c.payload;
    EXPECT_EQ(std::string(call.name), c.name) << c.payload;
    EXPECT_EQ(std::string(call.number), c.number) << c.payload;
    EXPECT_EQ(std::string(call.time), c.time) << c.payload;
    EXPECT_EQ(call.hwnd, FakeWindow(1));  // only the four payload fields change
    EXPECT_EQ(call.sessionId, 44);
  }
  ActiveCall none;
  SplitCallPayload(nullptr, &none);
  EXPECT_EQ(none.callId, 0);
  EXPECT_STREQ(none.name, "");
}

TEST(PopupPayload, NumbersAndCallEndedIds) {
  struct Case {
    std::string text;
    int value;
  } numbers[] = {
      {"25", 25}, {"  -7x", -7}, {"abc", 0}, {"", 0},
      {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1},
  };
  for (const Case &c : numbers) EXPECT_EQ(PopupDecimal(c.text), c.value) << c.text;

  const Case ids[] = {
      {"7", 7}, {"7:rest:of:it", 7}, {"-1:", -1}, {"x:7", 0}, {"", 0},
      // Only 48 characters are read: a digit beyond them does not count.
      {std::string(48, '0') + "7", 0}, {std::string(47, '0') + "7", 7},
  };
  for (const Case &c : ids) EXPECT_EQ(CallEndedId(c.text.c_str()), c.value) << c.text;
  EXPECT_EQ(CallEndedId(nullptr), 0);
}

TEST(PopupSlots, SlotOfWindowNeverLeavesTheThreeSlots) {
  const PlatWindow table[kPopupSlots] = {FakeWindow(0), nullptr, FakeWindow(2)};
  struct Case {
    PlatWindow window;
    int previous, slot;
  } cases[] = {
      {FakeWindow(2), 1, 2},
      {FakeWindow(0), 2, 0},
      {FakeWindow(9), 1, 1},   // unknown window: the previous slot
      {FakeWindow(9), 3, 0},   // ... unless it is out of range
      {FakeWindow(9), -1, 0},
      {nullptr, 2, 2},         // no window matches no free slot
  };
  for (const Case &c : cases) EXPECT_EQ(SlotOfWindow(table, c.window, c.previous), c.slot);
}

TEST_F(PopupTest, TakeCallFillsTheFirstFreeSlot) {
  SetBlinkGreen(1);
  hQryWndPop[0] = FakeWindow(0);
  PopupsActive = 1;
  const int slot = TakeCall("7:Jane Doe:2045553636:1999-03-15-1432", 42);
  ASSERT_EQ(slot, 1);
  EXPECT_EQ(Caller[1].callId, 7);
  EXPECT_STREQ(Caller[1].name, "Jane Doe");
  EXPECT_STREQ(Caller[1].number, "(204) 555-3636");
  EXPECT_STREQ(Caller[1].time, "1999-03-15-1432");
  EXPECT_EQ(Caller[1].sessionId, 42);
  EXPECT_EQ(Caller[1].hwnd, nullptr);
  EXPECT_EQ(TimerCountDown[1], 20);
  EXPECT_EQ(PhoneTime, 1);
  EXPECT_EQ(GetBlinkGreen(), 0);
  EXPECT_EQ(CallListEnd, 0);  // taking a call logs nothing

  char title[96];
  EXPECT_STREQ(PopupTitle(1, title, sizeof title), "(204) 555-3636 Calling");
  char small[10];
  PopupTitle(1, small, sizeof small);
  EXPECT_EQ(std::string(small), std::string("(204) 555-3636 Calling").substr(0, 9));
  EXPECT_STREQ(PopupTitle(3, title, sizeof title), "");
}

TEST_F(PopupTest, AFourthCallWhileThreeAreOpenChangesNothing) {
  ASSERT_EQ(Open("1:A:2045550001:s"), 0);
  ASSERT_EQ(Open("2:B:2045550002:s"), 1);
  ASSERT_EQ(Open("3:C:2045550003:s"), 2);
  TimerCountDown[0] = 5;
  PhoneTime = 2;
  SetBlinkGreen(1);
  ActiveCall before[kPopupSlots];
  std::memcpy(before, Caller, sizeof before);
  const int draws = nuvtest::Windows().entryDraws;

  EXPECT_EQ(TakeCall("4:D:2045550004:s", session_), -1);
  EXPECT_EQ(std::memcmp(before, Caller, sizeof before), 0);
  EXPECT_EQ(TimerCountDown[0], 5);
  EXPECT_EQ(PhoneTime, 2);
  EXPECT_EQ(GetBlinkGreen(), 1);
  EXPECT_EQ(CallListEnd, 0);
  EXPECT_EQ(nuvtest::Windows().entryDraws, draws);

  // A window being destroyed frees its slot before PopupsActive drops: still
  // three pop-ups, still no room.
  hQryWndPop[1] = nullptr;
  EXPECT_EQ(TakeCall("4:D:2045550004:s", session_), -1);
  --PopupsActive;
  EXPECT_EQ(TakeCall("4:D:2045550004:s", session_), 1);  // the lowest free slot
}

TEST_F(PopupTest, CallEndedClosesOnlyTheMatchingOpenCall) {
  ASSERT_EQ(Open("7:Jane:2045553636:1999-03-15-1432"), 0);
  ASSERT_EQ(Open("8:Joe:2045550008:1999-03-15-1433"), 1);

  // Same call on another session: left open.
  EXPECT_EQ(PopupCallEnded("7", session_ + 1), -1);
  EXPECT_TRUE(WindowCalls().empty());
  EXPECT_EQ(CallListEnd, 0);

  EXPECT_EQ(PopupCallEnded("8:whatever", session_), 1);
  EXPECT_EQ(WindowCalls(), (std::vector<std::string>{"close 1", "main 0"}));
  EXPECT_EQ(LastLogged(), "Disconnected");
  EXPECT_STREQ(CallerLog[0].name, "Joe");
  EXPECT_EQ(Caller[1].callId, -1);
  EXPECT_EQ(Caller[1].sessionId, 0);
  EXPECT_EQ(Caller[1].hwnd, nullptr);

  // After the user decided, the call matches nothing.
  ASSERT_EQ(PopupDecide(0, kPopupIgnore), 1);
  const int logged = CallListEnd;
  EXPECT_EQ(PopupCallEnded("7", session_), -1);
  EXPECT_EQ(CallListEnd, logged);
  // Finished and never-used slots carry session 0: nothing matches them.
  EXPECT_EQ(PopupCallEnded("0", 0), -1);
  EXPECT_EQ(PopupCallEnded("-1", 0), -1);
  EXPECT_EQ(CallListEnd, logged);
}

}  // namespace
}  // namespace popuptest
