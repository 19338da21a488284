// The configuration window: its skinned frame, its buttons' actions and its
// life from the configuration button to OK, Apply, Cancel or the close box.

#include "config/win32/config_window.h"

#include <commctrl.h>

#include <new>

#include "config/config.h"
#include "config/validate.h"
#include "protocol/event.h"
#include "protocol/nuvproto.h"
#include "shell/main_timer.h"
#include "skin/bands_generated.h"
#include "skin/win32/button_layer.h"
#include "skin/win32/skin.h"

HWND hConfigWnd;
int ConfigButtonPressed;

const SkinButton BTN_CONFIG_Ok = MakeSkinButton(55, 269, 114, 303);
const SkinButton BTN_CONFIG_Cancel = MakeSkinButton(129, 269, 188, 303);
const SkinButton BTN_CONFIG_Apply = MakeSkinButton(203, 269, 262, 303);
const SkinButton BTN_CONFIG_Help = MakeSkinButton(294, 7, 310, 21);

namespace {

// The close box is tested first.
const SkinButtonEntry ConfigButtons[] = {
    {&BTN_CONFIG_Help, kConfigBtnClose},
    {&BTN_CONFIG_Ok, kConfigBtnOk},
    {&BTN_CONFIG_Cancel, kConfigBtnCancel},
    {&BTN_CONFIG_Apply, kConfigBtnApply},
};

void LayerDown(const SkinButtonEntry &button, HWND surface) {
  const RECT r = SkinButtonRect(*button.button);
  DrawConfigButton(&r, surface, 1);
  ConfigButtonPressed = button.code;
}

void LayerUp(const SkinButtonEntry &button, HWND surface) {
  const RECT r = SkinButtonRect(*button.button);
  DrawConfigButton(&r, surface, 0);
  ConfigButtonPressed = 0;
}

// The settings take effect: stored, saved, the protocol told whether the
// line is watched, and the network looked at on the next tick.
void StoreSettings() {
  SaveNewSettings();
  NuvEventConnectionType(&nuvLogin, Config.RAS[0] == '1' ? 1 : 0);
  SetNetWatchDogTimer(1);
}

void LayerAct(int code) {
  ConfigWindowData *data = GetConfigData();
  if (!hConfigWnd) return;
  switch (code) {
    case kConfigBtnOk:
      if (data && LeaveConfigPage(data)) return;
      StoreSettings();
      DestroyWindow(hConfigWnd);
      return;
    case kConfigBtnApply: {
      const int key = data ? data->currentKey : kConfigTabNone;
      if (data && LeaveConfigPage(data)) return;
      // The page again from the tidied copy: the gaps closed, numbers pretty.
      if (data && key != kConfigTabNone) BuildConfigPage(data, key);
      StoreSettings();
      return;
    }
    default:  // Cancel and the close box: the working copy is dropped
      DestroyWindow(hConfigWnd);
      return;
  }
}

LRESULT Do_WM_CREATE(HWND window) {
  hConfigWnd = window;
  OpenHiddenWindow();
  LoadConfigCopy();
  CreateWindowRegion(ConfigRegionRectCount, ConfigRegionRect, window);

  RegisterConfigButtonClass(hInst);
  HWND layer = CreateWindowExA(
      WS_EX_TRANSPARENT, "ConfigButtonClass", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
      kConfigWidth, kConfigHeight, window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kConfigButtonsId)), hInst, nullptr);
  CreateWindowRegion(ConfigButtonsRegionRectCount, ConfigButtonsRegionRect, layer);

  const int x = (GetSystemMetrics(SM_CXSCREEN) - kConfigWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kConfigHeight) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  auto *data = new (std::nothrow) ConfigWindowData{};
  if (!data) return -1;
  data->currentKey = kConfigTabNone;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
  BuildConfigTabs(window, data);
  return 0;
}

LRESULT Do_WM_DESTROY(HWND window) {
  auto *data = reinterpret_cast<ConfigWindowData *>(GetWindowLongPtrA(window, GWLP_USERDATA));
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (data) {
    if (data->hPage && hDlgCurrent == data->hPage) hDlgCurrent = nullptr;
    if (data->hIcon) DestroyWindow(data->hIcon);
    if (data->hProduct) DestroyWindow(data->hProduct);
    delete data;
  }
  for (int s = 0; s < kTransferSlots; ++s) {
    TransferCopy.hNumberField[s] = nullptr;
    TransferCopy.hNameField[s] = nullptr;
  }
  hConfigWnd = nullptr;
  ConfigButtonPressed = 0;
  TryCloseHiddenWindow(nullptr);
  return 0;
}

