// The configuration window's tabs and the page under them: the General
// page's check boxes, the Transfers page's number and description fields,
// each built from the working copy whenever it becomes current and let go
// before another one is built.

#include "config/win32/config_window.h"

#include <commctrl.h>

#include <cstdio>

#include "config/settings.h"
#include "config/validate.h"
#include "platform/message_box.h"
#include "shell/msgbox.h"

namespace {

// The light panel of the skin, under the page.
constexpr COLORREF kPanel = RGB(231, 235, 239);
HBRUSH g_panelBrush;

constexpr int kPageLeft = 20, kPageTop = 128, kPageWidth = 277, kPageHeight = 132;
constexpr int kNumberX = 15, kNumberWidth = 93;
constexpr int kNameX = 114, kNameWidth = 144;
constexpr int kFieldHeight = 20, kRowStep = 24;
constexpr int kLabelNumberId = 210, kLabelNameId = 211;

// The page's controls while it is built.
HWND g_boxes[kConfigMaxBoxes];
int g_boxCount;
HWND g_labels[2];

HWND Child(HWND parent, const char *cls, const char *text, DWORD style, int x, int y, int w, int h,
           int id) {
  HWND control =
      CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), hInst, nullptr);
  if (control) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(hnewCTRLfont), FALSE);
  return control;
}

// The extent of a text in the control font.
SIZE TextExtent(HWND window, const char *text) {
  SIZE size = {0, 0};
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, hnewCTRLfont);
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size;
}

void BuildGeneral(HWND page) {
  ConfigCheckBox boxes[kConfigMaxBoxes];
  g_boxCount = ConfigGeneralBoxes(GetUserService(), boxes);
  for (int i = 0; i < g_boxCount; ++i) {
    char label[96];
    LoadStringA(hInst, boxes[i].label, label, sizeof label);
    const DWORD style = BS_AUTOCHECKBOX | WS_TABSTOP | (i == 0 ? WS_GROUP : 0);
    HWND box = Child(page, "BUTTON", label, style, boxes[i].x, boxes[i].y, 10, 10, boxes[i].id);
    // As wide as its label with room for the box, as high as the text.
    const SIZE extent = TextExtent(page, label);
    SetWindowPos(box, nullptr, 0, 0, extent.cx + GetSystemMetrics(SM_CXMENUCHECK) + 10, extent.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const char *flag = ConfigFlagOf(boxes[i].id);
    SendMessageA(box, BM_SETCHECK, flag && flag[0] == '1' ? BST_CHECKED : BST_UNCHECKED, 0);
    g_boxes[i] = box;
  }
  SetControlsOnOff();
}

void BuildTransfers(HWND page) {
  char text[64];
  LoadStringA(hInst, kIdsConfigNumber, text, sizeof text);
  const SIZE extent = TextExtent(page, text);
  g_labels[0] = Child(page, "STATIC", text, 0, kNumberX, 6, kNumberWidth, extent.cy, kLabelNumberId);
  LoadStringA(hInst, kIdsConfigDescription, text, sizeof text);
  g_labels[1] = Child(page, "STATIC", text, 0, kNameX, 6, kNameWidth, extent.cy, kLabelNameId);

  const int firstRow = 6 + extent.cy + 6;
  for (int s = 0; s < kTransferSlots; ++s) {
    const int y = firstRow + s * kRowStep;
    HWND number = Child(page, "EDIT", TransferCopy.Number[s],
                        WS_BORDER | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, kNumberX, y,
                        kNumberWidth, kFieldHeight, TransferNumberFieldId(s));
    HWND name = Child(page, "EDIT", TransferCopy.Name[s], WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                      kNameX, y, kNameWidth, kFieldHeight, TransferNameFieldId(s));
    SendMessageA(number, EM_LIMITTEXT, kTransferNumberMax, 0);
    SendMessageA(name, EM_LIMITTEXT, kTransferNameMax, 0);
    SendMessageA(number, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(1, 3));
    SendMessageA(name, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(1, 3));
    TransferCopy.hNumberField[s] = number;
    TransferCopy.hNameField[s] = name;
  }
}

void DestroyGeneral() {
  for (int i = 0; i < g_boxCount; ++i)
    if (g_boxes[i]) DestroyWindow(g_boxes[i]);
  g_boxCount = 0;
}

void DestroyTransfers() {
  // Forget the handles first: a field losing the focus as it goes still
  // reports, and must not be written back to.
  HWND fields[2 * kTransferSlots];
  for (int s = 0; s < kTransferSlots; ++s) {
    fields[2 * s] = static_cast<HWND>(TransferCopy.hNumberField[s]);
    fields[2 * s + 1] = static_cast<HWND>(TransferCopy.hNameField[s]);
    TransferCopy.hNumberField[s] = nullptr;
    TransferCopy.hNameField[s] = nullptr;
  }
  for (HWND field : fields)
    if (field) DestroyWindow(field);
  for (HWND &label : g_labels) {
    if (label) DestroyWindow(label);
    label = nullptr;
  }
}

int TabIndexOfKey(HWND tab, int key) {
  const int count = TabCtrl_GetItemCount(tab);
  for (int i = 0; i < count; ++i) {
    TCITEMA item = {};
    item.mask = TCIF_PARAM;
    if (TabCtrl_GetItem(tab, i, &item) && item.lParam == key) return i;
  }
  return -1;
}

void InsertTab(HWND tab, int index, unsigned textId, int key) {
  char text[64];
  LoadStringA(hInst, textId, text, sizeof text);
  TCITEMA item = {};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = text;
  item.lParam = key;
  TabCtrl_InsertItem(tab, index, &item);
}

// The product's icon and name stand on the tab control's body, whatever
// colour the current visual style gives it.
LRESULT CALLBACK TabBodyProc(HWND tab, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR) {
  if (message == WM_CTLCOLORSTATIC) {
    SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(tab, TabBodyProc, 1);
  return DefSubclassProc(tab, message, wParam, lParam);
}

}  // namespace

void BuildConfigTabs(HWND window, ConfigWindowData *data) {
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_TAB_CLASSES};
  InitCommonControlsEx(&init);
  data->hTab = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                               270, 65, window, nullptr, hInst, nullptr);
  if (!data->hTab) {
    stringMessageBox(window, kIdsComctlCaption, kIdsComctlText, kMbIconWarning);
  } else {
    SendMessageA(data->hTab, WM_SETFONT, reinterpret_cast<WPARAM>(hnewCTRLfont), FALSE);
    SetWindowSubclass(data->hTab, TabBodyProc, 1, 0);
    int keys[kConfigMaxTabs];
    int unsupported = 0;
    const int count = ConfigTabsForService(GetUserService(), keys, &unsupported);
    if (unsupported) std::fputs("Unsupported service type.\n", stderr);
    for (int i = 0; i < count; ++i)
      InsertTab(data->hTab, i, keys[i] == kConfigTabGeneral ? kIdsConfigTabGeneral
                                                            : kIdsConfigTabTransfers, keys[i]);
    RECT r = {0, 0, 269, 65};
    TabCtrl_AdjustRect(data->hTab, TRUE, &r);
    OffsetRect(&r, 24, 74);
    SetWindowPos(data->hTab, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top - 14,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  if (!g_panelBrush) g_panelBrush = CreateSolidBrush(kPanel);
  data->hPage = CreateDialogParamA(hInst, MAKEINTRESOURCEA(kConfigPageTemplate), window, NewTabProc, 0);
  if (data->hPage)
    SetWindowPos(data->hPage, nullptr, kPageLeft, kPageTop, kPageWidth, kPageHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);

  if (data->hTab) {
    data->hIcon = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON, 14, 32, 32, 33,
                                  data->hTab, nullptr, hInst, nullptr);
    SendMessageA(data->hIcon, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadIconA(hInst, "ICON2")), 0);
    char product[64];
    LoadStringA(hInst, kIdsConfigProduct, product, sizeof product);
    data->hProduct = CreateWindowExA(0, "STATIC", product, WS_CHILD | WS_VISIBLE, 57, 42, 200, 18,
                                     data->hTab, nullptr, hInst, nullptr);
    SendMessageA(data->hProduct, WM_SETFONT, reinterpret_cast<WPARAM>(hnewsfont), FALSE);
  }
  BuildConfigPage(data, kConfigTabGeneral);
}

