// The installer's variable table, built in memory.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "setup/variables.h"

using namespace nuvsetup;

namespace {

// A table with its slots, as an installer lays it out. Guard bytes follow
// each slot array so that a write past it shows.
template <uint32_t Capacity, uint32_t NameSize, uint32_t ValueSize>
struct Rig {
  static constexpr size_t kGuard = 16;
  InstallerVarTable table{};
  char names[Capacity * NameSize + kGuard];
  char values[Capacity * ValueSize + kGuard];

  Rig() {
    std::memset(names, '#', sizeof names);
    std::memset(values, '#', sizeof values);
    table.Capacity = Capacity;
    table.NameSlotSize = NameSize;
    table.ValueSlotSize = ValueSize;
    table.Names = names;
    table.Values = values;
  }
  void Add(const char *name, const char *value) {
    std::snprintf(names + table.InUse * NameSize, NameSize, "%s", name);
    std::snprintf(values + table.InUse * ValueSize, ValueSize, "%s", value);
    ++table.InUse;
  }
  std::string Name(uint32_t i) const { return std::string(names + i * NameSize); }
  std::string Value(uint32_t i) const { return std::string(values + i * ValueSize); }
  bool GuardsIntact() const {
    for (size_t i = 0; i < kGuard; ++i)
      if (names[Capacity * NameSize + i] != '#' || values[Capacity * ValueSize + i] != '#') return false;
    return true;
  }
};

std::string Get(const InstallerVarTable *table, const char *name) {
  char out[kSetupTextSize];
  std::memset(out, 'x', sizeof out);
  GetVariable(table, name, out, sizeof out);
  return out;
}

}  // namespace

TEST(SetupVariables, FindsFramedNamesCaseSensitively) {
  Rig<8, 32, 64> rig;
  rig.Add("%SRCDIR%", "C:\\SETUP");
  rig.Add("%nuvnumber%", "lower case");
  rig.Add("%NUVNUMBER%", "(204) 555-3636");
  rig.Add("NUVPASSWORD", "unframed");
  EXPECT_EQ(Get(&rig.table, "NUVNUMBER"), "(204) 555-3636");
  EXPECT_EQ(Get(&rig.table, "SRCDIR"), "C:\\SETUP");
  EXPECT_EQ(Get(&rig.table, "NUVPASSWORD"), "");  // only the framed name counts
  EXPECT_EQ(Get(&rig.table, "Nuvnumber"), "");
  EXPECT_EQ(Get(&rig.table, "TARGETDIR"), "");
}

TEST(SetupVariables, SetOverwritesExistingAndAppendsMissing) {
  Rig<8, 32, 64> rig;
  rig.Add("%SRCDIR%", "C:\\SETUP");
  rig.Add("%NUVNUMBER%", "old");
  ASSERT_EQ(SetVariable(&rig.table, "NUVNUMBER", "(204) 555-3636"), 1);
  EXPECT_EQ(rig.table.InUse, 2u);
  EXPECT_EQ(rig.Value(1), "(204) 555-3636");

  ASSERT_EQ(SetVariable(&rig.table, "NUVPASSWORD", "secret"), 1);
  ASSERT_EQ(rig.table.InUse, 3u);
  EXPECT_EQ(rig.Name(2), "%NUVPASSWORD%");
  EXPECT_EQ(rig.Value(2), "secret");
  EXPECT_EQ(rig.Value(0), "C:\\SETUP");

  // A lower-case twin is a different variable.
  ASSERT_EQ(SetVariable(&rig.table, "nuvpassword", ""), 1);
  EXPECT_EQ(rig.table.InUse, 4u);
  EXPECT_EQ(rig.Value(2), "secret");
  EXPECT_TRUE(rig.GuardsIntact());
}

TEST(SetupVariables, FullTableDropsNewVariableButUpdatesExisting) {
  Rig<2, 32, 64> rig;
  rig.Add("%A%", "1");
  rig.Add("%NUVNUMBER%", "old");
  EXPECT_EQ(SetVariable(&rig.table, "NUVPASSWORD", "secret"), 0);
  EXPECT_EQ(rig.table.InUse, 2u);
  EXPECT_EQ(SetVariable(&rig.table, "NUVNUMBER", "new"), 1);
  EXPECT_EQ(rig.Value(1), "new");
  EXPECT_TRUE(rig.GuardsIntact());
}

