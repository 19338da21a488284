// The settings store on a real NUV.INI in the current folder: load with
// defaults, the repairs made at load, the save that leaves foreign keys alone,
// and the accessors.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/settings.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "temp_folder.h"

namespace {

struct Box {
  std::string text, caption;
  unsigned style;
};
std::vector<Box> g_boxes;

int RecordBox(PlatWindow, const char *text, const char *caption, unsigned style) {
  g_boxes.push_back({text ? text : "", caption ? caption : "", style});
  return kIdOk;
}

class SettingsStore : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    g_boxes.clear();
    PlatSetMessageBoxHook(RecordBox);
    std::memset(&Config, 0, sizeof Config);
    InitDefaultService("-1");
  }
  void TearDown() override {
    PlatSetMessageBoxHook(nullptr);
    TempFolderTest::TearDown();
  }
  // A file of section PARAMS holding these lines, then a load.
  void LoadFrom(const std::string &lines) {
    Put("[PARAMS]\r\n" + lines);
    ASSERT_EQ(1, GetInfoFile());
  }
};

std::string FieldDefault(int i) {
  if (i == 0) return "-1";
  return IniDefault[i];
}

TEST_F(SettingsStore, StartWithoutFileGivesDefaultsAndWritesEveryKey) {
  ASSERT_FALSE(std::filesystem::exists(ini_));
  ASSERT_EQ(1, GetInfoFile());
  EXPECT_STREQ("-1", Config.SERVICE);
  EXPECT_STREQ("120", Config.DUTY);
  EXPECT_STREQ("0", Config.DEBUG);
  EXPECT_STREQ("7.0", Config.VERSION);
  EXPECT_STREQ("(XXX) XXX-XXXX", Config.CUSTOMIZENUMBER);
  for (int i = 0; i < kConfigFieldCount; ++i)
    EXPECT_EQ(FieldDefault(i), ConfigField[i]) << ProfileKeys[i];

  // Every key is in the file, in table order, with its default.
  const std::string file = Slurp();
  ASSERT_EQ(0u, file.find("[PARAMS]\r\n"));
  size_t at = 0;
  for (int i = 0; i < kConfigFieldCount; ++i) {
    const std::string line = std::string("\n") + ProfileKeys[i] + "=" + FieldDefault(i) + "\r";
    const size_t found = file.find(line, at);
    ASSERT_NE(std::string::npos, found) << ProfileKeys[i];
    at = found + 1;
  }
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(SettingsStore, MissingOrEmptyValuesTakeTheirDefaults) {
  LoadFrom("NAME1=\r\nTIME1=\r\nTIME2=   \r\nSOUND=0\r\nNUMBER1=  (204) 555-3636 \r\n");
  EXPECT_STREQ("", Config.NAME1);
  EXPECT_STREQ("10", Config.TIME1);
  EXPECT_STREQ("10", Config.TIME2);
  EXPECT_STREQ("10", Config.TIME3);
  EXPECT_STREQ("0", Config.SOUND);
  EXPECT_STREQ("(204) 555-3636", Config.NUMBER1);
  EXPECT_EQ("10", Get("PARAMS", "TIME1"));  // written back filled in
}

TEST_F(SettingsStore, DebugFollowsTheTraceWindowKeyOnly) {
  struct Case {
    const char *lines;
    const char *debug;
  } cases[] = {
      {"DEBUG=1\r\n", "0"},
      {"DEBUG=0\r\nOBXPROTOWIN=Window\r\n", "1"},
      {"DEBUG=1\r\nOBXPROTOWIN=window\r\n", "0"},
      {"obxprotowin=W\r\n", "1"},
      {"OBXPROTOWIN=\r\n", "0"},
  };
  for (const Case &c : cases) {
    LoadFrom(c.lines);
    EXPECT_STREQ(c.debug, Config.DEBUG) << c.lines;
    EXPECT_EQ(c.debug, Get("PARAMS", "DEBUG")) << c.lines;
  }
  // The key itself is read, never written.
  LoadFrom("OBXPROTOWIN=Wide\r\n");
  EXPECT_EQ("Wide", Get("PARAMS", "OBXPROTOWIN"));
}

TEST_F(SettingsStore, UnknownVersionIsRepairedAndSaved) {
  struct Case {
    const char *stored;
    const char *loaded;
  } cases[] = {{"6.0", "6.0"}, {"7.0", "7.0"}, {"5.0", "7.0"}, {"7", "7.0"},
               {"6.0.1", "7.0"}, {"", "7.0"}, {" 6.0 ", "6.0"}};
  for (const Case &c : cases) {
    LoadFrom(std::string("VERSION=") + c.stored + "\r\n");
    EXPECT_STREQ(c.loaded, Config.VERSION) << c.stored;
    EXPECT_EQ(c.loaded, Get("PARAMS", "VERSION")) << c.stored;
  }
}

TEST_F(SettingsStore, LongValueArrivesCutTo39Characters) {
  const std::string fifty = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx";
  LoadFrom("NAME1=" + fifty + "\r\n");
  EXPECT_EQ(fifty.substr(0, 39), Config.NAME1);
  EXPECT_EQ(fifty.substr(0, 39), Get("PARAMS", "NAME1"));
}

TEST_F(SettingsStore, SaveLeavesOtherKeysAndSectionsAlone) {
  const std::string before = "[Before]\r\nNAME1=elsewhere\r\n";
  const std::string after = "[After]\r\nSERVICE=99\r\n";
  Put(before + "[PARAMS]\r\nFOREIGN=kept\r\nOBXPROTOWIN=W\r\nNAME1=Bob\r\n" + after);
  ASSERT_EQ(1, GetInfoFile());
  std::snprintf(Config.NAME1, sizeof Config.NAME1, "%s", "Carol");
  ASSERT_EQ(1, SaveInfoFile());

  const std::string file = Slurp();
  EXPECT_EQ(0u, file.find(before));
  EXPECT_NE(std::string::npos, file.find(after));
  EXPECT_EQ("kept", Get("PARAMS", "FOREIGN"));
  EXPECT_EQ("W", Get("PARAMS", "OBXPROTOWIN"));
  EXPECT_EQ("Carol", Get("PARAMS", "NAME1"));
  EXPECT_EQ("elsewhere", Get("Before", "NAME1"));
}

TEST_F(SettingsStore, EveryFieldSurvivesSaveAndLoad) {
  ASSERT_EQ(1, GetInfoFile());
  for (int i = 0; i < kConfigFieldCount; ++i)
    std::snprintf(ConfigField[i], kConfigFieldSize, "value %d of %s", i, ProfileKeys[i]);
  std::snprintf(Config.VERSION, sizeof Config.VERSION, "6.0");
  // A field without its terminator is written cut to 39 characters.
  std::memset(Config.CUSTOMANSWER, 'x', sizeof Config.CUSTOMANSWER);
  ASSERT_EQ(1, SaveInfoFile());

  std::memset(&Config, 0, sizeof Config);
  ASSERT_EQ(1, GetInfoFile());
  for (int i = 0; i < kConfigFieldCount; ++i) {
    std::string want = "value " + std::to_string(i) + " of " + ProfileKeys[i];
    if (ConfigField[i] == Config.VERSION) want = "6.0";
    if (ConfigField[i] == Config.DEBUG) want = "0";
    if (ConfigField[i] == Config.CUSTOMANSWER) want = std::string(39, 'x');
    EXPECT_EQ(want, ConfigField[i]) << ProfileKeys[i];
  }
}

TEST_F(SettingsStore, TheFileIsFoundInTheCurrentFolderOfEachCall) {
  namespace fs = std::filesystem;
  fs::create_directory(folder_ / "a");
  fs::create_directory(folder_ / "b");
  PutFile((folder_ / "a" / "NUV.INI").string(), "[PARAMS]\r\nNAME1=from a\r\n");
  fs::current_path(folder_ / "a");
  ASSERT_EQ(1, GetInfoFile());
  EXPECT_STREQ("from a", Config.NAME1);
  fs::current_path(folder_ / "b");
  ASSERT_EQ(1, SaveInfoFile());
  const std::string b = (folder_ / "b" / "NUV.INI").string();
  char buf[40];
  PlatGetProfileString("PARAMS", "NAME1", "", buf, sizeof buf, b.c_str());
  EXPECT_STREQ("from a", buf);
  EXPECT_FALSE(fs::exists(ini_));
}

TEST_F(SettingsStore, AFailedSaveIsReportedOnce) {
  std::filesystem::create_directory(ini_);  // nothing can be written there
  EXPECT_EQ(0, GetInfoFile());
  EXPECT_STREQ("-1", Config.SERVICE);  // the defaults still hold
  EXPECT_EQ(0, SaveInfoFile());
  ASSERT_EQ(2u, g_boxes.size());
  for (const Box &b : g_boxes) {
    EXPECT_EQ("NUV: Error", b.caption);
    EXPECT_NE(std::string::npos, b.text.find("load or save your configuration")) << b.text;
    EXPECT_EQ(kMbOk | kMbIconError, b.style);
  }
}

TEST_F(SettingsStore, ServiceDefaultIsCutToTenCharacters) {
  InitDefaultService("12345678901234");
  ASSERT_EQ(1, GetInfoFile());
  EXPECT_STREQ("1234567890", Config.SERVICE);
  InitDefaultService("-1");
}

TEST_F(SettingsStore, ServiceTypeNumberAndName) {
  struct Case {
    const char *service;
    long number;
    const char *name;
  } cases[] = {
      {"-1", -1, "Unknown"}, {"0", 0, "Ambit"},     {"1", 1, "Corvel"},  {"2", 2, "Tessel"},
      {"3", 3, "Wendry"},    {"4", 4, "4"},         {"9", 9, "Unknown"}, {"abc", 0, "Ambit"},
      {" +2x", 2, "Tessel"}, {"04", 4, "04"},       {"-7", -7, "Unknown"},
  };
  for (const Case &c : cases) {
    std::snprintf(Config.SERVICE, sizeof Config.SERVICE, "%s", c.service);
    EXPECT_EQ(c.number, GetUserService()) << c.service;
    char name[40];
    GetUserServiceName(name, sizeof name);
    EXPECT_STREQ(c.name, name) << c.service;
  }
  std::snprintf(Config.SERVICE, sizeof Config.SERVICE, "%s", "-1");
  char small[4];
  GetUserServiceName(small, sizeof small);
  EXPECT_STREQ("Unk", small);
  std::snprintf(Config.SERVICE, sizeof Config.SERVICE, "%s", "4 and more");
  GetUserServiceName(small, sizeof small);
  EXPECT_STREQ("4 a", small);
}

TEST_F(SettingsStore, ServiceProfileFlags) {
  struct Case {
    const char *flags;
    int want[kServiceClassCount];
  } cases[] = {
      {"11110", {1, 1, 1, 1, 0}}, {"1", {1, 0, 0, 0, 0}},       {"", {0, 0, 0, 0, 0}},
      {"1x111", {1, 0, 1, 1, 1}}, {"1111111", {1, 1, 1, 1, 1}}, {nullptr, {0, 0, 0, 0, 0}},
  };
  for (const Case &c : cases) {
    for (int &f : NuvServiceProfile) f = 7;
    FillServiceProfile(c.flags);
    for (int i = 0; i < kServiceClassCount; ++i)
      EXPECT_EQ(c.want[i], NuvServiceProfile[i]) << (c.flags ? c.flags : "null") << " " << i;
  }
  InitServiceProfile();  // string 4096
  const int shipped[kServiceClassCount] = {1, 1, 1, 1, 0};
  for (int i = 0; i < kServiceClassCount; ++i) EXPECT_EQ(shipped[i], NuvServiceProfile[i]);
}

TEST_F(SettingsStore, Accessors) {
  LoadFrom("NUMBER2=555-1212\r\nNUMBER4=(204) 555-3636\r\nSOUND=0\r\nRAS=0\r\n"
           "USERID=(204) 555-3636\r\nPASSWORD=secret\r\n");
  EXPECT_EQ(2, GetTransferNumberCount());
  EXPECT_EQ(0, SoundIsOn());
  EXPECT_EQ('0', GetConfigRas());
  EXPECT_EQ(Config.PASSWORD, GetConfigPassword());
  EXPECT_EQ(1, CheckConfigNUVNumber());
  EXPECT_EQ(1, CheckConfigPassword());

  struct Case {
    const char *userId, *password;
    int number, passwordOk;
  } cases[] = {
      {"2045553636", "abcde", 1, 1},        {"(204) 555-363", "abcdefghijk", 0, 1},
      {"1-204-555-3636", "abcd", 0, 0},     {"", "abcdefghijkl", 0, 0},
      {"204 555 3636", "ab:cd", 1, 0},      {"204.555.3636", "a b c", 1, 1},
  };
  for (const Case &c : cases) {
    std::snprintf(Config.USERID, sizeof Config.USERID, "%s", c.userId);
    std::snprintf(Config.PASSWORD, sizeof Config.PASSWORD, "%s", c.password);
    EXPECT_EQ(c.number, CheckConfigNUVNumber()) << c.userId;
    EXPECT_EQ(c.passwordOk, CheckConfigPassword()) << c.password;
  }
  const char *numbers[][4] = {{"", "", "", ""}, {"1", "", "", ""}, {"", "", "", "x"}, {"a", "b", "c", "d"}};
  const int counts[] = {0, 1, 1, 4};
  for (int k = 0; k < 4; ++k) {
    std::snprintf(Config.NUMBER1, kConfigFieldSize, "%s", numbers[k][0]);
    std::snprintf(Config.NUMBER2, kConfigFieldSize, "%s", numbers[k][1]);
    std::snprintf(Config.NUMBER3, kConfigFieldSize, "%s", numbers[k][2]);
    std::snprintf(Config.NUMBER4, kConfigFieldSize, "%s", numbers[k][3]);
    EXPECT_EQ(counts[k], GetTransferNumberCount()) << k;
  }
  std::snprintf(Config.SOUND, kConfigFieldSize, "1x");
  EXPECT_EQ(1, SoundIsOn());
  SetUpRas();  // prepares buffers where there is a dial-up service; harmless elsewhere
}

}  // namespace
