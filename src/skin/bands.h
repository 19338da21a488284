#pragma once
// Window outlines as lists of horizontal bands: left, top, right, bottom in
// window pixels, right and bottom exclusive. The lists of the artwork are
// generated from it (bands_generated.h).

#include <cstdint>

struct NuvBand {
  std::int32_t left, top, right, bottom;
};
static_assert(sizeof(NuvBand) == 16, "bands are handed to the system as they are");

// 1 when (x, y) lies in one of the bands.
int BandsContain(const NuvBand *bands, int count, int x, int y);
