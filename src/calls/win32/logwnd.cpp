// The caller log window: a modeless dialog without owner listing the caller
// list newest first. Rows carry only their record's index; every cell asks
// for its text when drawn, so a change that keeps the count only repaints.

#include "calls/win32/logwnd.h"  // first: Windows Sockets before windows.h

#include <shellapi.h>

#include "calls/callerlist.h"
#include "calls/log_view.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "shell/msgbox.h"

HWND hLogScreen;
HWND hWndListView;

namespace {

constexpr unsigned kTitleText = 1038;
constexpr unsigned kCloseText = 2055;
constexpr unsigned kDeleteText = 2056;
constexpr unsigned kExportText = 2057;
constexpr unsigned kErrorCaption = 1427;
constexpr unsigned kNoListText = 1428;
constexpr int kDefaultCharWidth = 10;

int LogRowCount = 0;
LogSortState LogSort;

void DefaultShellOpen(HWND owner, const char *path) {
  // Failures to open are not reported: the file itself was written.
  ShellExecuteA(owner, "open", path, "", "", SW_SHOWNORMAL);
}
LogShellOpenFn LogShellOpen = DefaultShellOpen;

void SetTextFromTable(HWND window, unsigned textId) {
  char text[260];
  PlatLoadString(textId, text, sizeof text);
  SetWindowTextA(window, text);
}

int CALLBACK LogSortProc(LPARAM a, LPARAM b, LPARAM) {
  return LogCompare(LogSort.column, static_cast<int>(a), static_cast<int>(b), LogSort.direction);
}

int RecordOfRow(HWND listView, int row) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(listView, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
  return static_cast<int>(item.lParam);
}

int AverageCharWidth(HWND dialog) {
  int width = kDefaultCharWidth;
  HDC dc = GetDC(dialog);
  TEXTMETRICA metrics;
  if (dc && GetTextMetricsA(dc, &metrics)) width = metrics.tmAveCharWidth;
  if (dc) ReleaseDC(dialog, dc);
  return width;
}

BOOL Do_WM_INITDIALOG(HWND dialog) {
  hLogScreen = dialog;
  OpenHiddenWindow();
  const int charWidth = AverageCharWidth(dialog);
  SetTextFromTable(GetDlgItem(dialog, kLogCloseId), kCloseText);
  SetTextFromTable(GetDlgItem(dialog, kLogDeleteId), kDeleteText);
  SetTextFromTable(GetDlgItem(dialog, kLogExportId), kExportText);
  SetTextFromTable(dialog, kTitleText);
  hWndListView = CreateListView(dialog);
  if (!hWndListView) stringMessageBox(nullptr, kErrorCaption, kNoListText, kMbOk | kMbIconError);
  Log_AllocEntries(dialog, CallListEnd);
  Log_ResetSortDirection();
  EnableWindow(GetDlgItem(dialog, kLogDeleteId), FALSE);
  if (hWndListView)
    for (int c = 0; c < kLogColumns; ++c)
      SendMessageA(hWndListView, LVM_SETCOLUMNWIDTH, c, LogColumnWidth(c, charWidth));
  return FALSE;  // no default focus
}

void Do_Delete(HWND dialog) {
  if (!hWndListView) return;
  int chosen[kCallerListMax];
  int n = 0;
  for (int row = ListView_GetNextItem(hWndListView, -1, LVNI_SELECTED);
       row >= 0 && n < kCallerListMax;
       row = ListView_GetNextItem(hWndListView, row, LVNI_SELECTED)) {
    const int index = RecordOfRow(hWndListView, row);
    if (index >= 0) chosen[n++] = index;
  }
  if (n == 0) return;
  const int count = LogDeleteRecords(chosen, n);
  EnableWindow(GetDlgItem(dialog, kLogDeleteId), FALSE);
  RequestUpdateLedDisplay();
  Log_AllocEntries(dialog, count);
  Log_Resort(hWndListView);
  VcList(CallListInView);
  VcSaveList();
}

void Do_Export(HWND dialog) {
  SaveCallerFile(dialog);
  char path[256];
  if (LogExportPath(path, sizeof path)) LogShellOpen(dialog, path);
}

void Do_WM_COMMAND(HWND dialog, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case kLogRefresh:
      Log_AllocEntries(dialog, static_cast<int>(lParam));
      Log_ResetSortDirection();
      break;
    case kLogCloseId:
      DestroyWindow(dialog);
      break;
    case kLogDeleteId:
      Do_Delete(dialog);
      break;
    case kLogExportId:
      Do_Export(dialog);
      break;
    default:
      break;
  }
}

