#include "shell/cycle.h"

namespace {

constexpr std::uint32_t kStart = NuvRgb(0, 255, 0);
constexpr std::uint32_t kEnd = NuvRgb(0, 130, 0);
constexpr float kStepFraction = 0.125f;  // eight steps from the end colour to the start

constexpr unsigned Channel(std::uint32_t colour, int channel) {
  return (colour >> (8 * channel)) & 0xFF;
}

}  // namespace

// Set again at start-up; the values here keep a colour sensible even before.
std::uint32_t CycleStartColour = kStart;
std::uint32_t CycleEndColour = kEnd;
float CycleStep[3] = {0.0f, 15.625f, 0.0f};
int CycleIndex = kCycleIndexMax;
int CycleDirection = -1;
std::uint32_t CurrentCycleColour = kStart;
int CyclingTimerActive = 0;
std::uintptr_t CyclingTimerId = 0;

void InitCycleColours() {
  CycleStartColour = kStart;
  CycleEndColour = kEnd;
  CurrentCycleColour = CycleStartColour;
  for (int c = 0; c < 3; ++c) {
    const int span = static_cast<int>(Channel(CycleStartColour, c)) -
                     static_cast<int>(Channel(CycleEndColour, c));
    CycleStep[c] = static_cast<float>(span) * kStepFraction;
  }
}

void CycleColourStep() {
  if (CycleDirection > 0) {
    if (++CycleIndex > kCycleIndexMax) {
      CycleIndex = kCycleIndexMax;
      CycleDirection = -1;
    }
  } else if (--CycleIndex < 0) {
    CycleIndex = 0;
    CycleDirection = 1;
  }

  std::uint32_t colour = 0;
  for (int c = 0; c < 3; ++c) {
    const int add = static_cast<int>(static_cast<float>(CycleIndex) * CycleStep[c]);  // toward zero
    const unsigned value = static_cast<unsigned>(static_cast<int>(Channel(CycleEndColour, c)) + add) & 0xFF;
    colour |= value << (8 * c);
  }
  CurrentCycleColour = colour;
}

std::uint32_t GetCurrentCycleColour() { return CurrentCycleColour; }

int CycleDrawKind(long serviceType) {
  switch (serviceType) {
    case -1: case 0: case 3: return kCycleDrawBasic;
    case 1: case 2: case 4: return kCycleDrawFull;
    default: return kCycleDrawNone;
  }
}