void BuildConfigPage(ConfigWindowData *data, int key) {
  if (!data->hPage) return;
  if (key == kConfigTabTransfers) BuildTransfers(data->hPage);
  else BuildGeneral(data->hPage);
  data->currentKey = key == kConfigTabTransfers ? kConfigTabTransfers : kConfigTabGeneral;
  hDlgCurrent = data->hPage;
}

int LeaveConfigPage(ConfigWindowData *data) {
  if (data->currentKey == kConfigTabGeneral) {
    DestroyGeneral();
  } else if (data->currentKey == kConfigTabTransfers) {
    if (ConfigTransfersVeto(hConfigWnd)) return 1;
    DestroyTransfers();
    DefragmentTransferNumbers();
  }
  data->currentKey = kConfigTabNone;
  return 0;
}

int SelectConfigTab(int key) {
  ConfigWindowData *data = GetConfigData();
  if (!data || !data->hTab || key == kConfigTabNone) return 0;
  const int index = TabIndexOfKey(data->hTab, key);
  if (index < 0) return 0;
  if (LeaveConfigPage(data)) return 0;
  TabCtrl_SetCurSel(data->hTab, index);
  BuildConfigPage(data, key);
  return 1;
}

void SetControlsOnOff() {
  ConfigWindowData *data = GetConfigData();
  if (!data || !data->hPage) return;
  const BOOL on = ConfigDependentsEnabled() ? TRUE : FALSE;
  if (HWND box = GetDlgItem(data->hPage, kIdcConfigHangup)) EnableWindow(box, on);
  if (HWND box = GetDlgItem(data->hPage, kIdcConfigUseAol)) EnableWindow(box, on);
}

LRESULT DoTabbedDialog(HWND page, WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  if (id == IDOK) {
    // Enter moves on to the next field, as Tab does.
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_TAB;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof keys[0]);
    return 0;
  }
  if (ConfigFlagOf(id)) {
    if (code == BN_CLICKED &&
        ConfigCheckBoxChanged(id, SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED))
      SetControlsOnOff();
    return 0;
  }
  for (int s = 0; s < kTransferSlots; ++s) {
    if (control && control == TransferCopy.hNumberField[s]) {
      char text[kTransferNumberMax + 1];
      GetWindowTextA(control, text, sizeof text);
      ConfigNumberEdited(s, text, code == EN_KILLFOCUS, hConfigWnd);
      return 0;
    }
    if (control && control == TransferCopy.hNameField[s]) {
      char text[kTransferNameMax + 1];
      GetWindowTextA(control, text, sizeof text);
      ConfigNameEdited(s, text);
      return 0;
    }
  }
  (void)page;
  return 0;
}

INT_PTR CALLBACK NewTabProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return FALSE;
    case WM_COMMAND:
      DoTabbedDialog(page, wParam, lParam);
      return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, kPanel);
      return reinterpret_cast<INT_PTR>(g_panelBrush);
    }
    default:
      return FALSE;
  }
}
