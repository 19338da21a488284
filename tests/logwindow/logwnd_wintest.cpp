// The caller log window against the real list view: it lists a prepared
// CALLER.LOG newest first, sorts by each column from header clicks, deletes
// the chosen rows (list, file and the entry in view), exports callers.txt
// and follows the list through the posted refresh. The window is made with
// no main window; the list's drawing calls then draw nothing.
#include <gtest/gtest.h>

#include "calls/win32/logwnd.h"  // first: Windows Sockets before windows.h

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "calls/calls_fixture.h"
#include "calls/log_view.h"

namespace nuvtest {
namespace {

// Runs the thread's messages until done() holds or ms pass.
bool PumpUntil(const std::function<bool()> &done, DWORD ms = 5000) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void PumpPending() {
  PumpUntil([] { return false; }, 50);
}

std::vector<std::string> g_opened;
void RecordOpen(HWND, const char *path) { g_opened.push_back(path); }

// The build tree's root, where the test program lies.
std::filesystem::path ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::filesystem::path(std::string(path, n)).parent_path();
}

// The window's area of the screen as a 24-bit BMP.
bool CaptureWindow(HWND window, const std::filesystem::path &file) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = w;
  info.biHeight = h;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int stride = (w * 3 + 3) & ~3;
  std::vector<unsigned char> pixels(static_cast<size_t>(stride) * h);
  const int lines = GetDIBits(mem, bmp, 0, h, pixels.data(),
                              reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  if (lines != h) return false;
  BITMAPFILEHEADER head = {};
  head.bfType = 0x4D42;
  head.bfOffBits = sizeof head + sizeof info;
  head.bfSize = head.bfOffBits + static_cast<DWORD>(pixels.size());
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  FILE *out = std::fopen(file.string().c_str(), "wb");
  if (!out) return false;
  std::fwrite(&head, sizeof head, 1, out);
  std::fwrite(&info, sizeof info, 1, out);
  std::fwrite(pixels.data(), 1, pixels.size(), out);
  return std::fclose(out) == 0;
}

class LogWindow : public CallerListTest {
 protected:
  void SetUp() override {
    CallerListTest::SetUp();
    g_opened.clear();
    LogSetShellOpen(RecordOpen);
  }

  void TearDown() override {
    if (hLogScreen) DestroyWindow(hLogScreen);
    PumpPending();
    LogSetShellOpen(nullptr);
    CallerListTest::TearDown();
  }

  void OpenWithFive() {
    WriteBytes("CALLER.LOG", LogImage(5, 4,
                                      {{"bob", "(204) 555-0003", "2:01 PM 3/15/99", "Missed Call"},
                                       {"Alice", "(204) 555-0001", "2:02 PM 3/15/99", "Answered"},
                                       {"Emile", "(800) 555-0002", "2:03 PM 3/15/99", "Ignored"},
                                       {"carol", "(304) 555-0000", "2:04 PM 3/15/99", "Acknowledged"},
                                       {"Dave", "(104) 555-0009", "2:05 PM 3/15/99", "Sent to 555"}}));
    ASSERT_EQ(1, VcLoadList());
    Open();
  }

  void Open() {
    CreateLogWindow(GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, hLogScreen);
    ASSERT_NE(nullptr, hWndListView);
    PumpPending();
  }

  static HWND Item(int id) { return GetDlgItem(hLogScreen, id); }
  static bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }

