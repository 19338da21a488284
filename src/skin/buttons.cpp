#include "skin/buttons.h"

const SkinButtonEntry *SkinHitButton(const SkinButtonEntry *table, int count, int x, int y) {
  for (int i = 0; table && i < count; ++i)
    if (table[i].button && SkinButtonContains(*table[i].button, x, y)) return &table[i];
  return nullptr;
}

const SkinButtonEntry *SkinFindButton(const SkinButtonEntry *table, int count, int code) {
  for (int i = 0; table && i < count; ++i)
    if (table[i].code == code) return &table[i];
  return nullptr;
}

const SkinButtonEntry *SkinPress(const SkinButtonEntry *table, int count, int x, int y,
                                 int *active) {
  const SkinButtonEntry *hit = SkinHitButton(table, count, x, y);
  if (hit && active) *active = hit->code;
  return hit;
}

const SkinButtonEntry *SkinRelease(const SkinButtonEntry *table, int count, int x, int y,
                                   int *active, int *act) {
  if (act) *act = 0;
  if (!active || *active == 0) return nullptr;
  const SkinButtonEntry *pressed = SkinFindButton(table, count, *active);
  *active = 0;
  if (pressed && act) *act = SkinButtonContains(*pressed->button, x, y) ? 1 : 0;
  return pressed;
}
