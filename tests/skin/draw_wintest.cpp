// Drawn controls on a real window of the display: the pixels each operation
// leaves, from pictures whose every pixel is known.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "config/config.h"
#include "shell/status.h"
#include "skin/win32/skin.h"
#include "skin_rig.h"

namespace {

using skinrig::Capture;
using skinrig::PixelColour;

constexpr int kWidth = 364;
constexpr int kHeight = 314;

LRESULT CALLBACK SurfaceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// Counts the pixels of area (x, y, w, h) of c that differ from want(x, y).
template <typename Want>
int Mismatches(const Capture &c, int x0, int y0, int w, int h, Want want) {
  int bad = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x)
      if (c.At(x, y) != want(x, y)) ++bad;
  return bad;
}

class SkinDraw : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = SurfaceProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "NuvSkinDrawSurface";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                              kWidth, kHeight, nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(window_);
    module_ = new skinrig::ResourceModule(skinrig::SkinResources());
    loaded_ = LoadAllBitmaps(module_->instance(), window_) &&
              LoadSplashScreen(module_->instance(), window_);
  }
  static void TearDownTestSuite() {
    DestroyBitmaps();
    DestroyWindow(window_);
    delete module_;
  }
  void SetUp() override {
    ASSERT_NE(nullptr, window_);
    ASSERT_TRUE(loaded_);
    std::snprintf(savedService_, sizeof savedService_, "%s", Config.SERVICE);
    dc_ = GetDC(window_);
    DrawClientBackground(dc_);
  }
  void TearDown() override {
    ReleaseDC(window_, dc_);
    std::snprintf(Config.SERVICE, sizeof Config.SERVICE, "%s", savedService_);
    ForceBlinkGreen = 0;
    BlinkState = 0;
    LEDState = 1;
  }
  Capture Shot() const { return Capture(dc_, kWidth, kHeight); }

  static HWND window_;
  static skinrig::ResourceModule *module_;
  static bool loaded_;
  HDC dc_ = nullptr;
  char savedService_[kConfigFieldSize] = {};
};
HWND SkinDraw::window_ = nullptr;
skinrig::ResourceModule *SkinDraw::module_ = nullptr;
bool SkinDraw::loaded_ = false;

auto Picture(int id) {
  return [id](int x, int y) { return PixelColour(id, x, y); };
}
auto Shifted(int id, int dx, int dy) {
  return [id, dx, dy](int x, int y) { return PixelColour(id, x - dx, y - dy); };
}
auto Same(const Capture &c) {
  return [&c](int x, int y) { return c.At(x, y); };
}

TEST_F(SkinDraw, ClientBackgroundIsTheReleasedPicture) {
  const Capture shot = Shot();
  EXPECT_EQ(0, Mismatches(shot, 0, 0, 317, 194, Picture(1001)));
}

TEST_F(SkinDraw, ButtonDownThenUpRestoresTheExactReleasedPixels) {
  const Capture released = Shot();
  const RECT button = {240, 30, 262, 57};
  DrawButtonDn(&button, window_);
  const Capture down = Shot();
  EXPECT_EQ(0, Mismatches(down, 240, 30, 22, 27, Picture(1000)));
  // Only the button changed.
  EXPECT_EQ(22 * 27, Mismatches(down, 0, 0, kWidth, kHeight, Same(released)));
  DrawButtonUp(&button, window_);
  EXPECT_TRUE(Shot() == released);
}

TEST_F(SkinDraw, StatusLightFollowsStateAndBlinkFlags) {
  struct Case {
    int state, green, blink, phase;
    int picture;  // 0: nothing drawn
  } cases[] = {
      {1, 0, 0, 1, 1016}, {1, 0, 0, 0, 1016}, {1, 0, 1, 0, 1016},  // logged in: steady green
      {1, 1, 0, 1, 1016}, {1, 1, 0, 0, 1015},                      // green blink
      {0, 1, 0, 1, 1016}, {0, 1, 1, 0, 1015},                      // green blink wins
      {0, 0, 1, 1, 1017}, {0, 0, 1, 0, 1015},                      // red blink
      {0, 0, 0, 1, 1017}, {0, 0, 0, 0, 1017},                      // steady red
      {2, 0, 0, 1, 0},    {-1, 1, 1, 1, 0},
  };
  for (const Case &c : cases) {
    DrawClientBackground(dc_);
    ForceBlinkGreen = c.green;
    BlinkState = c.blink;
    LEDState = c.phase;
    SetStateLED(window_, c.state);
    const Capture shot = Shot();
    const std::string what = "state " + std::to_string(c.state) + " green " +
                             std::to_string(c.green) + " blink " + std::to_string(c.blink) +
                             " phase " + std::to_string(c.phase);
    if (c.picture) {
      EXPECT_EQ(0, Mismatches(shot, 282, 147, 17, 17, Shifted(c.picture, 282, 147))) << what;
    }
    // Everything else is the background (all of it when nothing is drawn).
    const int changed = Mismatches(shot, 0, 0, 317, 194, Picture(1001));
    const int lightPixels = Mismatches(shot, 282, 147, 17, 17, Picture(1001));
    EXPECT_EQ(changed, lightPixels) << what;
    if (!c.picture) {
      EXPECT_EQ(0, changed) << what;
    }
  }
}

