// The window outlines scanned from the artwork cover exactly the areas the
// windows hit-test and paint: every pixel of each window is checked in and out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/bands_generated.h"

namespace {

struct Box {  // left, top, right, bottom, right and bottom exclusive
  int l, t, r, b;
};

struct Area {
  int w, h;
  std::vector<char> in;
  Area(int width, int height) : w(width), h(height), in(size_t(width) * height, 0) {}
  void Add(const Box &x, int dx = 0, int dy = 0) {
    for (int y = x.t + dy; y < x.b + dy; ++y)
      for (int px = x.l + dx; px < x.r + dx; ++px)
        if (px >= 0 && px < w && y >= 0 && y < h) in[size_t(y) * w + px] = 1;
  }
  void AddAll(const std::vector<Box> &boxes, int dx = 0, int dy = 0) {
    for (const Box &x : boxes) Add(x, dx, dy);
  }
  // A button rectangle whose right and bottom edges belong to it.
  void AddInclusive(int l, int t, int r, int b) { Add({l, t, r + 1, b + 1}); }
};

// Every pixel of the window (and a margin around it) in vs out; names the
// first few wrong pixels.
::testing::AssertionResult Covers(const NuvBand *bands, int count, const Area &want) {
  std::string bad;
  int wrong = 0;
  for (int y = -2; y < want.h + 2; ++y)
    for (int x = -2; x < want.w + 2; ++x) {
      bool inside = x >= 0 && y >= 0 && x < want.w && y < want.h &&
                    want.in[size_t(y) * want.w + x];
      if (bool(BandsContain(bands, count, x, y)) != inside && ++wrong <= 5)
        bad += " (" + std::to_string(x) + "," + std::to_string(y) + (inside ? " missing)" : " extra)");
    }
  if (!wrong) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << wrong << " pixels differ:" << bad;
}

// The oval push button's footprint, relative to its rectangle's top-left.
const std::vector<Box> kOval = {
    {29, 0, 46, 1},   {25, 1, 50, 2},   {21, 2, 52, 3},   {18, 3, 54, 4},   {16, 4, 55, 5},
    {14, 5, 56, 6},   {12, 6, 57, 7},   {10, 7, 58, 8},   {9, 8, 58, 9},    {8, 9, 59, 10},
    {7, 10, 59, 11},  {6, 11, 59, 12},  {5, 12, 59, 13},  {4, 13, 58, 14},  {3, 14, 58, 16},
    {2, 16, 57, 18},  {1, 18, 56, 20},  {1, 20, 55, 21},  {0, 21, 54, 22},  {0, 22, 53, 23},
    {0, 23, 52, 24},  {0, 24, 51, 25},  {1, 25, 50, 26},  {1, 26, 49, 27},  {2, 27, 47, 28},
    {3, 28, 45, 29},  {4, 29, 43, 30},  {5, 30, 41, 31},  {7, 31, 38, 32},  {9, 32, 34, 33},
    {13, 33, 30, 34}};
const std::vector<Box> kOvalShort(kOval.begin(), kOval.end() - 1);

// A bar (transfer destination, basic pop-up choice), relative to its corner.
const std::vector<Box> kBar = {{5, 0, 226, 1},  {3, 1, 228, 2},   {2, 2, 229, 3},
                               {1, 3, 230, 6},  {0, 6, 231, 17},  {1, 17, 230, 20},
                               {2, 20, 229, 21}, {3, 21, 228, 22}, {5, 22, 226, 23}};

const std::vector<Box> kMainOutline = {
    {15, 0, 317, 1},    {12, 1, 317, 2},    {10, 2, 317, 3},    {9, 3, 317, 4},
    {7, 4, 317, 5},     {6, 5, 317, 6},     {5, 6, 317, 7},     {4, 7, 317, 9},
    {3, 9, 317, 10},    {2, 10, 317, 12},   {1, 12, 317, 15},   {0, 15, 317, 181},
    {1, 181, 316, 183}, {2, 183, 315, 184}, {3, 184, 314, 186}, {4, 186, 313, 187},
    {5, 187, 312, 188}, {6, 188, 311, 189}, {8, 189, 309, 190}, {9, 190, 308, 191},
    {11, 191, 306, 192}};

// The rounded top-left corner shared by the pop-ups and the other panels,
// down to row 15, for a window of the given width.
std::vector<Box> TopCorner(int w) {
  return {{15, 0, w, 1}, {12, 1, w, 2}, {10, 2, w, 3}, {9, 3, w, 4}, {7, 4, w, 5}, {6, 5, w, 6},
          {5, 6, w, 7},  {4, 7, w, 9},  {3, 9, w, 10}, {2, 10, w, 12}, {1, 12, w, 15}};
}

std::vector<Box> PopupOutline() {
  std::vector<Box> o = TopCorner(265);
  std::vector<Box> rest = {
      {0, 15, 265, 167},   {1, 167, 264, 171},  {2, 171, 263, 174},  {3, 174, 262, 176},
      {4, 176, 261, 178},  {5, 178, 260, 179},  {6, 179, 259, 180},  {7, 180, 258, 181},
      {8, 181, 257, 182},  {10, 182, 255, 183}, {12, 183, 253, 184}, {15, 184, 250, 185}};
  o.insert(o.end(), rest.begin(), rest.end());
  return o;
}

// Rounded bottom of a panel of width w whose straight part ends at row e, for
// the 23-band panels (pop-up drop-down, message, configuration windows).
std::vector<Box> Bottom(int w, int e) {
  return {{1, e, w - 1, e + 4},        {2, e + 4, w - 2, e + 7},    {3, e + 7, w - 3, e + 9},
          {4, e + 9, w - 4, e + 11},   {5, e + 11, w - 5, e + 12},  {6, e + 12, w - 6, e + 13},
          {7, e + 13, w - 7, e + 14},  {8, e + 14, w - 8, e + 15},  {10, e + 15, w - 10, e + 16},
          {12, e + 16, w - 12, e + 17}, {15, e + 17, w - 15, e + 18}};
}

TEST(WindowOutlines, MainPanelIsTheTwentyOneBandsOfTheWindow) {
  ASSERT_EQ(ClientRegionRectCount, int(kMainOutline.size()));
  for (int i = 0; i < ClientRegionRectCount; ++i) {
    const NuvBand &b = ClientRegionRect[i];
    EXPECT_TRUE(b.left == kMainOutline[i].l && b.top == kMainOutline[i].t &&
                b.right == kMainOutline[i].r && b.bottom == kMainOutline[i].b)
        << "band " << i << ": " << b.left << "," << b.top << "," << b.right << "," << b.bottom;
  }
  // Rows 192 and 193 of the 317 x 194 picture lie outside the panel.
  EXPECT_FALSE(BandsContain(ClientRegionRect, ClientRegionRectCount, 150, 192));
  EXPECT_TRUE(BandsContain(ClientRegionRect, ClientRegionRectCount, 316, 0));
  EXPECT_FALSE(BandsContain(ClientRegionRect, ClientRegionRectCount, 0, 0));
}

TEST(WindowOutlines, MainButtonLayerTakesExactlyTheButtonsAndTheCallerDisplay) {
  Area want(317, 194);
  want.AddInclusive(259, 7, 275, 21);    // help
  want.AddInclusive(276, 7, 292, 21);    // minimise
  want.AddInclusive(293, 7, 309, 21);    // exit
  want.AddInclusive(21, 43, 221, 131);   // caller display
  want.AddInclusive(249, 43, 308, 77);   // configuration
  want.AddInclusive(249, 85, 308, 119);  // account page
  want.AddInclusive(11, 140, 30, 162);   // delete entry
  want.AddInclusive(172, 140, 192, 161); // previous
  want.AddInclusive(200, 140, 220, 161); // next
  EXPECT_TRUE(Covers(ClientButtonsRegionRect, ClientButtonsRegionRectCount, want));
  // The status light and the title strip are not part of it: they drag.
  EXPECT_FALSE(BandsContain(ClientButtonsRegionRect, ClientButtonsRegionRectCount, 290, 155));
  EXPECT_FALSE(BandsContain(ClientButtonsRegionRect, ClientButtonsRegionRectCount, 100, 10));
}

TEST(WindowOutlines, PopupAndItsFourOvalButtons) {
  Area outline(265, 187);
  outline.AddAll(PopupOutline());
  EXPECT_TRUE(Covers(PopupRegionRect, PopupRegionRectCount, outline));
  EXPECT_EQ(PopupRegionRectCount, 23);

  Area buttons(265, 187);
  buttons.AddAll(kOval, 8, 142);         // Answer
  buttons.AddAll(kOval, 72, 142);        // Transfer
  buttons.AddAll(kOval, 135, 142);       // Acknowledge
  buttons.AddAll(kOvalShort, 198, 142);  // Ignore, without its lowest row
  EXPECT_TRUE(Covers(PopupButtonsRegionRect, PopupButtonsRegionRectCount, buttons));
  EXPECT_EQ(PopupButtonsRegionRectCount, 123);
  for (int i = 1; i < PopupButtonsRegionRectCount; ++i) {
    const NuvBand &a = PopupButtonsRegionRect[i - 1], &b = PopupButtonsRegionRect[i];
    EXPECT_TRUE(a.top < b.top || (a.top == b.top && a.left < b.left)) << "band " << i;
  }
}

TEST(WindowOutlines, PopupWithTransferDropDownForTwoToFourNumbers) {
  const NuvBand *outlines[] = {PopupDropDownRegionRect2, PopupDropDownRegionRect3,
                               PopupDropDownRegionRect4};
  const int outlineCounts[] = {PopupDropDownRegionRect2Count, PopupDropDownRegionRect3Count,
                               PopupDropDownRegionRect4Count};
  const NuvBand *buttonLists[] = {PopupDropDownButtonsRegionRect2, PopupDropDownButtonsRegionRect3,
                                  PopupDropDownButtonsRegionRect4};
  const int buttonCounts[] = {PopupDropDownButtonsRegionRect2Count,
                              PopupDropDownButtonsRegionRect3Count,
                              PopupDropDownButtonsRegionRect4Count};
  for (int n = 2; n <= 4; ++n) {
    SCOPED_TRACE("transfer numbers " + std::to_string(n));
    const int h = 216 + 29 * n, e = 196 + 29 * n;  // E = 254, 283, 312
    Area outline(265, h);
    outline.AddAll(PopupOutline());
    outline.AddAll({{19, 185, 246, 186}, {20, 186, 245, 187}, {19, 187, 246, 188}});
    outline.AddAll({{15, 188, 250, 189}, {12, 189, 253, 190}, {10, 190, 255, 191},
                    {8, 191, 257, 192},  {7, 192, 258, 193},  {6, 193, 259, 194},
                    {5, 194, 260, 195},  {4, 195, 261, 197},  {3, 197, 262, 199},
                    {2, 199, 263, 202},  {1, 202, 264, 206},  {0, 206, 265, e}});
    outline.AddAll(Bottom(265, e));
    EXPECT_TRUE(Covers(outlines[n - 2], outlineCounts[n - 2], outline));
    EXPECT_EQ(outlineCounts[n - 2], 49);

    Area buttons(265, h);
    buttons.AddAll(kOval, 8, 142);
    buttons.AddAll(kOval, 72, 142);
    buttons.AddAll(kOval, 135, 142);
    buttons.AddAll(kOvalShort, 198, 142);
    for (int k = 0; k < n; ++k) buttons.AddAll(kBar, 17, 204 + 29 * k);
    EXPECT_TRUE(Covers(buttonLists[n - 2], buttonCounts[n - 2], buttons));
    EXPECT_EQ(buttonCounts[n - 2], 123 + 9 * n);
  }
}

TEST(WindowOutlines, BasicPopupAndItsThreeBars) {
  Area outline(265, 251);
  outline.AddAll(TopCorner(265));
  outline.AddAll({{0, 15, 265, 229},   {0, 229, 264, 231},  {0, 231, 263, 235},
                  {1, 235, 262, 238},  {2, 238, 261, 240},  {3, 240, 260, 242},
                  {4, 242, 259, 243},  {5, 243, 258, 244},  {6, 244, 257, 245},
                  {7, 245, 256, 246},  {9, 246, 254, 247},  {11, 247, 252, 248},
                  {14, 248, 249, 249}});
  EXPECT_TRUE(Covers(BasicPopupRegionRect, BasicPopupRegionRectCount, outline));
  EXPECT_EQ(BasicPopupRegionRectCount, 24);

  Area bars(265, 251);
  for (int top : {152, 181, 210}) bars.AddAll(kBar, 16, top);
  EXPECT_TRUE(Covers(BasicPopupButtonsRegionRect, BasicPopupButtonsRegionRectCount, bars));
  EXPECT_EQ(BasicPopupButtonsRegionRectCount, 27);
}

TEST(WindowOutlines, MessageWindowAndItsButtons) {
  Area outline(364, 238);
  outline.AddAll(TopCorner(364));
  outline.Add({0, 15, 364, 218});
  outline.AddAll(Bottom(364, 218));
  EXPECT_TRUE(Covers(MessageRegionRect, MessageRegionRectCount, outline));
  EXPECT_EQ(MessageRegionRectCount, 23);

  Area buttons(364, 238);
  buttons.AddInclusive(341, 7, 357, 21);  // close box
  buttons.AddAll(kOval, 115, 193);        // link
  buttons.AddAll(kOval, 191, 193);        // OK
  EXPECT_TRUE(Covers(MessageButtonsRegionRect, MessageButtonsRegionRectCount, buttons));
  // The close box comes first.
  EXPECT_EQ(MessageButtonsRegionRect[0].left, 341);
  EXPECT_EQ(MessageButtonsRegionRect[0].top, 7);
}

TEST(WindowOutlines, ConfigurationWindowAndItsButtonsInTheirOrder) {
  Area outline(317, 314);
  outline.AddAll(TopCorner(317));
  outline.Add({0, 15, 317, 294});
  outline.AddAll(Bottom(317, 294));
  EXPECT_TRUE(Covers(ConfigRegionRect, ConfigRegionRectCount, outline));
  EXPECT_EQ(ConfigRegionRectCount, 23);

  // The close box, then each oval band by band: OK, Cancel, Apply.
  std::vector<Box> want = {{294, 7, 310, 21}};
  for (int dx : {55, 129, 203})
    for (const Box &b : kOval) want.push_back({b.l + dx, b.t + 269, b.r + dx, b.b + 269});
  ASSERT_EQ(ConfigButtonsRegionRectCount, int(want.size()));
  for (int i = 0; i < ConfigButtonsRegionRectCount; ++i) {
    const NuvBand &b = ConfigButtonsRegionRect[i];
    EXPECT_TRUE(b.left == want[i].l && b.top == want[i].t && b.right == want[i].r &&
                b.bottom == want[i].b)
        << "band " << i;
  }
}

}  // namespace
