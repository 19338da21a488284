// The installer's variable table on tables built from the input: slot
// addresses, slot sizes, capacity, count in use, names and values, then gets
// and sets of names from the input.
//
// Input: capacity (byte 0), name and value slot sizes (bytes 1-2, 3-4), count
// in use (byte 5), flags (byte 6: 1 and 2 keep slot sizes unbounded, 4 leaves
// a slot address unset), then the bytes that fill the slots, then
// operations: a kind byte, a name (up to ';') and a value (up to ';').
//
// A table whose header the module takes is allocated at exactly the size the
// header gives, so a read or write outside the slot arrays stops the run. A header it must refuse gets slot addresses
// of a one-byte array, which any use overruns.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_input.h"
#include "setup/variables.h"

using nuvsetup::InstallerVarTable;

namespace {

// The module frames a name ("%name%") in 64 bytes of its own.
constexpr size_t kFramedNameRoom = 64;

void Check(bool ok, const char *what) {
  if (!ok) {
    std::fprintf(stderr, "variables_fuzz: %s\n", what);
    std::abort();
  }
}

// A slot array allocated at exactly its size: a read or write past either
// end stops the run (AddressSanitizer).
struct Slots {
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
  char *Make(size_t n) {
    size = n;
    bytes.reset(new char[n]);
    return bytes.get();
  }
};

size_t SlotLen(const char *slot, size_t size) {
  const void *nul = std::memchr(slot, '\0', size);
  return nul ? static_cast<size_t>(static_cast<const char *>(nul) - slot) : size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput in{data, size};
  const uint32_t capacity = in.Byte() % 40;
  uint32_t nameSize = in.Byte() | (uint32_t(in.Byte()) << 8);
  uint32_t valueSize = in.Byte() | (uint32_t(in.Byte()) << 8);
  const uint32_t inUse = in.Byte() % 48;  // sometimes more than the capacity
  const uint8_t flags = in.Byte();
  // Most tables have slot sizes an installer would use; the flags keep some
  // runs for sizes the module must refuse.
  if (!(flags & 1)) nameSize %= 200;
  if (!(flags & 2)) valueSize %= 300;

  InstallerVarTable table{};
  table.Capacity = capacity;
  table.NameSlotSize = nameSize;
  table.ValueSlotSize = valueSize;
  table.InUse = inUse;
  const bool usable = nameSize >= 1 && nameSize <= nuvsetup::kMaxSlotSize && valueSize >= 1 &&
                      valueSize <= nuvsetup::kMaxSlotSize && inUse <= capacity && !(flags & 4);

  static char tiny[1];
  Slots names, values;
  if (usable) {
    table.Names = names.Make(size_t(capacity) * nameSize);
    table.Values = values.Make(size_t(capacity) * valueSize);
    // Fill every slot from the input, terminated or not.
    in.Fill(table.Names, names.size);
    in.Fill(table.Values, values.size);
  } else {
    // Flag 4 leaves one slot address unset: 8 picks which.
    table.Names = (flags & 4) && (flags & 8) ? nullptr : tiny;
    table.Values = (flags & 4) && !(flags & 8) ? nullptr : tiny;
  }
  Check(nuvsetup::IsUsableTable(&table) == (usable ? 1 : 0), "usable table misjudged");

  for (int op = 0; op < 8 && in.left; ++op) {
    const uint8_t kind = in.Byte();
    // The module sees C texts: a NUL inside ends them.
    const std::string name = in.Field().c_str();
    const std::string value = in.Field().c_str();
    const char *namePtr = (kind & 0x10) ? nullptr : name.c_str();
    const uint32_t usedBefore = table.InUse;

    if (kind & 1) {
      const int set = nuvsetup::SetVariable(&table, namePtr, (kind & 0x20) ? nullptr : value.c_str());
      if (!namePtr) Check(set == 0, "set a variable without a name");
      if (!usable) {
        Check(set == 0, "set on a refused table");
        continue;
      }
      Check(table.InUse == usedBefore || (set == 1 && table.InUse == usedBefore + 1), "count in use jumped");
      Check(table.InUse <= table.Capacity, "more in use than the capacity");
      if (set) {
        // The value reads back, cut to the slot.
        char back[512];
        const int got = nuvsetup::GetVariable(&table, name.c_str(), back, sizeof back);
        Check(got == 1, "a set variable is not found");
        const std::string want = (kind & 0x20) ? "" : value.substr(0, valueSize - 1);
        Check(want.substr(0, sizeof back - 1) == back, "value does not read back");
      }
    } else {
      // A destination of exactly destSize bytes.
      const size_t destSize = kind >> 6 == 3 ? 1 + value.size() % 100 : (kind >> 6) * 40;
      std::unique_ptr<char[]> dest(destSize ? new char[destSize] : nullptr);
      char *const d = dest.get();
      if (destSize) std::memset(d, 'D', destSize);
      const int got = nuvsetup::GetVariable(&table, namePtr, d, destSize);
      if (!usable) Check(got == 0, "get on a refused table");
      if (destSize) {
        Check(std::memchr(d, '\0', destSize) != nullptr, "destination not terminated");
        if (!got) Check(d[0] == '\0', "not found but the destination is not empty");
      }
      // The first slot in use whose name is "%name%" within the slot.
      const std::string framed = "%" + name + "%";
      long index = -1;
      if (usable && namePtr) {
        for (uint32_t i = 0; i < table.InUse && index < 0; ++i) {
          const char *slot = table.Names + size_t(i) * nameSize;
          if (framed.size() < nameSize && std::memcmp(slot, framed.c_str(), framed.size() + 1) == 0) index = i;
        }
      }
      // The module frames names in a buffer of its own: a name that fills it
      // is never found.
      if (destSize && index >= 0 && framed.size() < kFramedNameRoom)
        Check(got == 1, "a variable that is there is not found");
      if (got && destSize) {
        Check(index >= 0, "found a variable that is not there");
        const char *slot = table.Values + size_t(index) * valueSize;
        const size_t n = std::min(SlotLen(slot, valueSize), destSize - 1);
        Check(std::strlen(d) == n && std::memcmp(d, slot, n) == 0, "value differs from its slot");
      }
    }
  }
  if (!usable) Check(tiny[0] == 0, "a refused table was written");
  return 0;
}
