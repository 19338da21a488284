// What each pop-up button sends to the server, logs and does to its window,
// read at a server socket on 127.0.0.1.

#include <string>
#include <vector>

#include "popup_rig.h"

namespace popuptest {
namespace {

using Strings = std::vector<std::string>;

class PopupDecideTest : public PopupTest {
 protected:
  // One call in slot 0 with nothing recorded yet.
  int Fresh(const char *payload = "7:Jane:2045551000:1999-03-15-1432") {
    for (int i = 0; i < kPopupSlots; ++i) {
      hQryWndPop[i] = nullptr;
      PopUpState[i] = 0;
    }
    PopupsActive = 0;
    TransferNumbers = 0;
    nuvLogin.hangupOnSuccess = 0;
    const int slot = Open(payload);
    Sent();
    PopupWindows() = PopupWindowLog();
    ResetPopupBoxes();
    logged_ = CallListEnd;
    return slot;
  }
  int NewEntries() const { return CallListEnd - logged_; }

  int logged_ = 0;
};

TEST_F(PopupDecideTest, AnswerFollowsTheDialUpSettings) {
  const char *aol = "Disconnect from AOL?";
  const char *net = "Disconnect from the Internet?";
  struct Case {
    const char *ras, *hangup, *useAol, *aolTimer;
    int answer;          // to the disconnect question
    const char *asked;   // "" when nothing is asked
    const char *sent;    // "" when nothing is sent
    bool armed;
  } cases[] = {
      {"0", "1", "0", "15", kIdYes, "", "e 07:10:2045553636", false},
      {"0", "1", "1", "25", kIdYes, "", "e 07:25:2045553636", false},
      {"1", "0", "0", "25", kIdNo, "", "e 07:10:2045553636", true},  // no question: "0"
      {"1", "1", "1", "25", kIdYes, aol, "e 07:25:2045553636", true},
      {"1", "1", "0", "25", kIdYes, net, "e 07:10:2045553636", true},
      {"1", "", "2", "30", kIdYes, net, "e 07:30:2045553636", true},  // only "1" names AOL
      {"1", "1", "1", "abc", kIdYes, aol, "e 07:00:2045553636", true},
      {"1", "1", "1", "25", kIdNo, aol, "", false},
      {"1", "1", "0", "25", kIdNo, net, "", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string("RAS ") + c.ras + " HANGUP " + c.hangup + " USEAOL " + c.useAol +
                 " AOLTIMER " + c.aolTimer + (c.answer == kIdYes ? " Yes" : " No"));
    SetField(Config.RAS, c.ras);
    SetField(Config.HANGUP, c.hangup);
    SetField(Config.USEAOL, c.useAol);
    SetField(Config.AOLTIMER, c.aolTimer);
    const int slot = Fresh();
    PopupBoxes().answer = c.answer;

    const bool sent = c.sent[0] != '\0';
    EXPECT_EQ(PopupDecide(slot, kPopupAnswer), sent ? 1 : 0);
    EXPECT_EQ(Sent(), sent ? Strings{c.sent} : Strings{});
    if (c.asked[0]) {
      EXPECT_EQ(PopupBoxes().calls, 1);
      EXPECT_EQ(PopupBoxes().text, c.asked);
      EXPECT_EQ(PopupBoxes().caption, "Confirm Disconnect");
      EXPECT_EQ(PopupBoxes().style, kMbYesNo | kMbIconQuestion);
      EXPECT_EQ(PopupBoxes().owner, FakeWindow(slot));
    } else {
      EXPECT_EQ(PopupBoxes().calls, 0);
    }
    EXPECT_EQ(nuvLogin.hangupOnSuccess, c.armed ? 'e' : 0);
    if (sent) {
      EXPECT_EQ(NewEntries(), 1);
      EXPECT_EQ(LastLogged(), "Answered");
      EXPECT_EQ(WindowCalls(), Strings{"close 0"});
      EXPECT_EQ(Caller[slot].callId, 0);
      EXPECT_EQ(Caller[slot].sessionId, 0);
    } else {  // No: the pop-up stays as it was
      EXPECT_EQ(NewEntries(), 0);
      EXPECT_TRUE(WindowCalls().empty());
      EXPECT_EQ(Caller[slot].callId, 7);
    }
  }
}

struct SimpleCase {
  bool basic;
  int code;
  const char *sent, *logged;
};
const SimpleCase kSimpleButtons[] = {
    {false, kPopupAcknowledge, "d 7", "Acknowledged"},
    {false, kPopupIgnore, "c 7", "Ignored"},
    {true, kBasicTopBar, "d 7", "Call them back"},
    {true, kBasicMiddleBar, "r 7", "Will call back"},  // PACKN2 without its second value
    {true, kBasicBottomBar, "c 7", "Ignored"},
};

int Decide(bool basic, int slot, int code) {
  return basic ? BasicPopupDecide(slot, code) : PopupDecide(slot, code);
}

TEST_F(PopupDecideTest, AcknowledgeIgnoreAndTheBasicBars) {
  for (const SimpleCase &c : kSimpleButtons) {
    SCOPED_TRACE(c.logged);
    const int slot = Fresh();
    EXPECT_EQ(Decide(c.basic, slot, c.code), 1);
    EXPECT_EQ(Sent(), Strings{c.sent});
    EXPECT_EQ(NewEntries(), 1);
    EXPECT_EQ(LastLogged(), c.logged);
    EXPECT_STREQ(CallerLog[CallListEnd - 1].name, "Jane");
    EXPECT_EQ(WindowCalls(), Strings{"close 0"});
    EXPECT_EQ(Caller[slot].callId, 0);
    EXPECT_EQ(Caller[slot].sessionId, 0);
    EXPECT_EQ(PopupBoxes().calls, 0);

    // A second release on the finished call sends and logs nothing.
    EXPECT_EQ(Decide(c.basic, slot, c.code), 0);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(NewEntries(), 1);
  }
  Fresh();
  EXPECT_EQ(BasicPopupDecide(0, 4), 0);
  EXPECT_EQ(PopupDecide(0, 2), 0);
  EXPECT_EQ(PopupDecide(0, 0), 0);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(NewEntries(), 0);
}

TEST_F(PopupDecideTest, SessionLostTellsLogsMissedAndStaysOpen) {
  struct Case {
    bool basic;
    int code;
  } cases[] = {
      {false, kPopupAnswer}, {false, kPopupAcknowledge}, {false, kPopupIgnore},
      {true, kBasicTopBar},  {true, kBasicMiddleBar},    {true, kBasicBottomBar},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.basic ? "basic " : "full ") + std::to_string(c.code));
    const int slot = Fresh();
    LoseSession();
    EXPECT_EQ(Decide(c.basic, slot, c.code), 0);
    EXPECT_EQ(PopupBoxes().calls, 1);
    EXPECT_EQ(PopupBoxes().caption, "NUV: Session Lost");
    EXPECT_EQ(PopupBoxes().text.rfind("The connection to the NUV Server was lost", 0), 0u);
    EXPECT_EQ(PopupBoxes().style, kMbIconWarning);
    EXPECT_EQ(PopupBoxes().owner, nullptr);
    EXPECT_EQ(NewEntries(), 1);
    EXPECT_EQ(LastLogged(), "Missed Call");
    EXPECT_TRUE(WindowCalls().empty());
    EXPECT_EQ(Caller[slot].callId, 7);  // another press tries again
    EXPECT_EQ(Caller[slot].sessionId, static_cast<std::int32_t>(session_));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(nuvLogin.hangupOnSuccess, 0);
    // The session table is back for the next case.
    std::string list = "0:1:" + peer_.Entry();
    ASSERT_EQ(NuvProtoClusterLogin(&nuvLogin, list.data()), 0);
    session_ = nuvLogin.sessions[0].id;
    Sent();
  }
}

