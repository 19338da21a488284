// The dial-up control in its three modes, against the stand-in remote-access
// service (loaded in place of the system's through the test's DLL override)
// and the fake AOL client.

#include "shell/win32/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/config.h"
#include "platform/message_box.h"
#include "protocol/app_hooks.h"
#include "protocol/nuvproto.h"
#include "protocol/trace.h"
#include "support/fresh_folder.h"

namespace {

std::vector<std::string> g_boxes;
int RecordBox(PlatWindow, const char *text, const char *caption, unsigned) {
  g_boxes.push_back(std::string(caption) + "|" + text);
  return kIdOk;
}

std::string g_trace;
void TraceSink(void *, const char *text) { g_trace += text; }

std::string ReadAll(const char *name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteControl(const char *text) { std::ofstream(std::string("ras-standin.txt"), std::ios::binary) << text; }

// Pumps this thread's messages (timers included) until done() or the time-out.
template <typename Done>
bool PumpUntil(Done done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return done();
}

// The fake AOL client, started from the test's folder of programs.
class AolFake {
 public:
  explicit AolFake(const std::string &args) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string dir(exe);
    dir.resize(dir.find_last_of("\\/") + 1);
    std::string command = "\"" + dir + "aolfake.exe\" --hidden --log aolfake.log " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    ok_ = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
    if (ok_) ok_ = PumpUntil([] { return FindWindowA("AOL Frame25", nullptr) != nullptr; }, 20000);
  }
  ~AolFake() {
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 0);
      WaitForSingleObject(pi_.hProcess, 5000);
      CloseHandle(pi_.hProcess);
      CloseHandle(pi_.hThread);
    }
  }
  bool ok() const { return ok_; }
  bool Exited(int timeoutMs) {
    return PumpUntil([this] { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; },
                     timeoutMs);
  }

 private:
  PROCESS_INFORMATION pi_ = {};
  bool ok_ = false;
};

class DialUp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
  }
  static void TearDownTestSuite() { WSACleanup(); }
  void SetUp() override {
    folder_ = nuvtest::EnterFreshFolder("nuv-dialup-", &previous_);
    std::memset(&Config, 0, sizeof Config);
    std::strcpy(Config.USERID, "(204) 555-3636");
    NuvProtoParams params{};
    params.userId = "2045553636";
    params.password = "secret1";
    params.version = "7.0";
    params.service = 1;
    params.packetTimeout = params.retryInterval = params.dutySeconds = params.maxResends = -1;
    params.fallbackSeconds = 300;
    params.switchSeconds = 120;
    params.loginValidSeconds = 30;
    ASSERT_EQ(NuvProtoInit(&nuvLogin, &params), 0);
    NetUp = 0;
    g_boxes.clear();
    g_trace.clear();
    PlatSetMessageBoxHook(RecordBox);
    Debug_SetSink(TraceSink, nullptr, nullptr);
    // The AOL wait's timer belongs to the owner window.
    hNuvMainScreen = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
  }
  void TearDown() override {
    DestroyWindow(hNuvMainScreen);
    hNuvMainScreen = nullptr;
    Debug_SetSink(nullptr, nullptr, nullptr);
    PlatSetMessageBoxHook(nullptr);
    NuvProtoClusterLogoutEx(&nuvLogin, 0);
    PlatSockClose(nuvLogin.local.socket);
    nuvLogin.local.socket = 0;
    nuvtest::LeaveFreshFolder(previous_, folder_);
  }
  void Mode(const char *ras, const char *aol) {
    std::strcpy(Config.RAS, ras);
    std::strcpy(Config.USEAOL, aol);
  }

  std::filesystem::path previous_, folder_;
};

