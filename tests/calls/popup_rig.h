#pragma once
// The pop-ups' decisions against a server on 127.0.0.1: the program's login
// record with one session to a raw peer socket, which reads what each button
// sent; the window operations and message boxes recorded; the caller list,
// slots and settings back to their start state for every test.
//
// The window operations and the event bridge's up-calls are defined once, in
// popup_hooks_test.cpp.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "calls/active_call.h"
#include "calls/callerlist.h"
#include "calls/popup_logic.h"
#include "config/config.h"
#include "platform/message_box.h"
#include "protocol/event.h"
#include "protocol/nuvproto.h"
#include "shell/main_layout.h"
#include "shell/main_timer.h"
#include "shell/status.h"
#include "support/box_recorder.h"
#include "support/engine_rig.h"
#include "support/fresh_folder.h"

#define NUVTEST_WINDOW_RECORDS_ONLY
#include "support/window_recorders.h"
#undef NUVTEST_WINDOW_RECORDS_ONLY

namespace popuptest {

// What the decisions did to the windows, in order: "close 0",
// "dropdown 1 3", "main 0".
struct PopupWindowLog {
  std::vector<std::string> calls;
};
inline PopupWindowLog &PopupWindows() {
  static PopupWindowLog log;
  return log;
}

// Message boxes shown; the disconnect question is answered Yes unless a
// test says otherwise.
inline void ResetPopupBoxes() {
  nuvtest::Boxes() = nuvtest::BoxRecord();
  nuvtest::Boxes().answer = kIdYes;
}
inline nuvtest::BoxRecord &PopupBoxes() { return nuvtest::Boxes(); }

inline void SetField(char (&field)[kConfigFieldSize], const char *value) {
  std::snprintf(field, sizeof field, "%s", value);
}

// Stand-in window handles of the three pop-ups.
inline PlatWindow FakeWindow(int slot) { return reinterpret_cast<PlatWindow>(0x5000 + 16 * slot); }

constexpr const char *kUserNumber = "(204) 555-3636";

class PopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sockets_);
    folder_ = nuvtest::EnterFreshFolder("nuv-popup-", &previous_);
    CallerListReset();
    nuvtest::ResetWindowRecorders();
    std::memset(Caller, 0, sizeof Caller);
    for (int i = 0; i < kPopupSlots; ++i) {
      hQryWndPop[i] = nullptr;
      PopUpState[i] = 0;
      TimerCountDown[i] = 0;
    }
    PopupsActive = 0;
    PopupButtonFocus = 0;
    TransferNumbers = 0;
    ActiveButton = 0;
    PhoneTime = 0;
    StatusReset();
    PopupWindows() = PopupWindowLog();
    ResetPopupBoxes();
    PlatSetMessageBoxHook(nuvtest::RecordBox);

    std::memset(&Config, 0, sizeof Config);
    SetField(Config.USERID, kUserNumber);
    SetField(Config.RAS, "0");
    SetField(Config.HANGUP, "1");
    SetField(Config.USEAOL, "0");
    SetField(Config.AOLTIMER, "15");

    NuvProtoParams p = nuvtest::TestParams();
    p.userId = "2045553636";
    ASSERT_EQ(NuvProtoInit(&nuvLogin, &p), 0);
    std::string list = "0:1:" + peer_.Entry();
    ASSERT_EQ(NuvProtoClusterLogin(&nuvLogin, list.data()), 0);
    ASSERT_EQ(nuvLogin.serverCount, 1);
    session_ = nuvLogin.sessions[0].id;
    peer_.Drain();  // the LOGIN
  }

  void TearDown() override {
    PlatSetMessageBoxHook(nullptr);
    NuvProtoClusterLogoutEx(&nuvLogin, 0);
    UDP_closeSocket(&nuvLogin.local);
    CallerListReset();
    nuvtest::LeaveFreshFolder(previous_, folder_);
  }

  // A call notification on the peer's session, shown as the windows would.
  int Open(const char *payload, unsigned session = 0) {
    const int slot = TakeCall(payload, session ? session : session_);
    if (slot >= 0) {
      hQryWndPop[slot] = FakeWindow(slot);
      Caller[slot].hwnd = hQryWndPop[slot];
      ++PopupsActive;
    }
    return slot;
  }

  // The server of the call is gone from the session table.
  void LoseSession() { NuvProtoClusterLogoutEx(&nuvLogin, 0); }

  // Command and payload of every datagram the peer got since the last look,
  // e.g. "e 07:10:2045553636".
  std::vector<std::string> Sent() {
    std::vector<std::string> out;
    for (const nuvtest::Dgram &d : peer_.Drain()) out.push_back(std::string(1, d.cmd) + " " + d.payload);
    FreeAllSlots(&nuvLogin);  // nobody acknowledges: room for the next case
    return out;
  }

  static std::string LastLogged() {
    return CallListEnd > 0 ? CallerLog[CallListEnd - 1].action : "<none>";
  }
  static const std::vector<std::string> &WindowCalls() { return PopupWindows().calls; }

  bool sockets_ = nuvtest::SocketsStarted();  // before the peer's socket
  nuvtest::Peer peer_;
  unsigned session_ = 0;

 private:
  std::filesystem::path previous_, folder_;
};

}  // namespace popuptest
