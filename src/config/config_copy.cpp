#include "config/config_copy.h"

#include <cstring>

#include "config/config.h"
#include "config/settings.h"
#include "config/validate.h"
#include "platform/ui.h"

ConfigFlags ConfigCopyFlags;

namespace {

// A flag is tested by its first character: that one character is the copy.
void TakeFlag(char (&flag)[2], const char *field) {
  flag[0] = field[0];
  flag[1] = '\0';
}

void GiveFlag(char *field, const char (&flag)[2]) {
  field[0] = flag[0];
  field[1] = '\0';
}

// Copies at most maxChars characters of text (read no further) into dst.
void CopyCut(char *dst, const char *text, size_t maxChars) {
  size_t n = 0;
  if (text)
    while (n < maxChars && text[n] != '\0') ++n;
  if (n) std::memmove(dst, text, n);
  dst[n] = '\0';
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kTransferSlots; }

bool HasTransfers(long service) { return service == 1 || service == 2 || service == 4; }

}  // namespace

void LoadConfigCopy() {
  TakeFlag(ConfigCopyFlags.MINIMIZE, Config.MINIMIZE);
  TakeFlag(ConfigCopyFlags.AUTOLOG, Config.AUTOLOG);
  TakeFlag(ConfigCopyFlags.SOUND, Config.SOUND);
  TakeFlag(ConfigCopyFlags.RAS, Config.RAS);
  TakeFlag(ConfigCopyFlags.HANGUP, Config.HANGUP);
  TakeFlag(ConfigCopyFlags.USEAOL, Config.USEAOL);
  LoadTransferCopy();
}

void SaveNewSettings() {
  StoreTransferCopy();
  GiveFlag(Config.MINIMIZE, ConfigCopyFlags.MINIMIZE);
  GiveFlag(Config.AUTOLOG, ConfigCopyFlags.AUTOLOG);
  GiveFlag(Config.SOUND, ConfigCopyFlags.SOUND);
  GiveFlag(Config.RAS, ConfigCopyFlags.RAS);
  GiveFlag(Config.HANGUP, ConfigCopyFlags.HANGUP);
  GiveFlag(Config.USEAOL, ConfigCopyFlags.USEAOL);
  SaveInfoFile();
}

int ConfigTabsForService(long service, int keys[kConfigMaxTabs], int *unsupported) {
  if (unsupported) *unsupported = service < -1 || service > 4;
  keys[0] = kConfigTabGeneral;
  if (!HasTransfers(service)) return 1;
  keys[1] = kConfigTabTransfers;
  return 2;
}

int ConfigGeneralBoxes(long service, ConfigCheckBox boxes[kConfigMaxBoxes]) {
  int n = 0;
  boxes[n++] = {kIdcConfigMinimize, kIdsConfigMinimize, 52, 2};
  boxes[n++] = {kIdcConfigSound, kIdsConfigSound, 52, 22};
  boxes[n++] = {kIdcConfigRas, kIdsConfigRas, 52, 42};
  const bool hangup = HasTransfers(service);
  if (hangup) boxes[n++] = {kIdcConfigHangup, kIdsConfigHangup, 64, 62};
  boxes[n++] = {kIdcConfigUseAol, kIdsConfigUseAol, 64, hangup ? 82 : 62};
  return n;
}

char *ConfigFlagOf(int controlId) {
  switch (controlId) {
    case kIdcConfigMinimize:
      return ConfigCopyFlags.MINIMIZE;
    case kIdcConfigSound:
      return ConfigCopyFlags.SOUND;
    case kIdcConfigRas:
      return ConfigCopyFlags.RAS;
    case kIdcConfigHangup:
      return ConfigCopyFlags.HANGUP;
    case kIdcConfigUseAol:
      return ConfigCopyFlags.USEAOL;
    default:
      return nullptr;
  }
}

int ConfigCheckBoxChanged(int controlId, int checked) {
  char *flag = ConfigFlagOf(controlId);
  if (!flag) return 0;
  flag[0] = checked ? '1' : '0';
  flag[1] = '\0';
  return controlId == kIdcConfigRas || controlId == kIdcConfigHangup ||
         controlId == kIdcConfigUseAol;
}

int ConfigDependentsEnabled() { return ConfigCopyFlags.RAS[0] == '1'; }

void ConfigNumberEdited(int slot, const char *text, int lostFocus, PlatWindow owner) {
  if (!ValidSlot(slot)) return;
  char *number = TransferCopy.Number[slot];
  CopyCut(number, text, kTransferNumberMax);
  if (!lostFocus) return;
  CopyCut(number, MakePhoneNumberPretty(number), kTransferNumberMax);
  PlatSetControlText(TransferCopy.hNumberField[slot], number);
  DoNumberCrossCheck(owner, slot, 1);
}

void ConfigNameEdited(int slot, const char *text) {
  if (!ValidSlot(slot)) return;
  CopyCut(TransferCopy.Name[slot], text, kTransferNameMax);
}

int ConfigTransfersVeto(PlatWindow owner) { return CheckAllTransferNumbers(owner, 1) ? 0 : 1; }