  // The record of each row, top to bottom.
  static std::vector<int> Rows() {
    std::vector<int> rows;
    const int n = ListView_GetItemCount(hWndListView);
    for (int row = 0; row < n; ++row) {
      LVITEMA item = {};
      item.mask = LVIF_PARAM;
      item.iItem = row;
      SendMessageA(hWndListView, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
      rows.push_back(static_cast<int>(item.lParam));
    }
    return rows;
  }

  // The texts the list view shows in one column, top to bottom.
  static std::vector<std::string> Column(int column) {
    std::vector<std::string> texts;
    const int n = ListView_GetItemCount(hWndListView);
    for (int row = 0; row < n; ++row) {
      char text[64] = "";
      ListView_GetItemText(hWndListView, row, column, text, sizeof text);
      texts.push_back(text);
    }
    return texts;
  }

  // A press and release on a column's header, as the mouse gives them.
  static void ClickHeader(int column) {
    HWND header = ListView_GetHeader(hWndListView);
    RECT r;
    ASSERT_TRUE(Header_GetItemRect(header, column, &r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
    PumpPending();
  }

  static void Press(int id) {
    ASSERT_TRUE(Enabled(id)) << "button " << id;
    SendMessageA(Item(id), BM_CLICK, 0, 0);
    PumpPending();
  }

  static void Select(int row) {
    ListView_SetItemState(hWndListView, row, LVIS_SELECTED, LVIS_SELECTED);
  }
};

TEST_F(LogWindow, ListsTheLogNewestFirst) {
  OpenWithFive();
  char title[64];
  GetWindowTextA(hLogScreen, title, sizeof title);
  EXPECT_STREQ("NUV Caller Log", title);
  EXPECT_EQ((std::vector<int>{4, 3, 2, 1, 0}), Rows());
  EXPECT_EQ((std::vector<std::string>{"Dave", "carol", "Emile", "Alice", "bob"}), Column(1));
  EXPECT_EQ("(104) 555-0009", Column(2)[0]);
  EXPECT_EQ("2:05 PM 3/15/99", Column(0)[0]);
  EXPECT_EQ("Sent to 555", Column(3)[0]);
  EXPECT_TRUE(Enabled(kLogExportId));
  EXPECT_FALSE(Enabled(kLogDeleteId));
  EXPECT_EQ(0, Boxes().calls);

  const std::filesystem::path shot = ProgramFolder() / "e2e-artifacts" / "logwindow" / "logwindow.bmp";
  EXPECT_TRUE(CaptureWindow(hLogScreen, shot)) << shot.string();
}

TEST_F(LogWindow, HeaderClicksSortByEachColumn) {
  OpenWithFive();
  const struct {
    int column;
    std::vector<int> rows;
  } clicks[] = {
      {1, {1, 0, 3, 4, 2}},  // Caller Name, A to Z
      {1, {2, 4, 3, 0, 1}},  // Z to A
      {0, {4, 3, 2, 1, 0}},  // Time: newest first
      {0, {0, 1, 2, 3, 4}},  // oldest first
      {2, {4, 1, 0, 3, 2}},  // Number
      {3, {3, 1, 2, 0, 4}},  // Action
      {3, {4, 0, 2, 1, 3}},
  };
  for (const auto &click : clicks) {
    ClickHeader(click.column);
    EXPECT_EQ(click.rows, Rows()) << "after a click on column " << click.column;
  }
}

TEST_F(LogWindow, DeleteRemovesTheChosenEntriesEverywhere) {
  OpenWithFive();
  ClickHeader(1);  // by name: Alice bob carol Dave Emile
  Select(1);       // bob, record 0
  Select(0);       // Alice, record 1
  PumpPending();
  EXPECT_TRUE(Enabled(kLogDeleteId));
  Press(kLogDeleteId);
  EXPECT_FALSE(Enabled(kLogDeleteId));
  // The three newest stay, still by name.
  EXPECT_EQ((std::vector<std::string>{"carol", "Dave", "Emile"}), Column(1));
  EXPECT_EQ(3, CallListEnd);
  EXPECT_EQ(2, CallListInView);  // the newest in the main window
  const Bytes file = ReadBytes("CALLER.LOG");
  ASSERT_EQ(static_cast<size_t>(kCallerLogFileSize), file.size());
  EXPECT_EQ(3, Int32At(file, 1));
  EXPECT_EQ(2, Int32At(file, 5));
  EXPECT_EQ("Emile", FieldAt(file, 0, 0, 30));
  EXPECT_EQ("Dave", FieldAt(file, 2, 0, 30));

  for (int row = 0; row < 3; ++row) Select(row);
  PumpPending();
  Press(kLogDeleteId);
  EXPECT_TRUE(PumpUntil([] { return ListView_GetItemCount(hWndListView) == 0; }));
  EXPECT_FALSE(Enabled(kLogDeleteId));
  EXPECT_FALSE(Enabled(kLogExportId));
  EXPECT_EQ(0, Int32At(ReadBytes("CALLER.LOG"), 1));
}

TEST_F(LogWindow, ExportWritesCallersTxtAndOpensIt) {
  OpenWithFive();
  Press(kLogExportId);
  ASSERT_EQ(1u, g_opened.size());
  const std::filesystem::path file = folder_ / "callers.txt";
  EXPECT_TRUE(std::filesystem::equivalent(file, g_opened[0])) << g_opened[0];
  const Bytes b = ReadBytes(file.string());
  const std::string expected =
      "Caller Name          Number           Time            Action              \r\n\r\n"
      "bob                  (204) 555-0003   2:01 PM 3/15/99 Missed Call         \r\n"
      "Alice                (204) 555-0001   2:02 PM 3/15/99 Answered            \r\n"
      "Emile                (800) 555-0002   2:03 PM 3/15/99 Ignored             \r\n"
      "carol                (304) 555-0000   2:04 PM 3/15/99 Acknowledged        \r\n"
      "Dave                 (104) 555-0009   2:05 PM 3/15/99 Sent to 555         \r\n";
  EXPECT_EQ(expected, std::string(b.begin(), b.end()));
}

TEST_F(LogWindow, ANewCallAddsARowOnTopAndResetsTheSort) {
  OpenWithFive();
  ClickHeader(1);
  SetCall(0, "Zed", "(555) 555-5555", "1999-03-15-1432");
  AddCallerToList(0, "Answered");
  ASSERT_TRUE(PumpUntil([] { return ListView_GetItemCount(hWndListView) == 6; }));
  EXPECT_EQ((std::vector<int>{5, 4, 3, 2, 1, 0}), Rows());
  EXPECT_EQ("Zed", Column(1)[0]);
  // The sort starts again from newest first: one click on Time turns it.
  ClickHeader(0);
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), Rows());
}

TEST_F(LogWindow, AFullListOnlyRepaintsWhatStandsInEachRow) {
  std::vector<std::string> names;
  std::vector<StoredCall> calls;
  for (int i = 0; i < kCallerListMax; ++i) names.push_back("caller " + std::to_string(i));
  for (const std::string &n : names) calls.push_back({n.c_str(), "", "", ""});
  WriteBytes("CALLER.LOG", LogImage(kCallerListMax, kCallerListMax - 1, calls));
  ASSERT_EQ(1, VcLoadList());
  Open();
  SetCall(0, "newest", "", "");
  AddCallerToList(0, "Missed Call");
  PumpPending();
  EXPECT_EQ(kCallerListMax, ListView_GetItemCount(hWndListView));
  EXPECT_EQ("newest", Column(1)[0]);
  EXPECT_EQ("caller 1", Column(1)[kCallerListMax - 1]);
}

TEST_F(LogWindow, OpeningAgainRaisesTheOneWindowAndCloseEndsIt) {
  OpenWithFive();
  HWND first = hLogScreen;
  RECT before;
  GetWindowRect(first, &before);
  CreateLogWindow(GetModuleHandleA(nullptr), nullptr);
  EXPECT_EQ(first, hLogScreen);
  EXPECT_EQ(first, FindWindowA(nullptr, "NUV Caller Log"));
  RECT after;
  GetWindowRect(first, &after);
  EXPECT_TRUE(EqualRect(&before, &after));

  Press(kLogCloseId);
  EXPECT_EQ(nullptr, hLogScreen);
  EXPECT_EQ(nullptr, hWndListView);
  EXPECT_FALSE(IsWindow(first));
  // A new call with the window closed posts nothing to it.
  SetCall(0, "later", "", "");
  AddCallerToList(0, "Ignored");
  Open();
  EXPECT_EQ(6, ListView_GetItemCount(hWndListView));
}

TEST_F(LogWindow, AnEmptyLogOffersNothingToExportOrDelete) {
  ASSERT_EQ(1, VcLoadList());
  Open();
  EXPECT_EQ(0, ListView_GetItemCount(hWndListView));
  EXPECT_FALSE(Enabled(kLogExportId));
  EXPECT_FALSE(Enabled(kLogDeleteId));
}

}  // namespace
}  // namespace nuvtest