TEST_F(PopupDecideTest, TransferWithNoneOrOneNumber) {
  // None: the press is not taken and nothing happens.
  int slot = Fresh();
  EXPECT_EQ(PopupDecide(slot, kPopupTransfer), 0);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(WindowCalls().empty());
  EXPECT_EQ(PopUpState[slot], 0);
  EXPECT_EQ(NewEntries(), 0);

  // One: sent at once, logged with the number as configured, closed.
  SetField(Config.NUMBER1, "(204) 555-1212");
  slot = Fresh();
  EXPECT_EQ(PopupDecide(slot, kPopupTransfer), 1);
  EXPECT_EQ(Sent(), Strings{"e 07:10:2045551212"});
  EXPECT_EQ(LastLogged(), "Sent to (204) 555-1212");
  EXPECT_EQ(WindowCalls(), Strings{"close 0"});
  EXPECT_EQ(Caller[slot].sessionId, 0);
  EXPECT_EQ(TransferNumbers, 1);

  // One, session lost: told and logged missed, and closed nevertheless.
  slot = Fresh();
  LoseSession();
  EXPECT_EQ(PopupDecide(slot, kPopupTransfer), 0);
  EXPECT_EQ(PopupBoxes().caption, "NUV: Session Lost");
  EXPECT_EQ(NewEntries(), 1);
  EXPECT_EQ(LastLogged(), "Missed Call");
  EXPECT_EQ(WindowCalls(), Strings{"close 0"});
  EXPECT_EQ(Caller[slot].callId, 0);
  EXPECT_EQ(Caller[slot].sessionId, 0);
}

