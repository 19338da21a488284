// The configuration window in-process against the real window system: the
// tabs and check boxes of each service type and where they stand, one window
// at a time, the Transfers page's veto on a tab change and on OK, and the
// gaps closed when the page is left. Presses arrive as the button layer's
// parent notification and releases as the layer's own mouse message, as the
// system sends them; message boxes are recorded instead of shown.

#include "config/win32/config_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "config/config.h"
#include "config/validate.h"
#include "support/box_recorder.h"
#include "support/fresh_folder.h"

namespace {

void Set(char *field, const char *text) { std::snprintf(field, kConfigFieldSize, "%s", text); }

class ConfigWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    hInst = GetModuleHandleA(nullptr);
    folder_ = nuvtest::EnterFreshFolder("nuv-config-window-", &previous_);
    std::memset(&Config, 0, sizeof Config);
    Set(Config.USERID, "(204) 555-3636");
    Set(Config.RAS, "0");
    nuvtest::Boxes() = {};
    PlatSetMessageBoxHook(nuvtest::RecordBox);
  }
  void TearDown() override {
    if (hConfigWnd) DestroyWindow(hConfigWnd);
    PlatSetMessageBoxHook(nullptr);
    std::memset(&Config, 0, sizeof Config);
    nuvtest::LeaveFreshFolder(previous_, folder_);
  }

  static HWND Page() { return GetConfigData() ? GetConfigData()->hPage : nullptr; }
  static HWND Tab() { return GetConfigData() ? GetConfigData()->hTab : nullptr; }
  static HWND Control(int id) { return Page() ? GetDlgItem(Page(), id) : nullptr; }
  // A control's top-left corner in the page.
  static POINT PlaceOf(int id) {
    RECT r;
    GetWindowRect(Control(id), &r);
    POINT p = {r.left, r.top};
    ScreenToClient(Page(), &p);
    return p;
  }
  static void TypeInto(int id, const char *text) { SetWindowTextA(Control(id), text); }
  static void Click(const SkinButton &b) {
    const int x = (b.left + b.right) / 2, y = (b.top + b.bottom) / 2;
    SendMessageA(hConfigWnd, WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(x, y));
    SendMessageA(GetDlgItem(hConfigWnd, kConfigButtonsId), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  // A click on the tab with this index, as the tab control reports it.
  static bool ClickTab(int index) {
    NMHDR header = {Tab(), 0, static_cast<UINT>(TCN_SELCHANGING)};
    if (SendMessageA(hConfigWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header))) return false;
    TabCtrl_SetCurSel(Tab(), index);
    header.code = static_cast<UINT>(TCN_SELCHANGE);
    SendMessageA(hConfigWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    return true;
  }

  std::filesystem::path previous_, folder_;
};

TEST_F(ConfigWindow, TabsAndCheckBoxesOfEachServiceType) {
  struct Case {
    const char *service;
    int tabs;
    bool hangupBox;
  } cases[] = {{"0", 1, false}, {"3", 1, false}, {"-1", 1, false}, {"2", 2, true},
               {"4", 2, true},  {"9", 1, false}};
  for (const Case &c : cases) {
    Set(Config.SERVICE, c.service);
    ASSERT_EQ(1, OpenConfigureBox(nullptr, -1));
    ASSERT_TRUE(hConfigWnd) << c.service;
    RECT r;
    GetWindowRect(hConfigWnd, &r);
    EXPECT_EQ(kConfigWidth, r.right - r.left);
    EXPECT_EQ(kConfigHeight, r.bottom - r.top);
    EXPECT_EQ(c.tabs, TabCtrl_GetItemCount(Tab())) << c.service;
    EXPECT_EQ(c.hangupBox, Control(kIdcConfigHangup) != nullptr) << c.service;
    const POINT aol = PlaceOf(kIdcConfigUseAol);
    EXPECT_EQ(64, aol.x);
    EXPECT_EQ(c.hangupBox ? 82 : 62, aol.y) << c.service;
    const POINT ras = PlaceOf(kIdcConfigRas);
    EXPECT_EQ(52, ras.x);
    EXPECT_EQ(42, ras.y);
    DestroyWindow(hConfigWnd);
    EXPECT_EQ(nullptr, hConfigWnd);
  }
}

TEST_F(ConfigWindow, DialUpSwitchGreysItsDependentsAndOneWindowAtATime) {
  Set(Config.SERVICE, "2");
  OpenConfigureBox(nullptr, -1);
  HWND first = hConfigWnd;
  EXPECT_FALSE(IsWindowEnabled(Control(kIdcConfigHangup)));
  EXPECT_FALSE(IsWindowEnabled(Control(kIdcConfigUseAol)));
  SendMessageA(Control(kIdcConfigRas), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(Control(kIdcConfigHangup)));
  EXPECT_TRUE(IsWindowEnabled(Control(kIdcConfigUseAol)));
  EXPECT_STREQ("1", ConfigCopyFlags.RAS);
  EXPECT_STREQ("0", Config.RAS) << "nothing is stored before OK or Apply";

  // Opening again shows the same window on the tab asked for.
  OpenConfigureBox(nullptr, kConfigTabTransfers);
  EXPECT_EQ(first, hConfigWnd);
  EXPECT_EQ(1, TabCtrl_GetCurSel(Tab()));
  EXPECT_TRUE(Control(TransferNumberFieldId(0)));
  int windows = 0;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "NUVConfig", nullptr));) ++windows;
  EXPECT_EQ(1, windows);
}

