// The pop-up colour cycle: index sequence and the greens it produces.
#include <gtest/gtest.h>

#include <vector>

#include "shell/cycle.h"

namespace {

class Cycle : public ::testing::Test {
 protected:
  void SetUp() override {
    CycleStartColour = CycleEndColour = CurrentCycleColour = 0;
    CycleStep[0] = CycleStep[1] = CycleStep[2] = 0.0f;
    InitCycleColours();
    CycleIndex = 8;
    CycleDirection = -1;
  }
};

constexpr unsigned kGreens[9] = {130, 145, 161, 176, 192, 208, 223, 239, 255};

TEST_F(Cycle, StartUpSetsColoursAndSteps) {
  EXPECT_EQ(NuvRgb(0, 255, 0), CycleStartColour);
  EXPECT_EQ(NuvRgb(0, 130, 0), CycleEndColour);
  EXPECT_EQ(NuvRgb(0, 255, 0), GetCurrentCycleColour());
  EXPECT_FLOAT_EQ(0.0f, CycleStep[0]);
  EXPECT_FLOAT_EQ(15.625f, CycleStep[1]);
  EXPECT_FLOAT_EQ(0.0f, CycleStep[2]);
}

TEST_F(Cycle, IndexBouncesBetweenEndsAndGreenFollowsIt) {
  const std::vector<int> expected = {7, 6, 5, 4, 3, 2, 1, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 8, 7, 6};
  std::vector<int> seen;
  for (size_t i = 0; i < expected.size(); ++i) {
    CycleColourStep();
    seen.push_back(CycleIndex);
    ASSERT_GE(CycleIndex, 0);
    ASSERT_LE(CycleIndex, 8);
    EXPECT_EQ(NuvRgb(0, kGreens[CycleIndex], 0), GetCurrentCycleColour()) << "step " << i;
  }
  EXPECT_EQ(expected, seen);
}

TEST_F(Cycle, DrawingByServiceType) {
  const struct {
    long service;
    int kind;
  } cases[] = {{-1, kCycleDrawBasic}, {0, kCycleDrawBasic}, {3, kCycleDrawBasic},
               {1, kCycleDrawFull},   {2, kCycleDrawFull},  {4, kCycleDrawFull},
               {5, kCycleDrawNone},   {-2, kCycleDrawNone}};
  for (const auto &c : cases) EXPECT_EQ(c.kind, CycleDrawKind(c.service)) << c.service;
}

}  // namespace
