#include "config/settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "config/validate.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "platform/ras.h"
#include "platform/string_table.h"
#include "protocol/nuvproto.h"
#include "shell/msgbox.h"

int NuvServiceProfile[kServiceClassCount];

namespace {

constexpr int kPathSize = 260;
constexpr int kServiceDefaultLength = 10;
constexpr int kServiceField = 0;  // positions in the key table
constexpr int kDutyField = 25;
constexpr unsigned kDutyDefault = 120;
constexpr int kFieldText = kConfigFieldSize - 1;

// The file is found against the current folder as it is at each load and save.
bool ResolvePath(char (&path)[kPathSize]) {
  return PlatFullPath(kSettingsFileName, path, kPathSize) > 0;
}

void ReportFileError() {
  char caption[128];
  char support[128];
  char text[1024];
  PlatLoadString(kIdsErrorCaption, caption, sizeof caption);
  PlatLoadString(kIdsSupportAddress, support, sizeof support);
  LoadFmtMessage(kIdsConfigFileError, text, sizeof text, support);
  PlatMessageBox(nullptr, text, caption, kMbOk | kMbIconError);
}

void SetField(char *field, const char *text) {
  std::snprintf(field, kConfigFieldSize, "%.*s", kFieldText, text);
}

// Writes every key; 1 when every write succeeded. The keys are written into
// a staging copy of the file, which replaces it only when all are in: a
// crash during the save leaves the whole old file or the whole new one, never
// a mixture. A failed save leaves the file as it was.
int SaveAll() {
  char path[kPathSize];
  if (!ResolvePath(path)) return 0;
  char staging[kPathSize + sizeof kPlatReplaceSuffix];
  if (!PlatSaveBegin(path, staging, sizeof staging)) return 0;
  NuvProtoSaveConfig(&nuvLogin, kSettingsSection, staging);
  int ok = 1;
  for (int i = 0; i < kConfigFieldCount; ++i) {
    // Fields are written in place by many hands; never trust the terminator.
    char value[kConfigFieldSize];
    SetField(value, ConfigField[i]);
    if (!PlatWriteProfileString(kSettingsSection, ProfileKeys[i], value, staging)) ok = 0;
  }
  if (!ok) {
    PlatSaveAbandon(staging);
    return 0;
  }
  return PlatSaveCommit(staging, path);
}

bool IsKnownVersion(const char *version) {
  return std::strncmp(version, "7.0", kConfigFieldSize) == 0 ||
         std::strncmp(version, "6.0", kConfigFieldSize) == 0;
}

}  // namespace

void FillServiceProfile(const char *flags) {
  for (int i = 0; i < kServiceClassCount; ++i) NuvServiceProfile[i] = 0;
  if (!flags) return;
  for (int i = 0; i < kServiceClassCount && flags[i]; ++i) NuvServiceProfile[i] = flags[i] == '1';
}

void InitServiceProfile() {
  char flags[96];
  PlatLoadString(kIdsServiceProfile, flags, sizeof flags);
  FillServiceProfile(flags);
}

void InitDefaultService(const char *text) {
  std::snprintf(IniDefault[kServiceField], kConfigFieldSize, "%.*s", kServiceDefaultLength,
                text ? text : "");
}

int GetInfoFile() {
  std::snprintf(IniDefault[kDutyField], kConfigFieldSize, "%u", kDutyDefault);
  char path[kPathSize];
  const bool havePath = ResolvePath(path);

  for (int i = 0; i < kConfigFieldCount; ++i) {
    ConfigField[i][0] = '\0';
    if (havePath)
      PlatGetProfileString(kSettingsSection, ProfileKeys[i], IniDefault[i], ConfigField[i],
                           kConfigFieldSize, path);
    if (!ConfigField[i][0]) SetField(ConfigField[i], IniDefault[i]);
  }

  // The trace window opens at start only on request of OBXPROTOWIN, whatever
  // DEBUG the file held.
  char window[kConfigFieldSize] = "";
  if (havePath)
    PlatGetProfileString(kSettingsSection, "OBXPROTOWIN", "", window, sizeof window, path);
  SetField(Config.DEBUG, window[0] == 'W' ? "1" : "0");

  if (havePath) NuvProtoReadConfig(&nuvLogin, kSettingsSection, path);

  // A file of a version the program does not know is rewritten as this
  // version's, in the one save, so that a crash cannot leave a half-way file.
  if (!IsKnownVersion(Config.VERSION)) SetField(Config.VERSION, "7.0");
  const int ok = SaveAll();
  if (!ok) ReportFileError();
  return ok;
}

int SaveInfoFile() {
  if (SaveAll()) return 1;
  ReportFileError();
  return 0;
}

long GetUserService() {
  char text[kConfigFieldSize];
  SetField(text, Config.SERVICE);
  return std::strtol(text, nullptr, 10);
}

void GetUserServiceName(char *buf, int size) {
  if (!buf || size <= 0) return;
  const long service = GetUserService();
  unsigned id = kIdsServiceUnknown;
  if (service >= 0 && service <= 3) id = kIdsServiceUnknown + 1 + static_cast<unsigned>(service);
  if (service == 4) id = 0;  // this type is known by its number only
  if (id && PlatLoadString(id, buf, size) > 0) return;
  std::snprintf(buf, static_cast<size_t>(size), "%.*s", kFieldText, Config.SERVICE);
}

int GetTransferNumberCount() {
  const char *numbers[] = {Config.NUMBER1, Config.NUMBER2, Config.NUMBER3, Config.NUMBER4};
  int count = 0;
  for (const char *n : numbers) count += n[0] != '\0';
  return count;
}

char *GetConfigPassword() { return Config.PASSWORD; }

int CheckConfigPassword() { return CheckPassword(nullptr, Config.PASSWORD, 0, 0); }

int CheckConfigNUVNumber() { return CheckNUVNumber(nullptr, Config.USERID, 0); }

int SoundIsOn() { return Config.SOUND[0] == '1'; }

char GetConfigRas() { return Config.RAS[0]; }

void SetUpRas() { PlatSetUpRas(); }