TEST_F(PopupDecideTest, OneNumberNotInTheFirstFieldIsStillTheOneSent) {
  SetField(Config.NUMBER3, "555-1313");
  const int slot = Fresh();
  EXPECT_EQ(PopupDecide(slot, kPopupTransfer), 1);
  EXPECT_EQ(Sent(), Strings{"e 07:10:5551313"});
  EXPECT_EQ(LastLogged(), "Sent to 555-1313");
}

TEST_F(PopupDecideTest, SeveralNumbersOpenTheBars) {
  SetField(Config.NUMBER1, "(204) 555-0001");
  SetField(Config.NUMBER2, "(204) 555-0002");
  SetField(Config.NUMBER3, "(204) 555-0003");
  Fresh();
  const int slot = Open("9:Joe:2045559999:s");  // slot 1: the bars act on their own slot
  ASSERT_EQ(slot, 1);
  Sent();

  EXPECT_EQ(PopupDecide(slot, kPopupBar1), 0);  // bars closed: nothing
  EXPECT_TRUE(Sent().empty());

  EXPECT_EQ(PopupDecide(slot, kPopupTransfer), 0);
  EXPECT_EQ(WindowCalls(), Strings{"dropdown 1 3"});
  EXPECT_EQ(PopUpState[slot], kPopUpStateDropDown);
  EXPECT_EQ(TransferNumbers, 3);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(NewEntries(), 0);

  EXPECT_EQ(PopupDecide(slot, kPopupBar1 + 3), 0);  // no fourth number
  EXPECT_TRUE(Sent().empty());

  EXPECT_EQ(PopupDecide(slot, kPopupBar1 + 1), 1);
  EXPECT_EQ(Sent(), Strings{"e 09:10:2045550002"});
  EXPECT_EQ(LastLogged(), "Sent to (204) 555-0002");
  EXPECT_STREQ(CallerLog[CallListEnd - 1].name, "Joe");
  EXPECT_EQ(WindowCalls(), (Strings{"dropdown 1 3", "close 1"}));
  EXPECT_EQ(Caller[1].sessionId, 0);
  EXPECT_EQ(Caller[0].callId, 7);  // the other call is untouched

  // A bar whose session is gone: told, logged missed, the pop-up stays.
  Fresh();
  ASSERT_EQ(PopupDecide(0, kPopupTransfer), 0);
  LoseSession();
  PopupWindows() = PopupWindowLog();
  EXPECT_EQ(PopupDecide(0, kPopupBar1), 0);
  EXPECT_EQ(LastLogged(), "Missed Call");
  EXPECT_TRUE(WindowCalls().empty());
  EXPECT_EQ(Caller[0].callId, 7);
}

TEST_F(PopupDecideTest, NoSlotOutsideTheThree) {
  SetField(Config.NUMBER1, "(204) 555-0001");
  Fresh();
  for (int slot : {-1, 3, 100}) {
    EXPECT_EQ(PopupDecide(slot, kPopupIgnore), 0);
    EXPECT_EQ(PopupDecide(slot, kPopupTransfer), 0);
    EXPECT_EQ(BasicPopupDecide(slot, kBasicTopBar), 0);
    EXPECT_EQ(Do_PressedAcknowledge(nullptr, 0, 0, slot), 0);
    EXPECT_EQ(Do_PressedTransfer(nullptr, 0, 0, slot), 1);
    PopupButtonFocus = slot;
    EXPECT_EQ(TransferToNumber("(204) 555-0001"), 0);
    EXPECT_EQ(HangupConfirmed(), 0);
  }
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(WindowCalls().empty());
  EXPECT_EQ(PopupBoxes().calls, 0);
  EXPECT_EQ(NewEntries(), 0);

  // TransferToNumber follows the button focus and leaves closing to its caller.
  PopupButtonFocus = 0;
  EXPECT_EQ(TransferToNumber(""), 0);
  EXPECT_EQ(TransferToNumber(nullptr), 0);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(TransferToNumber("555-7777"), 1);
  EXPECT_EQ(Sent(), Strings{"e 07:10:5557777"});
  EXPECT_EQ(LastLogged(), "Sent to 555-7777");
  EXPECT_TRUE(WindowCalls().empty());
}

TEST(PopupTexts, TransferLogTextIsCutToItsBuffer) {
  char text[96];
  logFormatTransfer(text, "(204) 555-1212", sizeof text);
  EXPECT_STREQ(text, "Sent to (204) 555-1212");
  char small[12];
  std::memset(small, 'x', sizeof small);
  logFormatTransfer(small, "(204) 555-1212", sizeof small);
  EXPECT_STREQ(small, "Sent to (20");
  logFormatTransfer(text, nullptr, sizeof text);
  EXPECT_STREQ(text, "Sent to ");
}

}  // namespace
}  // namespace popuptest