TEST(SetupVariables, LongValuesAreCutToTheSmallerSide) {
  // A stored value longer than the module's 80 bytes arrives cut to 79.
  Rig<4, 32, 200> big;
  const std::string longValue(150, 'v');
  big.Add("%NUVNUMBER%", longValue.c_str());
  EXPECT_EQ(Get(&big.table, "NUVNUMBER"), std::string(kSetupTextSize - 1, 'v'));

  // A value slot without its terminator is read up to the slot's end only.
  Rig<2, 32, 8> tight;
  tight.Add("%NUVNUMBER%", "");
  std::memset(tight.values, '7', 8);
  std::memset(tight.values + 8, 'X', 8);  // the next slot
  EXPECT_EQ(Get(&tight.table, "NUVNUMBER"), "77777777");

  // A write never passes the value slot: cut and terminated in place.
  Rig<2, 32, 8> small;
  ASSERT_EQ(SetVariable(&small.table, "NUVNUMBER", "(204) 555-3636"), 1);
  EXPECT_EQ(small.Value(0), "(204) 5");
  EXPECT_TRUE(small.GuardsIntact());
  EXPECT_EQ(small.values[8], '#');  // the next slot is untouched
}

TEST(SetupVariables, NameThatDoesNotFitItsSlotIsNeverAppended) {
  Rig<4, 10, 32> rig;  // "%NUVNUMBER%" needs 12 bytes
  EXPECT_EQ(SetVariable(&rig.table, "NUVNUMBER", "(204) 555-3636"), 0);
  EXPECT_EQ(rig.table.InUse, 0u);
  EXPECT_EQ(Get(&rig.table, "NUVNUMBER"), "");
  EXPECT_TRUE(rig.GuardsIntact());
  // A slot filled to its end with the name's first bytes is no match.
  std::memcpy(rig.names, "%NUVNUMBER", 10);
  rig.table.InUse = 1;
  EXPECT_EQ(Get(&rig.table, "NUVNUMBER"), "");
}

TEST(SetupVariables, DamagedHeadersAreLeftAlone) {
  struct Case {
    const char *what;
    void (*damage)(InstallerVarTable &);
  };
  const Case cases[] = {
      {"no name slots", [](InstallerVarTable &t) { t.Names = nullptr; }},
      {"no value slots", [](InstallerVarTable &t) { t.Values = nullptr; }},
      {"zero name slot", [](InstallerVarTable &t) { t.NameSlotSize = 0; }},
      {"zero value slot", [](InstallerVarTable &t) { t.ValueSlotSize = 0; }},
      {"huge name slot", [](InstallerVarTable &t) { t.NameSlotSize = 0x7FFFFFFF; }},
      {"huge value slot", [](InstallerVarTable &t) { t.ValueSlotSize = 0xFFFFFFFF; }},
      {"more in use than capacity", [](InstallerVarTable &t) { t.InUse = t.Capacity + 1; }},
      {"capacity past the 16-bit index", [](InstallerVarTable &t) { t.Capacity = 0x10000; }},
      {"slots wrap the address space",
       [](InstallerVarTable &t) { t.Values = reinterpret_cast<char *>(UINTPTR_MAX - 100); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Rig<4, 32, 32> rig;
    rig.Add("%NUVNUMBER%", "(204) 555-3636");
    InstallerVarTable damaged = rig.table;
    c.damage(damaged);
    const InstallerVarTable before = damaged;
    EXPECT_EQ(IsUsableTable(&damaged), 0);
    EXPECT_EQ(Get(&damaged, "NUVNUMBER"), "");
    EXPECT_EQ(SetVariable(&damaged, "NUVNUMBER", "x"), 0);
    EXPECT_EQ(SetVariable(&damaged, "NUVPASSWORD", "x"), 0);
    EXPECT_EQ(std::memcmp(&before, &damaged, sizeof before), 0);
    EXPECT_EQ(rig.Value(0), "(204) 555-3636");
    EXPECT_TRUE(rig.GuardsIntact());
  }
  EXPECT_EQ(IsUsableTable(nullptr), 0);
  EXPECT_EQ(SetVariable(nullptr, "NUVNUMBER", "x"), 0);
  char out[4] = "abc";
  EXPECT_EQ(GetVariable(nullptr, "NUVNUMBER", out, sizeof out), 0);
  EXPECT_STREQ(out, "");
}

TEST(SetupVariables, LargestSaneTableIsUsed) {
  // 65535 variables is the most the 16-bit search reaches; the last is found.
  static char names[0xFFFF * 16];
  static char values[0xFFFF * 4];
  std::memset(names, 0, sizeof names);
  std::memset(values, 0, sizeof values);
  InstallerVarTable table{};
  table.Capacity = 0xFFFF;
  table.NameSlotSize = 16;
  table.ValueSlotSize = 4;
  table.InUse = 0xFFFE;
  table.Names = names;
  table.Values = values;
  ASSERT_EQ(SetVariable(&table, "N", "ok"), 1);
  EXPECT_EQ(table.InUse, 0xFFFFu);
  EXPECT_EQ(Get(&table, "N"), "ok");
  EXPECT_EQ(SetVariable(&table, "M", "no"), 0);
}