TEST_F(ConfigWindow, AnInvalidNumberHoldsTheTransfersPageAndTheGapsCloseOnLeaving) {
  Set(Config.SERVICE, "1");
  Set(Config.NUMBER2, "(204) 555-1111");
  Set(Config.NAME2, "A");
  Set(Config.NUMBER4, "(204) 555-2222");
  Set(Config.NAME4, "B");
  OpenConfigureBox(nullptr, kConfigTabTransfers);
  ASSERT_TRUE(Control(TransferNumberFieldId(2)));
  TypeInto(TransferNumberFieldId(2), "12345");
  TypeInto(TransferNameFieldId(2), "bad");

  // A tab click, OK and Apply are all refused with the message.
  EXPECT_FALSE(ClickTab(0));
  Click(BTN_CONFIG_Ok);
  Click(BTN_CONFIG_Apply);
  EXPECT_EQ(3, nuvtest::Boxes().calls);
  EXPECT_EQ(hConfigWnd, nuvtest::Boxes().owner);
  ASSERT_TRUE(hConfigWnd);
  EXPECT_EQ(kConfigTabTransfers, GetConfigData()->currentKey);
  EXPECT_STREQ("", Config.NUMBER1) << "nothing saved";
  EXPECT_FALSE(std::filesystem::exists("NUV.INI"));

  // Emptied, the row goes with its description; the rest move up.
  TypeInto(TransferNumberFieldId(2), "");
  ASSERT_TRUE(ClickTab(0));
  EXPECT_TRUE(Control(kIdcConfigSound));
  EXPECT_STREQ("(204) 555-1111", TransferCopy.Number[0]);
  EXPECT_STREQ("A", TransferCopy.Name[0]);
  EXPECT_STREQ("(204) 555-2222", TransferCopy.Number[1]);
  EXPECT_STREQ("B", TransferCopy.Name[1]);
  EXPECT_STREQ("", TransferCopy.Number[2]);
  EXPECT_STREQ("", TransferCopy.Name[2]);

  // Pressed on OK, released on Cancel: nothing happens.
  SendMessageA(hConfigWnd, WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(84, 286));
  SendMessageA(GetDlgItem(hConfigWnd, kConfigButtonsId), WM_LBUTTONUP, 0, MAKELPARAM(158, 286));
  ASSERT_TRUE(hConfigWnd);
  EXPECT_STREQ("", Config.NUMBER1);

  Click(BTN_CONFIG_Ok);
  EXPECT_EQ(nullptr, hConfigWnd);
  EXPECT_STREQ("(204) 555-1111", Config.NUMBER1);
  EXPECT_STREQ("B", Config.NAME2);
  EXPECT_STREQ("", Config.NUMBER4);
  EXPECT_TRUE(std::filesystem::exists("NUV.INI"));
}

}  // namespace
