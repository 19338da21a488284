#pragma once
// Drawn buttons of the skinned windows: a record per button, hit testing and
// the press-and-release rule every skinned window follows (a button acts only
// when pressed and released inside the same button).

#include <cstdint>

struct SkinButton {
  std::int32_t left, top, right, bottom;  // both edges inside the button
  std::int32_t width, height;
  std::int32_t spare1, spare2;            // always 0
};

constexpr SkinButton MakeSkinButton(int left, int top, int right, int bottom) {
  return SkinButton{left, top, right, bottom, right - left, bottom - top, 0, 0};
}

// A window's buttons in the order they are tested, with their codes.
struct SkinButtonEntry {
  const SkinButton *button;
  int code;  // non-zero
};

// Left, top, right and bottom edges count as inside.
constexpr bool SkinButtonContains(const SkinButton &b, int x, int y) {
  return x >= b.left && x <= b.right && y >= b.top && y <= b.bottom;
}

// The first button of the table under (x, y), or nullptr.
const SkinButtonEntry *SkinHitButton(const SkinButtonEntry *table, int count, int x, int y);
// The entry with code, or nullptr.
const SkinButtonEntry *SkinFindButton(const SkinButtonEntry *table, int count, int code);

// A left press at (x, y): the button hit becomes the pressed one (*active =
// its code) and is returned so the window draws it down; nullptr and *active
// unchanged when no button is hit.
const SkinButtonEntry *SkinPress(const SkinButtonEntry *table, int count, int x, int y, int *active);

// The left release at (x, y): returns the pressed button (to be drawn up), or
// nullptr when none was pressed, and clears *active. *act is set to 1 when
// the release lies inside that same button, so its action runs, else 0.
const SkinButtonEntry *SkinRelease(const SkinButtonEntry *table, int count, int x, int y,
                                   int *active, int *act);
