// The application's side of the bridge for these tests: every hook records
// its call. Also the status flags that NuvEventLoginChange derives.

#include "bridge_harness.h"

namespace bridgetest {
HookLog hooks;

// Windows Sockets must be started before the first socket of any test.
struct SocketService : ::testing::Environment {
  void SetUp() override { ASSERT_EQ(PlatSockStartup(), 0); }
  void TearDown() override { PlatSockCleanup(); }
};
const ::testing::Environment *const kSocketService =
    ::testing::AddGlobalTestEnvironment(new SocketService);
}  // namespace bridgetest

using bridgetest::hooks;

int LoggedIn = 0;
int NetUp = 0;

void IncommingCallPopup(char *payload, unsigned sessionId) {
  hooks.calls.push_back("call full " + std::to_string(sessionId) + " " + payload);
}
void ShutDownIncommingCallPopup(char *payload, unsigned sessionId) {
  hooks.calls.push_back("ended full " + std::to_string(sessionId) + " " + payload);
}
void IncommingCallBasicPopup(char *payload, unsigned sessionId) {
  hooks.calls.push_back("call basic " + std::to_string(sessionId) + " " + payload);
}
void ShutDownIncommingCallBasicPopup(char *payload, unsigned sessionId) {
  hooks.calls.push_back("ended basic " + std::to_string(sessionId) + " " + payload);
}
void CreateMessageWindow(void *instance, PlatWindow owner, char *text) {
  hooks.seenInstance = instance;
  hooks.seenOwner = owner;
  hooks.calls.push_back(std::string("message ") + text);
}
void *GetMainInstance() { return hooks.instance; }
PlatWindow GetMainWindowHandle() { return hooks.mainWindow; }
void HangUpNetwork() { hooks.calls.push_back("hangup"); }
void HandleMisconfiguredAccount() { hooks.calls.push_back("misconfigured"); }
void SetBlinkGreen(int flag) { hooks.calls.push_back("green " + std::to_string(flag)); }
void SetBlinkState(int flag) { hooks.calls.push_back("blink " + std::to_string(flag)); }

namespace bridgetest {
namespace {

// The status light follows the network flag and the login record alone.
TEST(LoginChange, SetsLoggedInAndTheLightFromNetworkAndLogin) {
  struct Case {
    int netUp, loggedIn, firstCall;
    int wantLoggedIn;
    const char *wantGreen, *wantBlink;
  } cases[] = {
      {0, 1, 0, 0, "green 0", "blink 0"},  // no network: steady red, even when logged in
      {1, 1, 0, 1, "green 1", "blink 0"},  // logged in, no call yet: blinking green
      {1, 1, 1, 1, "green 0", "blink 0"},  // logged in: steady green
      {1, 0, 0, 0, "green 0", "blink 1"},  // network up, not logged in: blinking red
  };
  for (const Case &c : cases) {
    NuvProtoLogin login{};
    login.loggedIn = c.loggedIn;
    login.firstCallReceived = c.firstCall;
    NetUp = c.netUp;
    LoggedIn = 1 - c.wantLoggedIn;
    hooks = HookLog{};
    NuvEventLoginChange(&login);
    EXPECT_EQ(LoggedIn, c.wantLoggedIn) << c.netUp << c.loggedIn << c.firstCall;
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{c.wantGreen, c.wantBlink}));
  }
}

TEST(LoginChange, SettersOfTheLoginRecord) {
  NuvProtoLogin login{};
  EXPECT_EQ(NuvEventConnectionType(&login, 1), 0);
  EXPECT_EQ(login.connectionType, 1);
  EXPECT_EQ(NuvEventHangupOnSuccess(&login, 'e'), 0);
  EXPECT_EQ(login.hangupOnSuccess, 'e');
}

}  // namespace
}  // namespace bridgetest
