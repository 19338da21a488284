#pragma once
// The main window's geometry: its buttons, display rectangles and size, and
// the button codes its press handling uses.

#include "skin/bands.h"
#include "skin/buttons.h"

enum MainButtonCode {
  kBtnConfig = 3,
  kBtnGoWeb = 4,
  kBtnLeft = 6,
  kBtnRight = 7,
  kBtnGarbage = 8,
  kBtnExit = 9,
  kBtnMinimize = 10,
  kBtnHelp = 11,
};

extern const SkinButton BTNConfig, BTNGoWeb, BTNLeft, BTNRight, BTNGarbage, BTNHelp, BTNMinimize,
    BTNExit;

// The buttons in the order a left press is tested.
constexpr int kMainButtonCount = 8;
extern const SkinButtonEntry MainButtons[kMainButtonCount];

// Display rectangles: left, top, right, bottom.
struct MainRect {
  int left, top, right, bottom;
};
extern const MainRect RectNuvIdNumber, RectCallerName, RectCallerNumber, RectCallerAction,
    RectCallerTime, RectCallerSpot, RectClearScreen, ClientRegionRectBound;

// Strictly between the edges of the caller display: where the right button
// opens the menu.
constexpr bool InsideClearScreenStrictly(const MainRect &r, int x, int y) {
  return x > r.left && x < r.right && y > r.top && y < r.bottom;
}

// The top strip that drags the window: client points less than this far down.
constexpr int kMainDragStripHeight = 27;

// The button pressed and not yet released (0 when none); shared by every
// skinned window, since only one has the mouse at a time.
extern int ActiveButton;
// 1 after a right press in the caller display, until the menu opens.
extern int MenuSelect;
