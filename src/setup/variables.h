#pragma once
// The installer's table of text variables, as the installer hands it to
// GetPass, and the two operations on it.
//
// The installer keeps names and values in two arrays of fixed-size slots.
// A name is stored framed in percent signs: the variable NUVNUMBER lives in
// the name slot "%NUVNUMBER%". Names are compared case-sensitively.
//
// The table comes from outside and may be damaged: every read stays inside
// the slot it reads, every write stays inside the slot it writes, and a table
// whose slot addresses or sizes make no sense is left alone.

#include <cstddef>
#include <cstdint>

namespace nuvsetup {

// The table's header. In the 32-bit module every field is 4 bytes and the
// slot addresses lie at offsets 24 and 28; a 64-bit installer passes full
// pointers, which are 8 bytes at offsets 24 and 32.
struct InstallerVarTable {
  unsigned char Unused[8];
  uint32_t Capacity;       // largest number of variables the table holds
  uint32_t NameSlotSize;   // bytes of one name slot
  uint32_t ValueSlotSize;  // bytes of one value slot
  uint32_t InUse;          // variables in use
  char *Names;             // slot i at Names + i * NameSlotSize
  char *Values;            // slot i at Values + i * ValueSlotSize
};

static_assert(offsetof(InstallerVarTable, Capacity) == 8, "capacity at 8");
static_assert(offsetof(InstallerVarTable, NameSlotSize) == 12, "name slot size at 12");
static_assert(offsetof(InstallerVarTable, ValueSlotSize) == 16, "value slot size at 16");
static_assert(offsetof(InstallerVarTable, InUse) == 20, "number in use at 20");
static_assert(offsetof(InstallerVarTable, Names) == 24, "name slots at 24");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(InstallerVarTable, Values) == 28, "value slots at 28");
static_assert(sizeof(InstallerVarTable) == 32, "the 32-bit table header is 32 bytes");
#else
static_assert(offsetof(InstallerVarTable, Values) == 32, "value slots at 32");
static_assert(sizeof(InstallerVarTable) == 40, "the 64-bit table header is 40 bytes");
#endif

// The module's own value buffers: at most 79 characters.
constexpr size_t kSetupTextSize = 80;

// The search index is a 16-bit counter: a table never holds more variables.
constexpr uint32_t kMaxVariables = 0xFFFF;
// No installer uses slots anywhere near this large; beyond it the header is
// taken for garbage.
constexpr uint32_t kMaxSlotSize = 4096;

// 1 when the header describes slots the module may use: both slot addresses
// set, slot sizes between 1 and kMaxSlotSize, capacity at most kMaxVariables,
// no more variables in use than the capacity and neither slot array running
// past the end of the address space.
int IsUsableTable(const InstallerVarTable *table);

// Copies the value of the variable `name` into dest (dest holds destSize
// bytes; a longer value is cut and always terminated). A variable that is
// not found, or an unusable table, leaves dest empty. Returns 1 when found.
int GetVariable(const InstallerVarTable *table, const char *name, char *dest, size_t destSize);

// Writes value into the variable `name`, appending the variable when it does
// not exist and there is room. A value longer than the value slot is cut to
// fit; a name that does not fit the name slot is not appended. A full or
// unusable table is left alone. Returns 1 when the value was written.
int SetVariable(InstallerVarTable *table, const char *name, const char *value);

}  // namespace nuvsetup
