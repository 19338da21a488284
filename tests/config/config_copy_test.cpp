// The configuration window's decisions: tabs and check boxes by service
// type, the working copy's bounds, what the controls change, the Transfers
// page's veto, and the save of exactly the working copy.

#include "config/config_copy.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "config/config.h"
#include "config/settings.h"
#include "config/ui_harness.h"
#include "config/validate.h"
#include "platform/profile.h"
#include "platform/string_table.h"
#include "support/box_recorder.h"
#include "support/fresh_folder.h"

namespace {

void Set(char *field, const char *text) { std::snprintf(field, kConfigFieldSize, "%s", text); }

class ConfigCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&Config, 0, sizeof Config);
    std::memset(&TransferCopy, 0, sizeof TransferCopy);
    std::memset(&ConfigCopyFlags, 0, sizeof ConfigCopyFlags);
    nuvtest::Boxes() = {};
    PlatSetMessageBoxHook(nuvtest::RecordBox);
    Set(Config.USERID, "(204) 555-3636");
  }
  void TearDown() override {
    PlatSetMessageBoxHook(nullptr);
    std::memset(&Config, 0, sizeof Config);
    std::memset(&TransferCopy, 0, sizeof TransferCopy);
  }
};

TEST_F(ConfigCopy, TabsAndBoxesFollowTheServiceType) {
  struct Case {
    long service;
    int tabs;
    int unsupported;
  } cases[] = {{-1, 1, 0}, {0, 1, 0}, {1, 2, 0}, {2, 2, 0}, {3, 1, 0},
               {4, 2, 0},  {5, 1, 1}, {-2, 1, 1}, {1000000, 1, 1}};
  for (const Case &c : cases) {
    int keys[kConfigMaxTabs] = {0, 0};
    int unsupported = -1;
    ASSERT_EQ(c.tabs, ConfigTabsForService(c.service, keys, &unsupported)) << c.service;
    EXPECT_EQ(c.unsupported, unsupported) << c.service;
    EXPECT_EQ(kConfigTabGeneral, keys[0]);
    if (c.tabs == 2) {
      EXPECT_EQ(kConfigTabTransfers, keys[1]);
    }

    ConfigCheckBox boxes[kConfigMaxBoxes];
    const int n = ConfigGeneralBoxes(c.service, boxes);
    // With transfers comes the disconnection question, and "I use AOL" below it.
    ASSERT_EQ(c.tabs == 2 ? 5 : 4, n) << c.service;
    EXPECT_EQ(kIdcConfigMinimize, boxes[0].id);
    EXPECT_EQ(52, boxes[2].x);
    EXPECT_EQ(42, boxes[2].y);
    EXPECT_EQ(kIdcConfigUseAol, boxes[n - 1].id);
    EXPECT_EQ(64, boxes[n - 1].x);
    EXPECT_EQ(c.tabs == 2 ? 82 : 62, boxes[n - 1].y) << c.service;
    for (int i = 0; i < n; ++i) {
      char label[64];
      EXPECT_GT(PlatLoadString(boxes[i].label, label, sizeof label), 0) << boxes[i].label;
    }
  }
}

TEST_F(ConfigCopy, CheckBoxesEditTheirFlagsAndTheDialUpFlagGatesItsDependents) {
  Set(Config.RAS, "1");
  LoadConfigCopy();
  EXPECT_TRUE(ConfigDependentsEnabled());
  EXPECT_EQ(1, ConfigCheckBoxChanged(kIdcConfigRas, 0));
  EXPECT_FALSE(ConfigDependentsEnabled());
  EXPECT_STREQ("0", ConfigCopyFlags.RAS);
  EXPECT_EQ(0, ConfigCheckBoxChanged(kIdcConfigSound, 1));
  EXPECT_STREQ("1", ConfigCopyFlags.SOUND);
  EXPECT_EQ(0, ConfigCheckBoxChanged(kIdcConfigMinimize, 1));
  EXPECT_EQ(1, ConfigCheckBoxChanged(kIdcConfigUseAol, 1));
  EXPECT_STREQ("1", ConfigCopyFlags.USEAOL);
  // Other controls edit nothing.
  EXPECT_EQ(nullptr, ConfigFlagOf(201));
  EXPECT_EQ(0, ConfigCheckBoxChanged(201, 1));
  // Nothing reaches the settings before a save.
  EXPECT_STREQ("1", Config.RAS);
  EXPECT_STREQ("", Config.SOUND);
}

TEST_F(ConfigCopy, HandEditedValuesAreCutToTheFields) {
  Set(Config.NAME1, "A description far longer than twenty");
  Set(Config.NUMBER1, "(204) 555-1234 extension 7");
  Set(Config.MINIMIZE, "10");
  Set(Config.AUTOLOG, "yes");
  LoadConfigCopy();
  EXPECT_STREQ("A description far lo", TransferCopy.Name[0]);
  EXPECT_STREQ("(204) 555-1234", TransferCopy.Number[0]);
  EXPECT_STREQ("1", ConfigCopyFlags.MINIMIZE);
  EXPECT_STREQ("y", ConfigCopyFlags.AUTOLOG);
}