TEST_F(DialUp, WithoutDialUpControlTheNetworkIsAlwaysUpAndNothingIsHungUp) {
  Mode("0", "1");
  WriteControl("connected Dialup\n");
  FindNetwork();
  EXPECT_EQ(NetUp, 1);
  EXPECT_EQ(nuvLogin.networkDown, 0);
  HangUpNetwork();
  EXPECT_EQ(nuvLogin.networkDown, 1);  // told at once, as in every mode
  EXPECT_EQ(ReadAll("ras-standin.log").find("hangup"), std::string::npos);
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(DialUp, RemoteAccessFollowsTheFirstConnection) {
  Mode("1", "0");
  const struct {
    const char *control;
    int netUp;  // -1: unchanged
    const char *trace;
  } cases[] = {
      {"none\n", 0, ""},
      {"connecting Dialup\n", 0, ""},
      {"connected Dialup\n", 1, ""},
      {"connecting Second\nconnected Dialup\n", 0, ""},  // only the first one counts
      {"connected Dialup\nconnecting Second\n", 1, ""},
      {"error 603\n", -1, "BUFFER_TOO_SMALL\r\n"},
      {"error 8\n", -1, "NOT_ENOUGH_MEMORY\r\n"},
      {"error 651\n", -1, "Stand-in error 651\r\n"},
  };
  for (const auto &c : cases) {
    for (int before : {0, 1}) {
      NetUp = before;
      g_trace.clear();
      WriteControl(c.control);
      FindNetwork();
      EXPECT_EQ(NetUp, c.netUp < 0 ? before : c.netUp) << c.control << " from " << before;
      if (*c.trace) {
        EXPECT_NE(g_trace.find(c.trace), std::string::npos) << g_trace;
      }
      if (c.netUp >= 0 && c.netUp != before) {
        EXPECT_EQ(nuvLogin.networkDown, c.netUp ? 0 : 1) << c.control;
      }
    }
  }
}

TEST_F(DialUp, RemoteAccessHangsUpOnlyTheFirstConnection) {
  Mode("1", "0");
  WriteControl("connected First\nconnected Second\n");
  FindNetwork();
  ASSERT_EQ(NetUp, 1);
  HangUpNetwork();
  EXPECT_EQ(nuvLogin.networkDown, 1);
  EXPECT_EQ(NetUp, 0);
  const std::string log = ReadAll("ras-standin.log");
  EXPECT_NE(log.find("hangup First"), std::string::npos) << log;
  EXPECT_EQ(log.find("hangup Second"), std::string::npos) << log;
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(DialUp, ARedialBeforeTheNextCheckCountsAsTheNetworkComingBack) {
  Mode("1", "0");
  WriteControl("connected Dialup\n");
  FindNetwork();
  ASSERT_EQ(NetUp, 1);
  HangUpNetwork();
  WriteControl("connected Dialup\n");  // redialled at once
  FindNetwork();
  EXPECT_EQ(NetUp, 1);
  EXPECT_EQ(nuvLogin.networkDown, 0);  // told: the session logs in again
}

TEST_F(DialUp, AolModeSeesTheAolFrame) {
  Mode("1", "1");
  FindNetwork();
  EXPECT_EQ(NetUp, 0);
  AolFake aol("");
  ASSERT_TRUE(aol.ok());
  FindNetwork();
  EXPECT_EQ(NetUp, 1);
}

TEST_F(DialUp, AolClientOfAnotherCaptionGetsOneCloseAndNoWait) {
  Mode("1", "1");
  AolFake aol("--caption \"America Online\"");
  ASSERT_TRUE(aol.ok());
  HangUpNetwork();
  EXPECT_TRUE(aol.Exited(10000));
  EXPECT_EQ(ReadAll("aolfake.log").find("WM_LBUTTONDOWN"), std::string::npos);
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(DialUp, AolCanadaConfirmationIsPressedWhateverTheCaptionCase) {
  Mode("1", "1");
  AolFake aol("--caption \"aol canada\" --delay 1500");
  ASSERT_TRUE(aol.ok());
  HangUpNetwork();
  EXPECT_TRUE(aol.Exited(10000));
  const std::string log = ReadAll("aolfake.log");
  EXPECT_NE(log.find("WM_CLOSE"), std::string::npos) << log;
  EXPECT_NE(log.find("WM_LBUTTONDOWN 10 1 1"), std::string::npos) << log;
  EXPECT_NE(log.find("WM_LBUTTONUP 10 1 1"), std::string::npos) << log;
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(DialUp, AolWarningWhenTheConfirmationNeverComesOrIsNotTheButton) {
  Mode("1", "1");
  for (const char *args : {"--caption \"AOL Canada\" --never",
                           "--caption \"AOL Canada\" --wrong-class _AOL_Button"}) {
    g_boxes.clear();
    AolFake aol(args);
    ASSERT_TRUE(aol.ok());
    AolExitTicks = 0;
    HangUpNetwork();
    // Five ticks of the owner window's timer, then the warning.
    EXPECT_TRUE(PumpUntil([] { return !g_boxes.empty(); }, 10000)) << args;
    EXPECT_EQ(AolExitTicks, 5u) << args;
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].substr(0, g_boxes[0].find('|')), "AOL Not Found");
  }
}

TEST_F(DialUp, AolWarningWhenNoAolClientRuns) {
  Mode("1", "1");
  HangUpNetwork();
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("your phone line could not be freed"), std::string::npos);
  EXPECT_EQ(nuvLogin.networkDown, 1);
}

}  // namespace
