#pragma once
// The settings record: one 40-byte text field per key of section PARAMS of
// NUV.INI. Numbers are decimal text, flags "1"/"0" tested by their first
// character.

#include <array>
#include <cstddef>

constexpr int kConfigFieldCount = 44;
constexpr int kConfigFieldSize = 40;  // at most 39 characters

struct ConfigRecord {
  char SERVICE[kConfigFieldSize];
  char VERSION[kConfigFieldSize];
  char USERID[kConfigFieldSize];
  char PASSWORD[kConfigFieldSize];
  char IP1ADDR[kConfigFieldSize];
  char IP1PORT[kConfigFieldSize];
  char IP2ADDR[kConfigFieldSize];
  char IP2PORT[kConfigFieldSize];
  char REDIRECTADDR[kConfigFieldSize];
  char REDIRECTPORT[kConfigFieldSize];
  char IPLASTCONNECTED[kConfigFieldSize];
  char NAME1[kConfigFieldSize];
  char NUMBER1[kConfigFieldSize];
  char TIME1[kConfigFieldSize];
  char NAME2[kConfigFieldSize];
  char NUMBER2[kConfigFieldSize];
  char TIME2[kConfigFieldSize];
  char NAME3[kConfigFieldSize];
  char NUMBER3[kConfigFieldSize];
  char TIME3[kConfigFieldSize];
  char NAME4[kConfigFieldSize];
  char NUMBER4[kConfigFieldSize];
  char TIME4[kConfigFieldSize];
  char PACKETTIMEOUT[kConfigFieldSize];
  char PACKETRESENDS[kConfigFieldSize];
  char DUTY[kConfigFieldSize];
  char AUTOLOG[kConfigFieldSize];
  char MINIMIZE[kConfigFieldSize];
  char RAS[kConfigFieldSize];
  char SOUND[kConfigFieldSize];
  char VOLUME[kConfigFieldSize];
  char HANGUP[kConfigFieldSize];
  char SIGNATURE[kConfigFieldSize];
  char REGION[kConfigFieldSize];
  char DEBUG[kConfigFieldSize];
  char USEAOL[kConfigFieldSize];
  char AOLTIMER[kConfigFieldSize];
  char SHOWNOTIFY[kConfigFieldSize];
  char SHOWIGNORE[kConfigFieldSize];
  char SHOWANSWER[kConfigFieldSize];
  char CUSTOMIZENUMBER[kConfigFieldSize];
  char CUSTOMIZEPIN[kConfigFieldSize];
  char CUSTOMNOTIFY[kConfigFieldSize];
  char CUSTOMANSWER[kConfigFieldSize];
};
static_assert(sizeof(ConfigRecord) == kConfigFieldCount * kConfigFieldSize,
              "the record is 44 packed fields of 40 bytes");

// The one process-wide settings record, zero-filled at start.
extern ConfigRecord Config;

// The three parallel tables, in the order of reading and writing.
extern const std::array<const char *, kConfigFieldCount> ProfileKeys;
// Defaults; writable, since the SERVICE and DUTY defaults are set at run time.
extern std::array<char[kConfigFieldSize], kConfigFieldCount> IniDefault;
extern const std::array<char *, kConfigFieldCount> ConfigField;
