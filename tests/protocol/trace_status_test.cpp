#include "protocol/trace_status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "protocol/nuvproto.h"

namespace {

std::map<int, std::string> Items(DebugStatusKind kind, const NuvProtoLogin &login, int appLoggedIn,
                                 int appNetUp) {
  DebugStatusItem out[kDebugStatusItemsMax];
  const int n = Debug_FormatStatusItems(kind, &login, appLoggedIn, appNetUp, out);
  std::map<int, std::string> items;
  for (int i = 0; i < n; ++i) items[out[i].id] = out[i].text;
  EXPECT_EQ(static_cast<size_t>(n), items.size()) << "an item written twice";
  return items;
}

std::unique_ptr<NuvProtoLogin> Login() {
  auto login = std::make_unique<NuvProtoLogin>();
  for (NuvProtoPending &slot : login->pending) slot.free = 1;
  return login;
}

}  // namespace

TEST(TraceStatus, TimerTickWritesTheWholePanel) {
  auto login = Login();
  login->loggedInServers = 2;
  login->firstCallReceived = 1;
  std::memcpy(login->signature, "0123456789ABCDEF", 16);  // full, no terminator
  login->service = -1;
  login->nextServerIndex = 3;
  login->style = 1;
  login->outTime = 45;
  login->loggedIn = 1;
  login->pending[4].free = 0;
  login->pending[9].free = 0;
  login->fallbackStage = 2;
  login->dutySeconds = 30;
  const std::map<int, std::string> expect = {
      {340, "2"},    {341, "Rcvd"}, {342, "0123456789ABCDEF"}, {343, "-1"},
      {344, "3"},    {345, "One"},  {346, "45"},               {347, "FALSE"},
      {348, "TRUE"}, {349, "TRUE"}, {350, "2"},                {351, "2"},
  };
  EXPECT_EQ(expect, Items(DEBUG_STATUS_TIMER_TICK, *login, 0, 1));

  login->firstCallReceived = 0;
  login->style = 0;
  login->loggedIn = 0;
  const auto quiet = Items(DEBUG_STATUS_TIMER_TICK, *login, 1, 0);
  EXPECT_EQ("Nvr", quiet.at(341));
  EXPECT_EQ("All", quiet.at(345));
  EXPECT_EQ("TRUE", quiet.at(347));
  EXPECT_EQ("FALSE", quiet.at(348));
  EXPECT_EQ("FALSE", quiet.at(349));
}

TEST(TraceStatus, PacketAndConfigRefreshWriteTheirItemsOnly) {
  auto login = Login();
  login->loggedInServers = 1;
  login->service = 2;
  std::strcpy(login->signature, "sig");
  login->pending[0].free = 0;
  login->dutySeconds = 120;
  const std::map<int, std::string> packet = {{340, "1"}, {342, "sig"}, {343, "2"}, {350, "1"}};
  EXPECT_EQ(packet, Items(DEBUG_STATUS_PACKET, *login, 1, 1));
  const std::map<int, std::string> config = {{352, "120"}};
  EXPECT_EQ(config, Items(DEBUG_STATUS_CONFIG_CHANGE, *login, 1, 1));

  DebugStatusItem out[kDebugStatusItemsMax];
  EXPECT_EQ(0, Debug_FormatStatusItems(DEBUG_STATUS_TIMER_TICK, nullptr, 1, 1, out));
}
