#pragma once
// The configuration window: a skinned panel with the General and Transfers
// tabs over a working copy of the settings; OK and Apply store it, Cancel
// and the close box drop it. One at a time.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "config/config_copy.h"
#include "skin/buttons.h"

constexpr int kConfigWidth = 317;
constexpr int kConfigHeight = 314;
constexpr int kConfigButtonsId = 101;
constexpr int kConfigPageTemplate = 5;

// Codes of the skin buttons.
constexpr int kConfigBtnOk = 1;
constexpr int kConfigBtnCancel = 2;
constexpr int kConfigBtnApply = 3;
constexpr int kConfigBtnClose = 4;

extern const SkinButton BTN_CONFIG_Ok, BTN_CONFIG_Cancel, BTN_CONFIG_Apply, BTN_CONFIG_Help;
extern const struct SkinButtonLayer ConfigButtonLayer;
extern int ConfigButtonPressed;

// The window's own record, kept in its user data.
struct ConfigWindowData {
  HWND hTab;      // the tab control, or null when it could not be made
  HWND hPage;     // the page under the tabs
  HWND hIcon;     // the product's icon and name inside the tab control
  HWND hProduct;
  int currentKey; // key of the page built, kConfigTabNone for none
};
ConfigWindowData *GetConfigData();

int RegisterConfigClass(HINSTANCE instance);
int RegisterConfigButtonClass(HINSTANCE instance);
int CreateConfigWindow(HINSTANCE instance, HWND owner, int key);
int SelectConfigTab(int key);
void SetControlsOnOff();

LRESULT CALLBACK ConfigWndProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK NewTabProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ConfigButtonProc(HWND, UINT, WPARAM, LPARAM);

// Pages (config_page.cpp).
void BuildConfigTabs(HWND window, ConfigWindowData *data);
// Builds the page of key from the working copy.
void BuildConfigPage(ConfigWindowData *data, int key);
// Asks the current page to let go: 0 when it did (its controls are gone),
// non-zero when it refuses.
int LeaveConfigPage(ConfigWindowData *data);
LRESULT DoTabbedDialog(HWND page, WPARAM wParam, LPARAM lParam);
