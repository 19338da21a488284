// A fake of the AOL client's windows, as far as the client's dial-up control
// relies on them: a frame of class "AOL Frame25" with an "MDIClient" child;
// when closed while captioned "AOL Canada" (any case) it shows an MDI child
// "AOL Child" captioned "Exit?" whose tenth descendant (in enumeration order)
// is a button of class "_AOL_Icon". Releasing that button ends the program.
//
//   aolfake [--caption TEXT] [--log FILE] [--delay MS] [--never]
//           [--wrong-class CLASS] [--exapi] [--edit] [--at X Y] [--hidden]
//
// --caption      frame caption (default "America Online")
// --log          file to which every received close and button press is
//                appended (default "aolfake.log")
// --delay        milliseconds between the close message and the "Exit?" child
// --never        the "Exit?" child never appears
// --wrong-class  the tenth descendant gets this class instead of "_AOL_Icon";
//                a class differing only in case is taken by all the icons
// --exapi        also create a top-level window of class "_AOL_EXAPI"
// --edit         an edit control (id 100) in the frame, for keyboard tests
// --at           frame position on the screen (default 560 360)
// --hidden       the frame is not shown
//
// Log lines: "start <caption>", "WM_CLOSE", "exit-window <hwnd>",
// "WM_LBUTTONDOWN <pos> <x> <y> <wParam>", "WM_LBUTTONUP <pos> <x> <y> <wParam>"
// (pos: the button's position among the descendants of "Exit?"), "exit".

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kFrameClass[] = "AOL Frame25";
constexpr char kChildClass[] = "AOL Child";
constexpr char kIconClass[] = "_AOL_Icon";
constexpr char kPanelClass[] = "AolFakePanel";
constexpr char kExapiClass[] = "_AOL_EXAPI";
constexpr int kExitPosition = 10;
constexpr UINT_PTR kExitTimer = 1;
constexpr UINT kQuitLater = WM_APP + 1;
// The pressed button shows in this colour; the others in grey.
constexpr COLORREF kExitColour = RGB(0xE0, 0x20, 0x20);
constexpr COLORREF kOtherColour = RGB(0x80, 0x80, 0x80);

struct Options {
  std::string caption = "America Online";
  std::string log = "aolfake.log";
  int delay = 0;
  bool never = false;
  std::string tenthClass = kIconClass;
  bool exapi = false;
  bool edit = false;
  int x = 560, y = 360;
  bool hidden = false;
} opt;

HINSTANCE hInstance;
HWND hFrame, hMdiClient, hExitChild;

void Log(const char *fmt, ...) {
  FILE *f = std::fopen(opt.log.c_str(), "ab");
  if (!f) return;
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(f, fmt, ap);
  va_end(ap);
  std::fputc('\n', f);
  std::fclose(f);
}

// The position among the descendants of "Exit?" is kept in the window's
// user data.
LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  int pos = static_cast<int>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      Log("%s %d %d %d 0x%x", msg == WM_LBUTTONDOWN ? "WM_LBUTTONDOWN" : "WM_LBUTTONUP", pos,
          static_cast<int>(static_cast<short>(LOWORD(lp))), static_cast<int>(static_cast<short>(HIWORD(lp))),
          static_cast<unsigned>(wp));
      if (msg == WM_LBUTTONUP && pos == kExitPosition) PostMessageA(hFrame, kQuitLater, 0, 0);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      HBRUSH b = CreateSolidBrush(pos == kExitPosition ? kExitColour : kOtherColour);
      FillRect(dc, &rc, b);
      DeleteObject(b);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefMDIChildProcA(hwnd, msg, wp, lp);
}

HWND Make(const char *cls, const char *text, HWND parent, int x, int y, int w, int h, int pos) {
  HWND hwnd = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(pos)), hInstance, nullptr);
  if (hwnd && pos > 0) SetWindowLongPtrA(hwnd, GWLP_USERDATA, pos);
  return hwnd;
}

