#include "setup/variables.h"

#include <cstdio>
#include <cstring>

namespace nuvsetup {

namespace {

// Room for the framed form of the module's own names, with plenty to spare.
constexpr size_t kFramedNameSize = 64;

// Length of text, reading at most max bytes.
size_t BoundedLen(const char *text, size_t max) {
  size_t n = 0;
  while (n < max && text[n] != '\0') ++n;
  return n;
}

bool SlotArrayFits(const char *base, uint32_t count, uint32_t slotSize) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(base);
  // count <= 0xFFFF and slotSize <= 4096: the product fits 32 bits.
  const uintptr_t bytes = static_cast<uintptr_t>(count) * slotSize;
  return start <= UINTPTR_MAX - bytes;
}

char *NameSlot(const InstallerVarTable *table, uint32_t i) {
  return table->Names + static_cast<size_t>(i) * table->NameSlotSize;
}

char *ValueSlot(const InstallerVarTable *table, uint32_t i) {
  return table->Values + static_cast<size_t>(i) * table->ValueSlotSize;
}

// "%name%" into out; 0 when name is missing or the result does not fit.
int FrameName(const char *name, char (&out)[kFramedNameSize]) {
  if (!name) return 0;
  const int n = std::snprintf(out, sizeof out, "%%%s%%", name);
  return n > 0 && static_cast<size_t>(n) < sizeof out;
}

// Index of the slot holding framed, or -1. A slot equals framed only when it
// holds those bytes and its terminator within the slot.
long FindVariable(const InstallerVarTable *table, const char *framed) {
  const size_t len = std::strlen(framed);
  if (len >= table->NameSlotSize) return -1;  // could never be stored whole
  for (uint16_t i = 0; i < table->InUse; ++i) {
    const char *slot = NameSlot(table, i);
    if (std::memcmp(slot, framed, len + 1) == 0) return i;
  }
  return -1;
}

}  // namespace

int IsUsableTable(const InstallerVarTable *table) {
  if (!table || !table->Names || !table->Values) return 0;
  if (table->NameSlotSize == 0 || table->NameSlotSize > kMaxSlotSize) return 0;
  if (table->ValueSlotSize == 0 || table->ValueSlotSize > kMaxSlotSize) return 0;
  if (table->Capacity > kMaxVariables || table->InUse > table->Capacity) return 0;
  return SlotArrayFits(table->Names, table->Capacity, table->NameSlotSize) &&
         SlotArrayFits(table->Values, table->Capacity, table->ValueSlotSize);
}

int GetVariable(const InstallerVarTable *table, const char *name, char *dest, size_t destSize) {
  if (!dest || destSize == 0) return 0;
  dest[0] = '\0';
  char framed[kFramedNameSize];
  if (!IsUsableTable(table) || !FrameName(name, framed)) return 0;
  const long i = FindVariable(table, framed);
  if (i < 0) return 0;
  // The installer's slot may lack its terminator: never read past the slot.
  const char *value = ValueSlot(table, static_cast<uint32_t>(i));
  size_t n = BoundedLen(value, table->ValueSlotSize);
  if (n > destSize - 1) n = destSize - 1;
  std::memcpy(dest, value, n);
  dest[n] = '\0';
  return 1;
}

int SetVariable(InstallerVarTable *table, const char *name, const char *value) {
  char framed[kFramedNameSize];
  if (!IsUsableTable(table) || !FrameName(name, framed)) return 0;
  long i = FindVariable(table, framed);
  if (i < 0) {
    const size_t len = std::strlen(framed);
    if (table->InUse >= table->Capacity || len >= table->NameSlotSize) return 0;
    i = static_cast<long>(table->InUse);
    std::memcpy(NameSlot(table, table->InUse), framed, len + 1);
    ++table->InUse;
  }
  char *slot = ValueSlot(table, static_cast<uint32_t>(i));
  size_t n = value ? BoundedLen(value, table->ValueSlotSize - 1) : 0;
  std::memcpy(slot, value ? value : "", n);
  slot[n] = '\0';
  return 1;
}

}  // namespace nuvsetup
