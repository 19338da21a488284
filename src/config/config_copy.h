#pragma once
// The configuration window's decisions, apart from its window: the working
// copy of the editable settings, which tabs and check boxes a service type
// gets and where, what each control changes, and the rules for leaving a
// page and for saving. The window only shows and forwards.
//
// The working copy is the four transfer destinations of TransferCopy (see
// validate.h) and the six flags below. It reaches Config and NUV.INI only
// through SaveNewSettings, whole.

#include "platform/types.h"

// Tab keys, carried in each tab's item data.
constexpr int kConfigTabNone = -1;  // "leave the current tab"
constexpr int kConfigTabGeneral = 1000;
constexpr int kConfigTabTransfers = 1001;
constexpr int kConfigMaxTabs = 2;

// Check boxes of the General page.
constexpr int kIdcConfigMinimize = 105;
constexpr int kIdcConfigSound = 102;
constexpr int kIdcConfigRas = 103;
constexpr int kIdcConfigHangup = 104;
constexpr int kIdcConfigUseAol = 109;
constexpr int kConfigMaxBoxes = 5;

// Strings of the window.
constexpr unsigned kIdsConfigTitle = 1311;
constexpr unsigned kIdsConfigTabGeneral = 1312;
constexpr unsigned kIdsConfigTabTransfers = 1313;
constexpr unsigned kIdsConfigDescription = 1314;
constexpr unsigned kIdsConfigNumber = 1315;
constexpr unsigned kIdsConfigMinimize = 1316;
constexpr unsigned kIdsConfigSound = 1317;
constexpr unsigned kIdsConfigRas = 1318;
constexpr unsigned kIdsConfigUseAol = 1319;
constexpr unsigned kIdsConfigProduct = 1325;
constexpr unsigned kIdsConfigHangup = 1326;
constexpr unsigned kIdsComctlCaption = 1429;
constexpr unsigned kIdsComctlText = 1430;

// The six flags of the working copy, each "0" or "1" (a longer stored value
// is cut to its first character). AUTOLOG has no control and goes back as
// it came.
struct ConfigFlags {
  char MINIMIZE[2];
  char AUTOLOG[2];
  char SOUND[2];
  char RAS[2];
  char HANGUP[2];
  char USEAOL[2];
};
extern ConfigFlags ConfigCopyFlags;

// Fills the working copy from Config: flags, descriptions (cut to 20
// characters) and numbers (cut to 14).
void LoadConfigCopy();

// Copies the working copy into Config and saves NUV.INI.
void SaveNewSettings();

// The tabs of a service type, in order, written to keys; returns their
// count. Services 1, 2 and 4 get General and Transfers; -1, 0 and 3 General
// only. Any other value also gets General only (the subscriber can still set
// the switches that do not depend on the service) and *unsupported is set,
// so that the window can say so in its diagnostics.
int ConfigTabsForService(long service, int keys[kConfigMaxTabs], int *unsupported = nullptr);

// One check box of the General page: control id, label string, position of
// its top-left corner in the page.
struct ConfigCheckBox {
  int id;
  unsigned label;
  int x, y;
};
// The General page's check boxes for a service type, in tab order; returns
// their count. "Confirm Internet disconnections" only where there are
// transfers; "I use AOL" moves up into its place when it is absent.
int ConfigGeneralBoxes(long service, ConfigCheckBox boxes[kConfigMaxBoxes]);

// The working flag a check box edits, or nullptr for another control.
char *ConfigFlagOf(int controlId);

// A check box was clicked: its working flag follows the check state.
// Returns 1 when the dependent boxes must be switched (SetControlsOnOff).
int ConfigCheckBoxChanged(int controlId, int checked);

// Whether "Confirm Internet disconnections" and "I use AOL" are enabled:
// only while the working dial-up flag is on.
int ConfigDependentsEnabled();

// A number field's text changed: the working number takes it (at most 14
// characters). When the field lost the focus, the number becomes its pretty
// form, the field shows it and the row is cross-checked with field updates.
void ConfigNumberEdited(int slot, const char *text, int lostFocus, PlatWindow owner);

// A description field's text changed: the working description takes it (at
// most 20 characters).
void ConfigNameEdited(int slot, const char *text);

// Asks the Transfers page to let go: every number is checked with messages
// owned by `owner`. Returns 0 when it may be left; 1 vetoes (the message has
// been shown and the offending field selected). The caller destroys the
// fields and then calls DefragmentTransferNumbers.
int ConfigTransfersVeto(PlatWindow owner);
