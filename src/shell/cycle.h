#pragma once
// The pop-up colour cycle: the caller's name and number pulse between two
// greens, one step every 20 ms while a pop-up is open.

#include <cstdint>

constexpr int kCycleIndexMax = 8;  // the index runs 0..8: 9 shades

// A colour in the platform's layout: 0x00BBGGRR.
constexpr std::uint32_t NuvRgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

extern std::uint32_t CycleStartColour;    // RGB(0,255,0)
extern std::uint32_t CycleEndColour;      // RGB(0,130,0)
extern float CycleStep[3];                // red, green, blue
extern int CycleIndex;                    // 0..8, starts at 8
extern int CycleDirection;                // +1 or -1, starts at -1
extern std::uint32_t CurrentCycleColour;  // starts at the start colour
extern int CyclingTimerActive;
extern std::uintptr_t CyclingTimerId;

// Start-up: the two colours, the current colour and the per-channel steps.
void InitCycleColours();
// One 20 ms step: the index moves and the current colour follows it.
void CycleColourStep();
std::uint32_t GetCurrentCycleColour();

// Whose drawing shows the caller text in the new colour, by service type
// (GetUserService): -1, 0 and 3 the basic pop-up, 1, 2 and 4 the full one;
// any other type draws nothing.
constexpr int kCycleDrawNone = 0;
constexpr int kCycleDrawBasic = 1;
constexpr int kCycleDrawFull = 2;
int CycleDrawKind(long serviceType);