void Do_WM_DESTROY() {
  hLogScreen = nullptr;
  hWndListView = nullptr;
  Log_ResetList();
  TryCloseHiddenWindow(nullptr);
}

void Do_LVN_GETDISPINFO(NMHDR *header) {
  if (header->code == LVN_GETDISPINFOA) {
    LVITEMA &item = reinterpret_cast<NMLVDISPINFOA *>(header)->item;
    if (item.mask & LVIF_TEXT)
      item.pszText = const_cast<char *>(LogCellText(static_cast<int>(item.lParam), item.iSubItem));
  } else {
    // A list view that talks Unicode gets a copy in its own buffer.
    LVITEMW &item = reinterpret_cast<NMLVDISPINFOW *>(header)->item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
      const char *text = LogCellText(static_cast<int>(item.lParam), item.iSubItem);
      if (!MultiByteToWideChar(CP_ACP, 0, text, -1, item.pszText, item.cchTextMax))
        item.pszText[0] = L'\0';
      item.pszText[item.cchTextMax - 1] = L'\0';
    }
  }
}

}  // namespace

void CreateLogWindow(HINSTANCE instance, HWND) {
  if (hLogScreen) {
    SetWindowPos(hLogScreen, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hLogScreen);
    return;
  }
  // The template's list view needs its class before the dialog is made.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  // Without owner: the log stays up while the main window hides.
  CreateDialogParamA(instance, MAKEINTRESOURCEA(kLogDialog), nullptr, LogDlgProc, 0);
}

HWND CreateListView(HWND dialog) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  if (!InitCommonControlsEx(&controls)) return nullptr;
  HWND listView = GetDlgItem(dialog, kLogListId);
  if (!listView) return nullptr;
  SendMessageA(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (int c = 0; c < kLogColumns; ++c) {
    char title[260];
    PlatLoadString(LogColumnTitleId(c), title, sizeof title);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = 100;
    column.pszText = title;
    column.iSubItem = c;
    if (SendMessageA(listView, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column)) != c)
      return nullptr;
  }
  return listView;
}

int Log_AllocEntries(HWND dialog, int count) {
  if (!hWndListView) return 1;
  // A count the list cannot hold would name records that do not exist.
  if (count < 0) count = 0;
  if (count > kCallerListMax) count = kCallerListMax;
  if (count == LogRowCount) {
    InvalidateRect(hWndListView, nullptr, FALSE);
  } else {
    SendMessageA(hWndListView, LVM_DELETEALLITEMS, 0, 0);
    for (int row = 0; row < count; ++row) {
      LVITEMA item = {};
      item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
      item.iItem = row;
      item.pszText = LPSTR_TEXTCALLBACKA;
      item.lParam = LogRowRecord(count, row);
      if (SendMessageA(hWndListView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) != row)
        return 0;
      for (int c = 1; c < kLogColumns; ++c) {
        LVITEMA cell = {};
        cell.iSubItem = c;
        cell.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(hWndListView, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
      }
    }
    LogRowCount = count;
  }
  // Also when the count is unchanged: a window opened on an empty log has
  // nothing to export.
  EnableWindow(GetDlgItem(dialog, kLogExportId), count > 0);
  return 0;
}

void Log_ResetList() { LogRowCount = 0; }

void Log_ResetSortDirection() { LogSort = LogSortState(); }

void Log_Resort(HWND listView) {
  if (listView) SendMessageA(listView, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(LogSortProc));
}

LRESULT NotifyHandler(HWND dialog, UINT, int controlId, NMHDR *notification) {
  if (controlId != kLogListId || !notification || !hWndListView) return 0;
  switch (notification->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW:
      Do_LVN_GETDISPINFO(notification);
      break;
    case LVN_COLUMNCLICK:
      LogSortClick(LogSort, reinterpret_cast<NMLISTVIEW *>(notification)->iSubItem);
      Log_Resort(hWndListView);
      break;
    case LVN_ITEMCHANGED:
      EnableWindow(GetDlgItem(dialog, kLogDeleteId),
                   ListView_GetSelectedCount(hWndListView) > 0);
      break;
    default:
      break;
  }
  return 0;
}

void LogSetShellOpen(LogShellOpenFn open) { LogShellOpen = open ? open : DefaultShellOpen; }

INT_PTR CALLBACK LogDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return Do_WM_INITDIALOG(dialog);
    case WM_COMMAND:
      Do_WM_COMMAND(dialog, wParam, lParam);
      return TRUE;
    case WM_NOTIFY:
      return NotifyHandler(dialog, message, static_cast<int>(wParam),
                           reinterpret_cast<NMHDR *>(lParam));
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(dialog);
      return FALSE;
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      Do_WM_DESTROY();
      return TRUE;
    default:
      return FALSE;
  }
}