TEST_F(ConfigCopy, SevenDigitsGetTheAreaCodeAndBecomeTheDescriptionWhenTheFieldIsLeft) {
  UiHarness ui;
  PlatWindow page = ui.MakeWindow(201, 208);
  for (int s = 0; s < kTransferSlots; ++s) {
    TransferCopy.hNumberField[s] = PlatGetDlgItem(page, TransferNumberFieldId(s));
    TransferCopy.hNameField[s] = PlatGetDlgItem(page, TransferNameFieldId(s));
  }
  // Typing: the copy follows each change, cut to 14 characters.
  ConfigNumberEdited(0, "555 12", 0, page);
  EXPECT_STREQ("555 12", TransferCopy.Number[0]);
  ConfigNumberEdited(0, "5551234 and more text", 0, page);
  EXPECT_STREQ("5551234 and mo", TransferCopy.Number[0]);
  ConfigNumberEdited(0, "555 1234", 1, page);
  EXPECT_STREQ("(204) 555-1234", TransferCopy.Number[0]);
  EXPECT_EQ("(204) 555-1234", UiHarness::Text(TransferCopy.hNumberField[0]));
  EXPECT_STREQ("(204) 555-1234", TransferCopy.Name[0]);
  EXPECT_TRUE(UiHarness::AllSelected(TransferCopy.hNameField[0]));
  // A description typed by the user stays.
  ConfigNameEdited(1, "Office, the long way round");
  EXPECT_STREQ("Office, the long way", TransferCopy.Name[1]);
  ConfigNumberEdited(1, "2045550000", 1, page);
  EXPECT_STREQ("Office, the long way", TransferCopy.Name[1]);
  EXPECT_EQ(0, nuvtest::Boxes().calls);
  // Slots that do not exist are passed over.
  ConfigNumberEdited(4, "5551234", 1, page);
  ConfigNameEdited(-1, "x");
}

TEST_F(ConfigCopy, AnInvalidNumberVetoesLeavingTheTransfersPage) {
  UiHarness ui;
  PlatWindow page = ui.MakeWindow(201, 208);
  for (int s = 0; s < kTransferSlots; ++s) {
    TransferCopy.hNumberField[s] = PlatGetDlgItem(page, TransferNumberFieldId(s));
    TransferCopy.hNameField[s] = PlatGetDlgItem(page, TransferNameFieldId(s));
  }
  std::snprintf(TransferCopy.Number[0], sizeof TransferCopy.Number[0], "2045551111");
  std::snprintf(TransferCopy.Number[2], sizeof TransferCopy.Number[2], "12345");
  PlatSetControlText(TransferCopy.hNumberField[2], "12345");
  EXPECT_EQ(1, ConfigTransfersVeto(page));
  EXPECT_EQ(1, nuvtest::Boxes().calls);
  EXPECT_EQ(page, nuvtest::Boxes().owner);
  EXPECT_EQ(TransferCopy.hNumberField[2], PlatGetFocus());
  EXPECT_TRUE(UiHarness::AllSelected(TransferCopy.hNumberField[2]));

  // Mended, the page lets go; the caller then closes the gaps.
  std::snprintf(TransferCopy.Number[2], sizeof TransferCopy.Number[2], "5552222");
  EXPECT_EQ(0, ConfigTransfersVeto(page));
  DefragmentTransferNumbers();
  EXPECT_STREQ("(204) 555-1111", TransferCopy.Number[0]);
  EXPECT_STREQ("(204) 555-2222", TransferCopy.Number[1]);
  EXPECT_STREQ("(204) 555-2222", TransferCopy.Name[1]);
  EXPECT_STREQ("", TransferCopy.Number[2]);
}

TEST_F(ConfigCopy, SavingWritesExactlyTheWorkingCopy) {
  std::filesystem::path previous;
  const auto folder = nuvtest::EnterFreshFolder("nuv-config-copy-", &previous);
  Set(Config.RAS, "1");
  Set(Config.AUTOLOG, "1");
  Set(Config.NAME2, "Kept by hand");
  Set(Config.NUMBER2, "(204) 555-9999");
  Set(Config.AOLTIMER, "25");
  LoadConfigCopy();
  ConfigCheckBoxChanged(kIdcConfigRas, 0);
  ConfigCheckBoxChanged(kIdcConfigSound, 1);
  ConfigNameEdited(0, "Office");
  ConfigNumberEdited(0, "(204) 555-1212", 0, nullptr);
  SaveNewSettings();

  const std::string ini = (folder / "NUV.INI").string();
  auto read = [&](const char *key) {
    char buf[64];
    PlatGetProfileString("PARAMS", key, "<none>", buf, sizeof buf, ini.c_str());
    return std::string(buf);
  };
  EXPECT_EQ("0", read("RAS"));
  EXPECT_EQ("1", read("SOUND"));
  EXPECT_EQ("1", read("AUTOLOG"));
  EXPECT_EQ("Office", read("NAME1"));
  EXPECT_EQ("(204) 555-1212", read("NUMBER1"));
  EXPECT_EQ("Kept by hand", read("NAME2"));
  EXPECT_EQ("(204) 555-9999", read("NUMBER2"));
  EXPECT_EQ("25", read("AOLTIMER"));
  EXPECT_STREQ("0", Config.RAS);
  nuvtest::LeaveFreshFolder(previous, folder);
}

}  // namespace