TEST_F(SkinDraw, TitleEndAndPopUpLogoByServiceType) {
  struct Case {
    const char *service;
    int titleEnd, logo;  // 0: nothing drawn
  } cases[] = {
      {"-1", 0, 0}, {"0", 1023, 1025}, {"1", 1024, 1026}, {"2", 1029, 1027},
      {"3", 1030, 1028}, {"4", 0, 0}, {"abc", 1023, 1025} /* no digits: type 0 */,
  };
  for (const Case &c : cases) {
    std::snprintf(Config.SERVICE, sizeof Config.SERVICE, "%s", c.service);

    DrawClientBackground(dc_);
    const Capture background = Shot();
    DrawClientTitleEnd(dc_);
    Capture shot = Shot();
    if (c.titleEnd) {
      EXPECT_EQ(0, Mismatches(shot, 183, 0, 58, 29, Shifted(c.titleEnd, 183, 0))) << c.service;
      EXPECT_EQ(58 * 29, Mismatches(shot, 0, 0, kWidth, kHeight, Same(background))) << c.service;
    } else {
      EXPECT_TRUE(shot == background) << c.service;
    }

    DrawPopUp(dc_);
    const Capture popup = Shot();
    EXPECT_EQ(0, Mismatches(popup, 0, 0, 265, 187, Picture(1011))) << c.service;
    DrawPopUpLogo(dc_);
    shot = Shot();
    if (c.logo) {
      EXPECT_EQ(0, Mismatches(shot, 19, 99, 64, 24, Shifted(c.logo, 19, 99))) << c.service;
      EXPECT_EQ(64 * 24, Mismatches(shot, 0, 0, kWidth, kHeight, Same(popup))) << c.service;
    } else {
      EXPECT_TRUE(shot == popup) << c.service;
    }
  }
}

TEST_F(SkinDraw, TwoStateButtonsDrawOnlyTheirTwoStates) {
  const RECT rect = {20, 40, 60, 70};
  struct Case {
    void (*draw)(const RECT *, HWND, int);
    void (*background)(HDC);
    int released, pressed;
  } cases[] = {
      {DrawConfigButton, DrawConfigBackground, 2001, 2000},
      {DrawMessageButton, DrawMessageBoxUp, 4002, 4001},
  };
  for (const Case &c : cases) {
    c.background(dc_);
    const Capture before = Shot();
    EXPECT_EQ(0, Mismatches(before, 0, 0, 317, 238, Picture(c.released))) << c.released;
    for (int state : {2, -1}) {
      c.draw(&rect, window_, state);
      EXPECT_TRUE(Shot() == before) << c.released << " state " << state;
    }
    c.draw(&rect, window_, 1);
    EXPECT_EQ(0, Mismatches(Shot(), 20, 40, 40, 30, Picture(c.pressed))) << c.pressed;
    c.draw(&rect, window_, 0);
    EXPECT_TRUE(Shot() == before) << c.released;
  }
}

TEST_F(SkinDraw, PopUpPiecesComeFromTheirPictures) {
  const RECT rect = {100, 20, 140, 50};
  struct Case {
    void (*draw)(const RECT *, HWND);
    int picture;
  } cases[] = {
      {DrawPopUpRectDown, 1010}, {DrawPopUpRectUp, 1011},
      {DrawBasicPopUpRectDown, 1020}, {DrawBasicPopUpRectUp, 1019},
  };
  for (const Case &c : cases) {
    DrawClientBackground(dc_);
    c.draw(&rect, window_);
    EXPECT_EQ(0, Mismatches(Shot(), 100, 20, 40, 30, Picture(c.picture))) << c.picture;
  }

  // A drop-down block comes from the source point, placed at the rectangle.
  DrawDropDownRectUp(&rect, window_, 5, 7);
  EXPECT_EQ(0, Mismatches(Shot(), 100, 20, 40, 30, Shifted(1013, 100 - 5, 20 - 7)));
  DrawDropDownRectDown(&rect, window_, 5, 7);
  EXPECT_EQ(0, Mismatches(Shot(), 100, 20, 40, 30, Shifted(1012, 100 - 5, 20 - 7)));

  DrawTransferGreyed(dc_);
  EXPECT_EQ(0, Mismatches(Shot(), 72, 142, 59, 34, Shifted(1018, 72, 142)));
  DrawBasicPopUp(dc_);
  EXPECT_EQ(0, Mismatches(Shot(), 0, 0, 265, 251, Picture(1019)));
  DrawSplash(dc_);
  EXPECT_EQ(0, Mismatches(Shot(), 0, 0, 300, 200, Picture(1014)));
}

TEST_F(SkinDraw, VariableDropDownPutsTheClosingPieceBelowThePart) {
  DrawClientBackground(dc_);
  // Part: x 10, y 5, width 200, height 60 from (3, 20); closing piece:
  // 150 x 12 taken at (30, 130), placed at (30, 60).
  const RECT part = {10, 5, 200, 60};
  const RECT closing = {30, 130, 150, 12};
  DrawVariableDropDown(dc_, &part, POINT{3, 20}, &closing);
  const Capture shot = Shot();
  EXPECT_EQ(0, Mismatches(shot, 10, 5, 200, 55, Shifted(1013, 10 - 3, 5 - 20)));
  EXPECT_EQ(0, Mismatches(shot, 30, 60, 150, 12, Shifted(1013, 0, 60 - 130)));
  // Nothing beyond the two copies.
  EXPECT_EQ(0, Mismatches(shot, 0, 72, 317, 194 - 72, Picture(1001)));
}

TEST_F(SkinDraw, NothingIsDrawnWithoutWindowOrRectangle) {
  const Capture before = Shot();
  const RECT rect = {0, 0, 50, 50};
  DrawButtonDn(&rect, nullptr);
  DrawButtonDn(nullptr, window_);
  DrawVariableDropDown(dc_, nullptr, POINT{0, 0}, &rect);
  DrawClientRect(nullptr, dc_);
  EXPECT_TRUE(Shot() == before);
}

}  // namespace