LRESULT Do_WM_NOTIFY(LPARAM lParam) {
  const NMHDR *header = reinterpret_cast<const NMHDR *>(lParam);
  ConfigWindowData *data = GetConfigData();
  if (!data || header->hwndFrom != data->hTab) return 0;
  if (header->code == static_cast<UINT>(TCN_SELCHANGING)) return LeaveConfigPage(data) ? TRUE : FALSE;
  if (header->code == static_cast<UINT>(TCN_SELCHANGE)) {
    TCITEMA item = {};
    item.mask = TCIF_PARAM;
    const int index = TabCtrl_GetCurSel(data->hTab);
    if (index >= 0 && TabCtrl_GetItem(data->hTab, index, &item))
      BuildConfigPage(data, static_cast<int>(item.lParam));
  }
  return 0;
}

// While the window is active its page takes the dialog keys.
LRESULT Do_WM_ACTIVATE(WPARAM wParam) {
  ConfigWindowData *data = GetConfigData();
  if (!data || !data->hPage) return 0;
  if (LOWORD(wParam) != WA_INACTIVE) hDlgCurrent = data->hPage;
  else if (hDlgCurrent == data->hPage) hDlgCurrent = nullptr;
  return 0;
}

// The whole panel drags the window.
LRESULT Do_WM_NCHITTEST(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT hit = DefWindowProcA(window, message, wParam, lParam);
  return hit == HTCLIENT ? HTCAPTION : hit;
}

LRESULT Do_WM_PARENTNOTIFY(HWND window, WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) != WM_LBUTTONDOWN) return 0;
  SkinLayerPress(ConfigButtonLayer, window, static_cast<short>(LOWORD(lParam)),
                 static_cast<short>(HIWORD(lParam)));
  return 0;
}

LRESULT Do_WM_PALETTECHANGED(HWND window, WPARAM wParam) {
  if (reinterpret_cast<HWND>(wParam) == window) return 0;
  RealizeWindowPalette(window, GethPalette());
  if (HWND layer = GetDlgItem(window, kConfigButtonsId))
    SendMessageA(layer, WM_PALETTECHANGED, wParam, 0);
  return 0;
}

}  // namespace

const SkinButtonLayer ConfigButtonLayer = {ConfigButtons, 4, LayerDown, LayerUp, LayerAct};

ConfigWindowData *GetConfigData() {
  if (!hConfigWnd) return nullptr;
  return reinterpret_cast<ConfigWindowData *>(GetWindowLongPtrA(hConfigWnd, GWLP_USERDATA));
}

HWND GetConfigHandle() { return hConfigWnd; }

int RegisterConfigClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ConfigWndProc;
  wc.cbWndExtra = 30;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // the system's application icon
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = "NUVConfig";
  return RegisterClassA(&wc) != 0;
}

int CreateConfigWindow(HINSTANCE instance, HWND, int key) {
  if (hConfigWnd) {
    SetWindowPos(hConfigWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(hConfigWnd);
    SelectConfigTab(key);
    return 0;
  }
  char title[64];
  LoadStringA(instance, kIdsConfigTitle, title, sizeof title);
  // No owner: the window has its own taskbar entry and outlives a hidden
  // main window.
  CreateWindowExA(0, "NUVConfig", title, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                  kConfigWidth, kConfigHeight, nullptr, nullptr, instance, nullptr);
  SelectConfigTab(key);
  return 1;
}

int OpenConfigureBox(HWND owner, int key) {
  // The class is registered at every opening; "already there" is no fault.
  RegisterConfigClass(hInst);
  CreateConfigWindow(hInst, owner, key);
  return 1;
}

LRESULT CALLBACK ConfigWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return Do_WM_CREATE(window);
    case WM_DESTROY:
      return Do_WM_DESTROY(window);
    case WM_ERASEBKGND:
      DrawConfigBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_NCHITTEST:
      return Do_WM_NCHITTEST(window, message, wParam, lParam);
    case WM_PARENTNOTIFY:
      return Do_WM_PARENTNOTIFY(window, wParam, lParam);
    case WM_NOTIFY:
      return Do_WM_NOTIFY(lParam);
    case WM_ACTIVATE:
      return Do_WM_ACTIVATE(wParam);
    case WM_QUERYNEWPALETTE:
      RealizeWindowPalette(window, GethPalette());
      return TRUE;
    case WM_PALETTECHANGED:
      return Do_WM_PALETTECHANGED(window, wParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
