// Where the pop-ups go, which button a press hits, which buttons may be
// pressed, the transfer bars' labels and the outline for each state.

#include "popup_rig.h"
#include "skin/bands_generated.h"

namespace popuptest {
namespace {

TEST(PopupGeometry, CascadesFromTheUpperCentre) {
  struct Case {
    int sw, sh, ww, wh, slot, x, y;
  } cases[] = {
      {1024, 768, 265, 187, 0, 379, 193},
      {1024, 768, 265, 187, 2, 419, 233},
      {1024, 768, 265, 251, 1, 399, 192},
      // A screen smaller than the window: division rounds towards zero.
      {200, 100, 265, 187, 0, -32, -29},
      {200, 100, 265, 187, 1, -12, -9},
      {1024, 768, 265, 187, 7, 379, 193},  // no slot beyond the three
  };
  for (const Case &c : cases) {
    int x = 0, y = 0;
    PopupPosition(c.sw, c.sh, c.ww, c.wh, c.slot, &x, &y);
    EXPECT_EQ(x, c.x) << c.sw << "x" << c.sh << " slot " << c.slot;
    EXPECT_EQ(y, c.y) << c.sw << "x" << c.sh << " slot " << c.slot;
  }
  EXPECT_EQ(DropDownHeight(2), 274);
  EXPECT_EQ(DropDownHeight(3), 303);
  EXPECT_EQ(DropDownHeight(4), 332);
}

TEST(PopupGeometry, PressesHitButtonsWithInclusiveEdges) {
  struct Case {
    int x, y, code;  // 0: no button
  } full[] = {
      {8, 142, kPopupAnswer},       {69, 176, kPopupAnswer},  {70, 160, 0},
      {72, 142, kPopupTransfer},    {131, 176, kPopupTransfer},
      {135, 150, kPopupAcknowledge}, {257, 176, kPopupIgnore}, {258, 176, 0},
      {100, 141, 0},                {17, 204, kPopupBar1},    {248, 227, kPopupBar1},
      {100, 230, 0},                {100, 233, kPopupBar1 + 1}, {100, 285, kPopupBar1 + 2},
      {248, 314, kPopupBar1 + 3},   {248, 315, 0},
  };
  for (const Case &c : full) {
    const SkinButtonEntry *hit = SkinHitButton(PopupButtons, kPopupButtonCount, c.x, c.y);
    EXPECT_EQ(hit ? hit->code : 0, c.code) << c.x << "," << c.y;
  }
  const Case basic[] = {
      {16, 152, kBasicTopBar}, {247, 175, kBasicTopBar}, {100, 178, 0},
      {16, 181, kBasicMiddleBar}, {247, 233, kBasicBottomBar}, {15, 220, 0},
  };
  for (const Case &c : basic) {
    const SkinButtonEntry *hit = SkinHitButton(BasicPopupButtons, kBasicPopupButtonCount, c.x, c.y);
    EXPECT_EQ(hit ? hit->code : 0, c.code) << c.x << "," << c.y;
  }
  // Tested in press order: Answer, Transfer, Ignore, Acknowledge, bars.
  const int order[kPopupButtonCount] = {1, 4, 3, 5, 30, 31, 32, 33};
  for (int i = 0; i < kPopupButtonCount; ++i) EXPECT_EQ(PopupButtons[i].code, order[i]);
  EXPECT_EQ(BTNTrnBar1.width, 231);
  EXPECT_EQ(BTNBasicTop.height, 23);
}

TEST(PopupGeometry, TransferAndBarsOnlyWhenTheyCanAct) {
  std::memset(&Config, 0, sizeof Config);
  PopUpState[1] = kPopUpStateNormal;
  EXPECT_FALSE(PopupButtonEnabled(1, kPopupTransfer));  // no number configured
  EXPECT_TRUE(PopupButtonEnabled(1, kPopupAnswer));
  EXPECT_TRUE(PopupButtonEnabled(1, kPopupIgnore));
  EXPECT_TRUE(PopupButtonEnabled(1, kPopupAcknowledge));
  SetField(Config.NUMBER1, "2045550001");
  EXPECT_TRUE(PopupButtonEnabled(1, kPopupTransfer));

  TransferNumbers = 3;
  EXPECT_FALSE(PopupButtonEnabled(1, kPopupBar1));  // drop-down closed
  PopUpState[1] = kPopUpStateDropDown;
  const bool bars[4] = {true, true, true, false};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(PopupButtonEnabled(1, kPopupBar1 + k), bars[k]) << k;
  EXPECT_FALSE(PopupButtonEnabled(0, kPopupBar1));  // another slot's drop-down is closed
  EXPECT_FALSE(PopupButtonEnabled(3, kPopupBar1));
  EXPECT_FALSE(PopupButtonEnabled(-1, kPopupBar1));
  EXPECT_FALSE(PopupButtonEnabled(1, 2));
  EXPECT_FALSE(PopupButtonEnabled(1, kPopupBar1 + 4));
  PopUpState[1] = 0;
  TransferNumbers = 0;
}

TEST(PopupGeometry, BarTextIsTheDescriptionElseTheNumber) {
  std::memset(&Config, 0, sizeof Config);
  SetField(Config.NAME1, "Office");
  SetField(Config.NUMBER1, "(204) 555-0001");
  SetField(Config.NUMBER2, "(204) 555-0002");
  EXPECT_STREQ(GetTransferBarText(0), "Office");
  EXPECT_STREQ(GetTransferBarText(1), "(204) 555-0002");
  EXPECT_STREQ(GetTransferBarText(2), "");
  EXPECT_STREQ(GetTransferBarText(4), "");
  EXPECT_STREQ(GetTransferBarText(-1), "");
}

TEST(PopupGeometry, OutlineForEachState) {
  struct Case {
    int n;
    const NuvBand *popup;
    int popupCount;
    const NuvBand *buttons;
    int buttonCount;
    int bottom;  // lowest edge of the pop-up's outline
  } cases[] = {
      {0, PopupRegionRect, 23, PopupButtonsRegionRect, 123, 185},
      {2, PopupDropDownRegionRect2, 49, PopupDropDownButtonsRegionRect2, 141, 272},
      {3, PopupDropDownRegionRect3, 49, PopupDropDownButtonsRegionRect3, 150, 301},
      {4, PopupDropDownRegionRect4, 49, PopupDropDownButtonsRegionRect4, 159, 330},
  };
  for (const Case &c : cases) {
    const NuvBand *bands = nullptr;
    ASSERT_EQ(PopupRegionBands(c.n, &bands), c.popupCount) << c.n;
    EXPECT_EQ(bands, c.popup);
    EXPECT_EQ(bands[c.popupCount - 1].bottom, c.bottom) << c.n;
    EXPECT_LE(c.bottom, c.n ? DropDownHeight(c.n) : kPopupHeight);
    EXPECT_EQ(PopupButtonsRegionBands(c.n, &bands), c.buttonCount) << c.n;
    EXPECT_EQ(bands, c.buttons);
  }
  for (int n : {-1, 1, 5}) {
    const NuvBand *bands = PopupRegionRect;
    EXPECT_EQ(PopupRegionBands(n, &bands), 0) << n;
    EXPECT_EQ(bands, nullptr);
    bands = PopupRegionRect;
    EXPECT_EQ(PopupButtonsRegionBands(n, &bands), 0) << n;
    EXPECT_EQ(bands, nullptr);
  }
}

}  // namespace
}  // namespace popuptest
