// Stored server lists, protocol timing keys and the fallback order, against a
// real NUV.INI in a temporary folder.

#include <filesystem>
#include <fstream>
#include <random>

#include "config/config.h"
#include "engine_harness.h"
#include "platform/profile.h"

namespace enginetest {
namespace {

class StoredList : public ::testing::Test {
 protected:
  std::filesystem::path folder;
  std::string ini;
  std::unique_ptr<NuvProtoLogin> owned{new NuvProtoLogin{}};
  NuvProtoLogin *login = owned.get();

  void SetUp() override {
    std::random_device rd;
    folder = std::filesystem::temp_directory_path() /
             ("nuv-h6-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(folder);
    ini = (folder / "NUV.INI").string();
    for (char *field : {Config.IP1ADDR, Config.IP1PORT, Config.IP2ADDR, Config.IP2PORT,
                        Config.REDIRECTADDR, Config.REDIRECTPORT, Config.IPLASTCONNECTED,
                        Config.SERVICE, Config.SIGNATURE})
      field[0] = 0;
    SetVersion("7.0");
    std::free(Config_serverListString);
    Config_serverListString = nullptr;
  }
  void TearDown() override {
    std::free(login->sessions);
    std::free(Config_serverListString);
    Config_serverListString = nullptr;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }

  void SetVersion(const char *v) {
    std::snprintf(Config.VERSION, sizeof Config.VERSION, "%s", v);
    std::snprintf(login->version, sizeof login->version, "%s", v);
  }
  void Put(const char *key, const char *value) { PlatWriteProfileString("PARAMS", key, value, ini.c_str()); }
  std::string Get(const char *key) {
    char buf[64];
    PlatGetProfileString("PARAMS", key, "<none>", buf, sizeof buf, ini.c_str());
    return buf;
  }
  std::string Read() {
    EXPECT_EQ(NuvProtoReadConfig(nullptr, "PARAMS", ini.c_str()), 0);
    return Config_serverListString ? Config_serverListString : "<none>";
  }
  // A session table of the given servers, kind set, nothing sent.
  void Table(int style, const std::string &servers, int count, int kind) {
    std::string text = std::to_string(style) + ":" + std::to_string(count) + ":" + servers;
    NuvProtoSession *table = nullptr;
    int n = 0;
    ASSERT_EQ(ParseServerList(login, text.data(), &table, &n), 0);
    std::free(login->sessions);
    login->sessions = table;
    login->serverCount = n;
    for (int i = 0; i < n; ++i) table[i].kind = kind;
  }
  std::string Fallback() {
    char *text = nullptr;
    NuvEventProvideFallbackServer(login, &text);
    std::string s = text ? text : "<none>";
    std::free(text);
    return s;
  }
};

TEST_F(StoredList, ReadBuildsTheListTextFromTheKeys) {
  EXPECT_EQ(Read(), "<none>");  // no file
  Put("SERVERLIST", "0:0");
  EXPECT_EQ(Read(), "<none>");
  Put("SERVERLIST", "5");
  EXPECT_EQ(Read(), "<none>");
  Put("SERVERLIST", "1:2");
  EXPECT_EQ(Read(), "<none>");  // no SERVER keys at all
  Put("SERVER0", "192.0.2.1/10002");
  EXPECT_EQ(Read(), "1:1        :192.0.2.1/10002");
  Put("SERVER1", "192.0.2.2/10003");
  EXPECT_EQ(Read(), "1:2        :192.0.2.1/10002:192.0.2.2/10003");
  Put("SERVER0", nullptr);
  EXPECT_EQ(Read(), "1:1        :192.0.2.2/10003");

  // What was read is a list the engine takes.
  Put("SERVER0", "192.0.2.1/10002");
  std::string text = Read();
  NuvProtoSession *table = nullptr;
  int n = 0;
  ASSERT_EQ(ParseServerList(login, text.data(), &table, &n), 0);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(login->style, 1);
  EXPECT_EQ(table[1].remote.port, 10003);
  std::free(table);

  // Version 6.0 keeps no list; an unknown version leaves things as they are.
  SetVersion("6.0");
  EXPECT_EQ(Read(), "<none>");
  SetVersion("7.0");
  EXPECT_NE(Read(), "<none>");
  SetVersion("8.0");
  EXPECT_NE(Read(), "<none>");
}

TEST_F(StoredList, AbsurdStoredCountIsRefusedWithoutAllocating) {
  Put("SERVERLIST", "0:4000000000");
  Put("SERVER0", "192.0.2.1/10002");
  EXPECT_EQ(NuvProtoReadConfig(nullptr, "PARAMS", ini.c_str()), 9);
  EXPECT_EQ(Config_serverListString, nullptr);
}

TEST_F(StoredList, TimingKeysFallBackToTheirDefaults) {
  Read();
  EXPECT_EQ(Config_readOnly.fallbackSeconds, 300u);
  EXPECT_EQ(Config_readOnly.switchSeconds, 120u);
  EXPECT_EQ(Config_readOnly.loginValidSeconds, 30u);
  Put("OBXSWITCH", "abc");
  Put("OBXFALLBACK", "600");
  Put("OBXLOGINVALID", "45s");
  Read();
  EXPECT_EQ(Config_readOnly.switchSeconds, 120u);
  EXPECT_EQ(Config_readOnly.fallbackSeconds, 600u);
  EXPECT_EQ(Config_readOnly.loginValidSeconds, 45u);
  Put("OBXSWITCH", "60");
  Read();
  EXPECT_EQ(Config_readOnly.switchSeconds, 60u);
}

TEST_F(StoredList, SaveWritesTheMapServersAndDropsStaleKeys) {
  Put("SERVERLIST", "0:5");
  for (const char *k : {"SERVER0", "SERVER1", "SERVER2", "SERVER3", "SERVER4"}) Put(k, "192.0.2.9/1");
  Table(1, "192.0.2.1/10002:192.0.2.2/10003:192.0.2.3/10004", 3, kNuvKindMap);
  EXPECT_EQ(NuvProtoSaveConfig(login, "PARAMS", ini.c_str()), 0);
  EXPECT_EQ(Get("SERVERLIST"), "1:3");
  EXPECT_EQ(Get("SERVER0"), "192.0.2.1/10002");
  EXPECT_EQ(Get("SERVER1"), "192.0.2.2/10003");
  EXPECT_EQ(Get("SERVER2"), "192.0.2.3/10004");
  EXPECT_EQ(Get("SERVER3"), "<none>");
  EXPECT_EQ(Get("SERVER4"), "<none>");
  EXPECT_STREQ(Config.IPLASTCONNECTED, "0");
  EXPECT_STREQ(Config.SERVICE, "");  // not logged in: service and signature untouched
  // And the next load offers them again.
  EXPECT_EQ(Read(), "1:3        :192.0.2.1/10002:192.0.2.2/10003:192.0.2.3/10004");
}

TEST_F(StoredList, SaveByKindOfTheFirstServer) {
  login->loggedIn = 1;
  login->service = 2;
  std::memcpy(login->signature, "0123456789abcdef", 16);  // 16: no terminator
  Table(0, "192.0.2.1/10002", 1, kNuvKindUnknown);
  Put("SERVERLIST", "0:1");
  EXPECT_EQ(NuvProtoSaveConfig(login, "PARAMS", ini.c_str()), 0);
  EXPECT_STREQ(Config.IPLASTCONNECTED, "-1");
  EXPECT_STREQ(Config.SERVICE, "2");
  EXPECT_STREQ(Config.SIGNATURE, "0123456789abcdef");
  EXPECT_EQ(Get("SERVERLIST"), "0:1");  // unchanged

  Table(0, "192.0.2.7/10009", 1, kNuvKindRedirect);
  NuvProtoSaveConfig(login, "PARAMS", ini.c_str());
  EXPECT_STREQ(Config.REDIRECTADDR, "192.0.2.7/10009");
  EXPECT_STREQ(Config.IPLASTCONNECTED, "2");

  SetVersion("6.0");
  NuvProtoSaveConfig(login, "PARAMS", ini.c_str());
  EXPECT_STREQ(Config.REDIRECTADDR, "192.0.2.7");
  EXPECT_STREQ(Config.REDIRECTPORT, "10009");
  Table(0, "192.0.2.8/10010", 1, kNuvKindMap);
  NuvProtoSaveConfig(login, "PARAMS", ini.c_str());
  EXPECT_STREQ(Config.IP1ADDR, "192.0.2.8");
  EXPECT_STREQ(Config.IP1PORT, "10010");
  EXPECT_STREQ(Config.IPLASTCONNECTED, "0");

  // A session whose address was never filled in has no dotted form.
  std::memset(&login->sessions[0].remote, 0, sizeof login->sessions[0].remote);
  TraceLog trace;
  NuvProtoSaveConfig(login, "PARAMS", ini.c_str());
  EXPECT_STREQ(Config.IP1ADDR, "");
  EXPECT_STREQ(Config.IPLASTCONNECTED, "-1");
  EXPECT_TRUE(trace.Has("Warning: Saving config found bad MAP addr\r\n"));
}

TEST_F(StoredList, SevenPointZeroFallbackOrder) {
  Put("SERVERLIST", "0:1");
  Put("SERVER0", "192.0.2.1/10002");
  Read();
  const std::string fallbackDefault = std::string("0:1:") + NUV_DEFAULT_SERVER + "/10002";
  EXPECT_EQ(Fallback(), "0:1        :192.0.2.1/10002");
  EXPECT_EQ(login->fallbackStage, 1);
  EXPECT_EQ(Fallback(), fallbackDefault);  // no Redirect server stored
  EXPECT_EQ(login->fallbackStage, 3);
  EXPECT_EQ(Fallback(), fallbackDefault);

  login->fallbackStage = 1;  // a configuration change skips the stored list
  std::snprintf(Config.REDIRECTADDR, kConfigFieldSize, "192.0.2.7/10009");
  std::snprintf(Config.REDIRECTPORT, kConfigFieldSize, "10002");
  std::string redirect = Fallback();
  EXPECT_EQ(redirect, "0:1:192.0.2.7/10009/10002");
  EXPECT_EQ(login->fallbackStage, 2);
  // The stored port wins: the reader takes the port up to the next ':'.
  NuvProtoSession *table = nullptr;
  int n = 0;
  ASSERT_EQ(ParseServerList(login, redirect.data(), &table, &n), 0);
  EXPECT_EQ(table[0].remote.port, 10009);
  std::free(table);
  EXPECT_EQ(Fallback(), fallbackDefault);
}

TEST_F(StoredList, SixPointZeroFallbackStaysOnTheSecondServer) {
  SetVersion("6.0");
  std::snprintf(Config.IP1ADDR, kConfigFieldSize, "192.0.2.1");
  std::snprintf(Config.IP1PORT, kConfigFieldSize, "10002");
  std::snprintf(Config.IP2ADDR, kConfigFieldSize, "192.0.2.2");
  std::snprintf(Config.IP2PORT, kConfigFieldSize, "10003");
  std::snprintf(Config.REDIRECTADDR, kConfigFieldSize, "192.0.2.3");
  std::snprintf(Config.REDIRECTPORT, kConfigFieldSize, "10004");
  EXPECT_EQ(Fallback(), "0:1:192.0.2.1/10002");
  EXPECT_EQ(Fallback(), "0:1:192.0.2.2/10003");
  EXPECT_EQ(Fallback(), "0:1:192.0.2.2/10003");
  EXPECT_EQ(login->fallbackStage, 1);
  Config.IP2ADDR[0] = 0;
  EXPECT_EQ(Fallback(), "0:1:192.0.2.3/10004");
  EXPECT_EQ(login->fallbackStage, 2);
  EXPECT_EQ(Fallback(), std::string("0:1:") + NUV_DEFAULT_SERVER + "/10002");
  SetVersion("5.0");
  EXPECT_EQ(Fallback(), "<none>");
}

TEST_F(StoredList, LongestStoredFieldsMakeACompleteText) {
  SetVersion("6.0");
  const std::string host(39, 'h'), port(39, '1');
  std::snprintf(Config.IP1ADDR, kConfigFieldSize, "%s", host.c_str());
  std::snprintf(Config.IP1PORT, kConfigFieldSize, "%s", port.c_str());
  EXPECT_EQ(Fallback(), "0:1:" + host + "/" + port);
}

}  // namespace
}  // namespace enginetest
