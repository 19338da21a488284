// The protocol trace window against the real dialog manager: silent while
// closed, the packet lines and the panel while open, the log's cap, its
// buttons and the "Debug on" box.

#include "protocol/win32/trace_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/config.h"
#include "protocol/nuvproto.h"
#include "protocol/packet.h"
#include "protocol/trace_capture.h"
#include "protocol/trace.h"
#include "support/fresh_folder.h"

namespace {

std::string ItemText(int id) {
  char text[64] = "";
  GetDlgItemTextA(hQryDebugListBox, id, text, sizeof text);
  return text;
}

std::string LogText() {
  HWND log = GetDlgItem(hQryDebugListBox, kDebugLog);
  std::vector<char> buf(static_cast<size_t>(GetWindowTextLengthA(log)) + 1);
  GetWindowTextA(log, buf.data(), static_cast<int>(buf.size()));
  return buf.data();
}

class TraceWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    hInst = GetModuleHandleA(nullptr);
    folder_ = nuvtest::EnterFreshFolder("nuv-trace-", &previous_);
    std::snprintf(Config.VERSION, sizeof Config.VERSION, "7.0");
    std::snprintf(Config.DEBUG, sizeof Config.DEBUG, "1");
  }
  void TearDown() override {
    CloseDebugWindow();
    nuvtest::LeaveFreshFolder(previous_, folder_);
  }
  std::filesystem::path previous_, folder_;
};

TEST_F(TraceWindow, ClosedCostsNothingAndIgnoresEverything) {
  EXPECT_EQ(nullptr, hQryDebugListBox);
  EXPECT_FALSE(Debug_IsOpen());
  Debug_MessageListString("nobody listens\r\n");
  Debug_SetStatusItem(313, "3 ");
  Debug_NuvProtoTimerTick(&nuvLogin);
  EXPECT_EQ(nullptr, FindWindowA(nullptr, "NUV Debug"));
}

TEST_F(TraceWindow, PacketLineAndPanel) {
  OpenDebugWindow();
  ASSERT_NE(nullptr, hQryDebugListBox);
  EXPECT_TRUE(Debug_IsOpen());
  EXPECT_TRUE(IsWindowVisible(hQryDebugListBox));
  EXPECT_EQ("7.0", ItemText(kDebugVersion));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hQryDebugListBox, kDebugOnBox));

  uint8_t p[kPacketSlotSize];
  ASSERT_GT(NuvPacketBuild(p, sizeof p, "7.0", "2045553636", NuvPacketSequenceField(0), CMD_LOGIN,
                           "abcde:1"),
            0);
  const PlatSockAddr to = Address(192, 0, 2, 1, 10002);
  Debug_NuvProtoPacket(p, &to, 0);
  EXPECT_EQ(
      "-> 192.0.2.1:10002       7.0 2045553636      000 LOGIN         0x0000 0x0008 \"abcde:1\"\r\n",
      LogText());
  // The packet's refresh: sessions, service, signature, kept packets.
  EXPECT_FALSE(ItemText(340).empty());
  EXPECT_FALSE(ItemText(343).empty());
  EXPECT_FALSE(ItemText(350).empty());

  Debug_SetStatusItem(310, "Ras disabled");
  Debug_SetStatusItem(313, "3 ");
  Debug_SetStatusItem(318, "2");
  EXPECT_EQ("Ras disabled", ItemText(310));
  EXPECT_EQ("3 ", ItemText(313));
  EXPECT_EQ("2", ItemText(318));

  std::snprintf(nuvLogin.signature, sizeof nuvLogin.signature, "sig");
  Debug_NuvProtoTimerTick(&nuvLogin);
  EXPECT_EQ("sig", ItemText(342));
  for (int id = 340; id <= 351; ++id) EXPECT_FALSE(ItemText(id).empty()) << id;
  EXPECT_TRUE(ItemText(352).empty());
  Debug_NuvEventConfigChange(&nuvLogin);
  EXPECT_FALSE(ItemText(352).empty());
}

TEST_F(TraceWindow, LogKeepsItsLastEightyLinesAndClears) {
  OpenDebugWindow();
  ASSERT_NE(nullptr, hQryDebugListBox);
  for (int i = 1; i <= 80; ++i) Debug_MessageListString(("line " + std::to_string(i) + "\r\n").c_str());
  EXPECT_EQ(0u, LogText().find("line 1\r\n"));
  Debug_MessageListString("line 81\r\n");
  const std::string log = LogText();
  EXPECT_EQ(0u, log.find("line 2\r\n")) << log.substr(0, 40);
  EXPECT_NE(std::string::npos, log.find("line 81\r\n"));

  SendMessageA(hQryDebugListBox, WM_COMMAND, MAKEWPARAM(kDebugClear, BN_CLICKED), 0);
  EXPECT_EQ("", LogText());
}

TEST_F(TraceWindow, DebugOnBoxSavesEachChange) {
  OpenDebugWindow();
  ASSERT_NE(nullptr, hQryDebugListBox);
  HWND box = GetDlgItem(hQryDebugListBox, kDebugOnBox);
  auto saved = [] {
    std::ifstream in("NUV.INI", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  };
  SendMessageA(box, BM_CLICK, 0, 0);
  EXPECT_STREQ("0", Config.DEBUG);
  EXPECT_NE(std::string::npos, saved().find("DEBUG=0"));
  std::remove("NUV.INI");
  SendMessageA(box, BM_CLICK, 0, 0);
  EXPECT_STREQ("1", Config.DEBUG);
  EXPECT_NE(std::string::npos, saved().find("DEBUG=1"));
  EXPECT_TRUE(IsWindow(hQryDebugListBox));
}

TEST_F(TraceWindow, ClosingSilencesTheTrace) {
  OpenDebugWindow();
  HWND dialog = hQryDebugListBox;
  ASSERT_NE(nullptr, dialog);
  OpenDebugWindow();
  EXPECT_EQ(dialog, hQryDebugListBox) << "one window only";
  SendMessageA(dialog, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(nullptr, hQryDebugListBox);
  EXPECT_FALSE(Debug_IsOpen());
  Debug_MessageListString("after close\r\n");
  Debug_SetStatusItem(310, "x");
}

}  // namespace
