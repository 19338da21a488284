// Press and release on drawn buttons, with the main window's table.
#include <gtest/gtest.h>

#include "shell/main_layout.h"

namespace {

struct Gesture {
  int px, py;     // press
  int rx, ry;     // release
  int drawn;      // button drawn down and up again (0: none)
  int acted;      // button whose action runs (0: none)
};

TEST(SkinButtons, PressAndReleaseActOnlyInsideTheSameButton) {
  const Gesture cases[] = {
      {300, 14, 300, 14, kBtnExit, kBtnExit},          // exit, both edges inclusive below
      {293, 7, 309, 21, kBtnExit, kBtnExit},           // corners of one button
      {300, 14, 284, 14, kBtnExit, 0},                 // exit pressed, released on minimise
      {284, 14, 284, 14, kBtnMinimize, kBtnMinimize},
      {290, 155, 290, 155, 0, 0},                      // the status light is no button
      {100, 10, 100, 10, 0, 0},                        // the top strip
      {182, 150, 210, 150, kBtnLeft, 0},               // left arrow released on the right one
      {20, 150, 20, 150, kBtnGarbage, kBtnGarbage},
      {249, 43, 249, 43, kBtnConfig, kBtnConfig},
      {308, 119, 308, 119, kBtnGoWeb, kBtnGoWeb},
      {267, 14, 267, 14, kBtnHelp, kBtnHelp},
  };
  for (const Gesture &g : cases) {
    ActiveButton = 0;
    const SkinButtonEntry *down = SkinPress(MainButtons, kMainButtonCount, g.px, g.py, &ActiveButton);
    EXPECT_EQ(down ? down->code : 0, g.drawn) << g.px << "," << g.py;
    EXPECT_EQ(ActiveButton, g.drawn);
    int act = -1;
    const SkinButtonEntry *up =
        SkinRelease(MainButtons, kMainButtonCount, g.rx, g.ry, &ActiveButton, &act);
    EXPECT_EQ(up ? up->code : 0, g.drawn);
    EXPECT_EQ(act ? g.drawn : 0, g.acted) << g.px << "," << g.py << " -> " << g.rx << "," << g.ry;
    EXPECT_EQ(ActiveButton, 0);
  }
}

TEST(SkinButtons, ReleaseWithoutPressDoesNothing) {
  ActiveButton = 0;
  int act = -1;
  EXPECT_EQ(SkinRelease(MainButtons, kMainButtonCount, 300, 14, &ActiveButton, &act), nullptr);
  EXPECT_EQ(act, 0);
}

TEST(SkinButtons, MenuAreaIsStrictlyInsideTheDisplay) {
  EXPECT_TRUE(InsideClearScreenStrictly(RectClearScreen, 22, 44));
  EXPECT_TRUE(InsideClearScreenStrictly(RectClearScreen, 220, 130));
  EXPECT_FALSE(InsideClearScreenStrictly(RectClearScreen, 21, 60));
  EXPECT_FALSE(InsideClearScreenStrictly(RectClearScreen, 100, 131));
}

}  // namespace
