#include "skin/bands.h"

int BandsContain(const NuvBand *bands, int count, int x, int y) {
  if (!bands) return 0;
  for (int i = 0; i < count; ++i) {
    const NuvBand &b = bands[i];
    if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return 1;
  }
  return 0;
}