// Descendants in enumeration order (depth first, creation order among
// siblings): 1 text, 2 text, 3 panel, 4 text, 5 icon, 6 panel, 7 text,
// 8 text, 9 icon, 10 the exit icon, 11 icon, 12 text. Icons next to the
// tenth catch a count that is off by one.
void ShowExitWindow() {
  if (hExitChild) return;
  MDICREATESTRUCTA mcs = {};
  mcs.szClass = kChildClass;
  mcs.szTitle = "Exit?";
  mcs.hOwner = hInstance;
  mcs.x = 10;
  mcs.y = 10;
  mcs.cx = 320;
  mcs.cy = 230;
  hExitChild = reinterpret_cast<HWND>(SendMessageA(hMdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
  if (!hExitChild) {
    Log("exit-window failed %lu", GetLastError());
    return;
  }
  HWND c = hExitChild;
  Make("Static", "one", c, 5, 5, 60, 16, 1);
  Make("Static", "two", c, 70, 5, 60, 16, 2);
  HWND p1 = Make(kPanelClass, "", c, 5, 25, 290, 40, 3);
  Make("Static", "four", p1, 5, 5, 60, 16, 4);
  Make(kIconClass, "five", p1, 70, 5, 40, 30, 5);
  HWND p2 = Make(kPanelClass, "", c, 5, 70, 290, 90, 6);
  Make("Static", "seven", p2, 5, 5, 60, 16, 7);
  Make("Static", "eight", p2, 70, 5, 60, 16, 8);
  Make(kIconClass, "nine", p2, 5, 40, 60, 40, 9);
  Make(opt.tenthClass.c_str(), "ten", p2, 80, 40, 60, 40, 10);
  Make(kIconClass, "eleven", p2, 155, 40, 60, 40, 11);
  Make("Static", "twelve", c, 5, 165, 60, 16, 12);
  Log("exit-window %p", static_cast<void *>(hExitChild));
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: {
      CLIENTCREATESTRUCT ccs = {};
      ccs.idFirstChild = 50000;
      hMdiClient = CreateWindowExA(0, "MDIClient", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 0, 0,
                                   hwnd, nullptr, hInstance, &ccs);
      if (opt.edit)
        CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd,
                        reinterpret_cast<HMENU>(100), hInstance, nullptr);
      return 0;
    }
    case WM_SIZE: {
      int w = LOWORD(lp), h = HIWORD(lp);
      int top = 0;
      if (HWND edit = GetDlgItem(hwnd, 100)) {
        MoveWindow(edit, 0, 0, w, 24, TRUE);
        top = 24;
      }
      MoveWindow(hMdiClient, 0, top, w, h - top, TRUE);
      return 0;
    }
    case WM_CLOSE: {
      Log("WM_CLOSE");
      char caption[96] = "";
      GetWindowTextA(hwnd, caption, sizeof caption);
      if (lstrcmpiA(caption, "AOL Canada") != 0) {
        DestroyWindow(hwnd);
      } else if (!opt.never) {
        if (opt.delay > 0)
          SetTimer(hwnd, kExitTimer, static_cast<UINT>(opt.delay), nullptr);
        else
          ShowExitWindow();
      }
      return 0;
    }
    case WM_TIMER:
      if (wp == kExitTimer) {
        KillTimer(hwnd, kExitTimer);
        ShowExitWindow();
      }
      return 0;
    case kQuitLater:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      Log("exit");
      PostQuitMessage(0);
      return 0;
  }
  return DefFrameProcA(hwnd, hMdiClient, msg, wp, lp);
}

bool ParseArgs(int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool more = i + 1 < argc;
    if (a == "--caption" && more) {
      opt.caption = argv[++i];
    } else if (a == "--log" && more) {
      opt.log = argv[++i];
    } else if (a == "--delay" && more) {
      opt.delay = std::atoi(argv[++i]);
    } else if (a == "--never") {
      opt.never = true;
    } else if (a == "--wrong-class" && more) {
      opt.tenthClass = argv[++i];
    } else if (a == "--exapi") {
      opt.exapi = true;
    } else if (a == "--edit") {
      opt.edit = true;
    } else if (a == "--at" && i + 2 < argc) {
      opt.x = std::atoi(argv[++i]);
      opt.y = std::atoi(argv[++i]);
    } else if (a == "--hidden") {
      opt.hidden = true;
    } else {
      std::fprintf(stderr, "aolfake: unknown option %s\n", a.c_str());
      return false;
    }
  }
  return true;
}

bool Register(const char *name, WNDPROC proc, HBRUSH background) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = hInstance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (!ParseArgs(argc, argv)) return 2;
  hInstance = GetModuleHandleA(nullptr);
  HBRUSH face = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  // Class names are compared without regard to case when registered: a
  // wrong class that differs from the icon's only in case replaces it, and
  // every icon then reports that spelling.
  bool sameIgnoringCase = lstrcmpiA(opt.tenthClass.c_str(), kIconClass) == 0;
  if (!Register(kFrameClass, FrameProc, face) || !Register(kChildClass, ChildProc, face) ||
      !Register(sameIgnoringCase ? opt.tenthClass.c_str() : kIconClass, ButtonProc, nullptr) ||
      !Register(kPanelClass, PanelProc, face) || !Register(kExapiClass, DefWindowProcA, nullptr) ||
      (!sameIgnoringCase && !Register(opt.tenthClass.c_str(), ButtonProc, nullptr))) {
    std::fprintf(stderr, "aolfake: cannot register window classes\n");
    return 1;
  }
  Log("start %s", opt.caption.c_str());
  if (opt.exapi) CreateWindowExA(0, kExapiClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, hInstance, nullptr);
  hFrame = CreateWindowExA(0, kFrameClass, opt.caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, opt.x, opt.y,
                           440, 300, nullptr, nullptr, hInstance, nullptr);
  if (!hFrame) {
    std::fprintf(stderr, "aolfake: cannot create the frame\n");
    return 1;
  }
  if (!opt.hidden) ShowWindow(hFrame, SW_SHOWNOACTIVATE);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    if (!TranslateMDISysAccel(hMdiClient, &m)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  return 0;
}
