// Window outlines from band lists on real windows, and the error box with
// the close request that follows a failure.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/sys_error.h"
#include "skin/win32/skin.h"

namespace {

struct Box {
  PlatWindow owner;
  std::string text, caption;
  unsigned style;
};
std::vector<Box> g_boxes;
int g_closeRequests = 0;

int RecordBox(PlatWindow owner, const char *text, const char *caption, unsigned style) {
  g_boxes.push_back({owner, text, caption, style});
  return kIdOk;
}

// Counts close requests and stays open.
LRESULT CALLBACK ShapedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    ++g_closeRequests;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class SkinRegion : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes.clear();
    g_closeRequests = 0;
    PlatSetMessageBoxHook(RecordBox);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ShapedProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "NuvSkinRegionWindow";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 40, 30, 200, 100,
                              nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, window_);
  }
  void TearDown() override {
    DestroyWindow(window_);
    PlatSetMessageBoxHook(nullptr);
  }
  HWND window_ = nullptr;
};

TEST_F(SkinRegion, BandsBecomeTheWindowsShape) {
  // Rounded ends: a narrow top and bottom band over a full middle.
  const NuvBand bands[] = {{10, 0, 190, 10}, {0, 10, 200, 90}, {10, 90, 190, 100}};
  ASSERT_NE(nullptr, CreateWindowRegion(3, bands, window_));
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(0, g_closeRequests);

  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(ERROR, GetWindowRgn(window_, shape));
  struct Point {
    int x, y;
    bool inside;
  } points[] = {
      {10, 0, true},   {189, 9, true},   {0, 10, true},    {199, 89, true},
      {10, 90, true},  {189, 99, true},  {100, 50, true},
      {9, 0, false},   {190, 5, false},  {5, 95, false},   {195, 95, false},
      {200, 50, false}, {100, 100, false}, {-1, 50, false},
  };
  for (const Point &p : points) {
    EXPECT_EQ(p.inside, PtInRegion(shape, p.x, p.y) != 0) << p.x << "," << p.y;
    EXPECT_EQ(p.inside, BandsContain(bands, 3, p.x, p.y) != 0) << p.x << "," << p.y;
  }
  DeleteObject(shape);
}

TEST_F(SkinRegion, OneBandOverTheWholeWindowIsARectangle) {
  const NuvBand whole[] = {{0, 0, 200, 100}};
  ASSERT_NE(nullptr, CreateWindowRegion(1, whole, window_));
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(SIMPLEREGION, GetWindowRgn(window_, shape));
  RECT box;
  GetRgnBox(shape, &box);
  EXPECT_EQ(0, box.left);
  EXPECT_EQ(0, box.top);
  EXPECT_EQ(200, box.right);
  EXPECT_EQ(100, box.bottom);
  DeleteObject(shape);
}

TEST_F(SkinRegion, BandListThatCannotBeHeldIsReportedAndTheWindowAskedToClose) {
  const NuvBand band[] = {{0, 0, 10, 10}};
  struct Case {
    int count;
    const NuvBand *bands;
  } cases[] = {{-1, band}, {1 << 30, band}, {0x7fffffff, band}, {2, nullptr}};
  for (const Case &c : cases) {
    g_boxes.clear();
    g_closeRequests = 0;
    EXPECT_EQ(nullptr, CreateWindowRegion(c.count, c.bands, window_)) << c.count;
    ASSERT_EQ(1u, g_boxes.size()) << c.count;
    EXPECT_EQ("Assertion Failed: Malloc", g_boxes[0].text);
    EXPECT_EQ("NUV: Error", g_boxes[0].caption);
    EXPECT_EQ(kMbIconError, g_boxes[0].style);
    EXPECT_EQ(window_, g_boxes[0].owner);
    EXPECT_EQ(1, g_closeRequests) << c.count;
  }
}

TEST_F(SkinRegion, ShapeThatCannotBeSetIsReported) {
  // A window that is gone takes no shape; it can neither own the box nor be
  // asked to close.
  HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  DestroyWindow(gone);
  const NuvBand band[] = {{0, 0, 10, 10}};
  EXPECT_EQ(nullptr, CreateWindowRegion(1, band, gone));
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ("Assertion Failed: Region Creation", g_boxes[0].text);
  EXPECT_EQ("NUV: Error", g_boxes[0].caption);
  EXPECT_EQ(nullptr, g_boxes[0].owner);
  EXPECT_EQ(0, g_closeRequests);
}

TEST_F(SkinRegion, ErrorBoxNamesItsCauseAndClosesTheWindow) {
  char system[256];
  ASSERT_GT(PlatSysErrorText(ERROR_ACCESS_DENIED, system, sizeof system), 0);
  struct Case {
    DWORD code;
    int isSystemError;
    std::string text;
  } cases[] = {
      {1507, 0, "Assertion Failed: Region Creation"},
      {1506, 0, "Assertion Failed: Malloc"},
      {ERROR_ACCESS_DENIED, 1, std::string("Assertion Failed: ") + system},
  };
  for (const Case &c : cases) {
    g_boxes.clear();
    g_closeRequests = 0;
    RegionErrorBox(window_, c.code, c.isSystemError);
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ(c.text, g_boxes[0].text);
    EXPECT_EQ("NUV: Error", g_boxes[0].caption);
    EXPECT_EQ(window_, g_boxes[0].owner);
    EXPECT_EQ(1, g_closeRequests);
  }
  // Without a window there is only the box.
  g_boxes.clear();
  g_closeRequests = 0;
  RegionErrorBox(nullptr, 1507, 0);
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_EQ(nullptr, g_boxes[0].owner);
  EXPECT_EQ(0, g_closeRequests);
}

}  // namespace
