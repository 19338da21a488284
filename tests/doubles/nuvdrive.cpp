// Drives windowed end-to-end tests: reads one command per line from standard
// input and answers each with one line on standard output, flushed at once.
// Answers start with "ok", "timeout" or "err". Input goes through the real
// input path (SetCursorPos, SendInput); the screen is read through the
// desktop's device context.
//
// Arguments with spaces go in double quotes. A window <win> is either a
// handle ("0x1a2b") or a top-level window's class and caption (two
// arguments; "*" and "?" are wildcards, "*" alone matches anything).
//
//   wait <class> <caption> <ms>          a top-level window exists
//   waitvisible / waithidden <class> <caption> <ms>
//                                        ... and is visible / hidden
//     -> ok <hwnd> <left> <top> <right> <bottom> visible|hidden
//   stampvisible <class> <caption> <ms>  as waitvisible, timed for benchmarks
//     -> ok <unix-ms> <hwnd> <left> <top> <right> <bottom> visible|already hook|poll
//                                        unix-ms: wall-clock time the window was
//                                        seen shown; "already" when it was
//                                        visible at the first look
//   waitgone <win> <ms>                  -> ok
//   waitchild <win> <class> <caption> <ms>   a descendant of <win> exists
//   list <class> <caption>               -> ok <n> [| <hwnd> <l> <t> <r> <b> <vis> "<caption>"]...
//   rect <win>                           -> as wait
//   children <win>                       all descendants in enumeration order
//     -> ok <n> [| <pos> <hwnd> <class> <id> "<text>" <vis> <enabled|disabled>]...
//   foreground                           -> ok <hwnd> <class> "<caption>"
//   activate <win>                       bring to the foreground
//   click|press|release|move <x> <y> [left|right]   screen coordinates
//   clickwin <win> [left|right]          the centre of the window
//   clickid <win> <id> [left|right]      the centre of a child by control id
//   key <name>[+<name>...]               e.g. RETURN, ESCAPE, TAB, ALT+F4, A
//   type <text>                          the rest of the line, as typed
//   pixel <x> <y>                        -> ok RRGGBB
//   waitpixel <x> <y> <RRGGBB> <ms>      -> ok RRGGBB | timeout <last>
//   capture <file.bmp> [<x> <y> <w> <h>] 24-bit BMP of the screen or an area
//   waitfocus <win> [<id>] <ms>          the window (or its control) has the
//                                        keyboard focus of its thread
//   gettext <win> [<id>]                 -> ok "<text>"
//   waittext <win> <id|-> <text> <ms>    a control's (or with "-" the
//                                        window's own) text matches
//   settext <win> <id> <text>
//   send|post <win> <message> [<wparam> [<lparam>]]   -> ok <result>
//   screen                               -> ok <width> <height>
//   sleep <ms>                           only for pauses that input needs
//   echo <text>                          -> ok <text>
//   quit

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

std::string answer;

void Say(const char *fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  answer += buf;
}

Args Split(const std::string &line) {
  Args out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string tok;
    if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string::npos) end = line.size();
      tok = line.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      size_t end = line.find_first_of(" \t", i);
      if (end == std::string::npos) end = line.size();
      tok = line.substr(i, end - i);
      i = end;
    }
    out.push_back(tok);
  }
  return out;
}

bool Glob(const char *pat, const char *s) {
  if (*pat == '\0') return *s == '\0';
  if (*pat == '*') return Glob(pat + 1, s) || (*s && Glob(pat, s + 1));
  if (*s && (*pat == '?' || *pat == *s)) return Glob(pat + 1, s + 1);
  return false;
}

std::string ClassOf(HWND h) {
  char buf[256] = "";
  GetClassNameA(h, buf, sizeof buf);
  return buf;
}

// WM_GETTEXT reaches windows of other processes, unlike GetWindowText for
// controls.
std::string TextOf(HWND h) {
  char buf[1024] = "";
  DWORD_PTR got = 0;
  SendMessageTimeoutA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &got);
  buf[sizeof buf - 1] = '\0';
  return buf;
}

// Control characters and quotes would break the one-line answer.
std::string Quoted(const std::string &s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out + "\"";
}

// The caption the system keeps for a top-level window: read without a
// message, so a busy program cannot hold up the search.
std::string CaptionOf(HWND h) {
  char buf[512] = "";
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

struct Match {
  std::string cls, caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND h, LPARAM lp) {
  Match *m = reinterpret_cast<Match *>(lp);
  if (Glob(m->cls.c_str(), ClassOf(h).c_str()) && Glob(m->caption.c_str(), CaptionOf(h).c_str())) m->found.push_back(h);
  return TRUE;
}

std::vector<HWND> FindTop(const std::string &cls, const std::string &caption) {
  Match m{cls, caption, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&m));
  return m.found;
}

BOOL CALLBACK CollectAll(HWND h, LPARAM lp) {
  reinterpret_cast<std::vector<HWND> *>(lp)->push_back(h);
  return TRUE;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, CollectAll, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::string H(HWND h) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)));
  return buf;
}

bool IsHandle(const std::string &s) { return s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'); }

// A window argument: a handle, or a class and caption pair. Advances *i.
struct WinArg {
  bool byHandle = false;
  HWND hwnd = nullptr;
  std::string cls, caption;
};

bool ParseWin(const Args &a, size_t *i, WinArg *w) {
  if (*i >= a.size()) return false;
  if (IsHandle(a[*i])) {
    w->byHandle = true;
    w->hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(a[*i].c_str(), nullptr, 16)));
    ++*i;
    return true;
  }
  if (*i + 1 >= a.size()) return false;
  w->cls = a[*i];
  w->caption = a[*i + 1];
  *i += 2;
  return true;
}

HWND Resolve(const WinArg &w) {
  if (w.byHandle) return IsWindow(w.hwnd) ? w.hwnd : nullptr;
  std::vector<HWND> found = FindTop(w.cls, w.caption);
  return found.empty() ? nullptr : found.front();
}

void SayWindow(HWND h) {
  RECT r = {};
  GetWindowRect(h, &r);
  Say("%s %ld %ld %ld %ld %s", H(h).c_str(), r.left, r.top, r.right, r.bottom,
      IsWindowVisible(h) ? "visible" : "hidden");
}

// Polls until the check holds or the time is up.
template <typename F>
bool PollFor(DWORD ms, F check) {
  DWORD start = GetTickCount();
  for (;;) {
    if (check()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(20);
  }
}

// Wall-clock milliseconds since 1970; under Wine the Linux clock, so other
// programs of the machine can compare their own times with it.
long long EpochMs() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  const unsigned long long t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<long long>(t / 10000ULL - 11644473600000ULL);
}

// Top-level windows of a class and caption. A class without wildcards is
// looked up by the system, far faster than reading every window's class.
std::vector<HWND> FindTopFast(const std::string &cls, const std::string &caption) {
  if (cls.find_first_of("*?") != std::string::npos) return FindTop(cls, caption);
  std::vector<HWND> found;
  for (HWND h = FindWindowExA(nullptr, nullptr, cls.c_str(), nullptr); h;
       h = FindWindowExA(nullptr, h, cls.c_str(), nullptr))
    if (Glob(caption.c_str(), CaptionOf(h).c_str())) found.push_back(h);
  return found;
}

// Shows seen by the event hook while stampvisible waits.
struct ShowWatch {
  std::string cls, caption;
  HWND hwnd = nullptr;
  long long ms = 0;
} showWatch;

void CALLBACK OnShow(HWINEVENTHOOK, DWORD, HWND h, LONG object, LONG, DWORD, DWORD) {
  if (showWatch.hwnd || object != OBJID_WINDOW || !h) return;
  const long long now = EpochMs();
  if (GetAncestor(h, GA_PARENT) != GetDesktopWindow()) return;
  if (Glob(showWatch.cls.c_str(), ClassOf(h).c_str()) && Glob(showWatch.caption.c_str(), CaptionOf(h).c_str())) {
    showWatch.hwnd = h;
    showWatch.ms = now;
  }
}

// Waits for a top-level window to be shown and notes the wall-clock time it
// was first seen: by the system's show event when it reaches us, else by
// looking every millisecond.
void StampVisible(const std::string &cls, const std::string &caption, DWORD ms) {
  showWatch = ShowWatch{cls, caption, nullptr, 0};
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnShow, 0, 0,
                                       WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  const DWORD start = GetTickCount();
  HWND found = nullptr;
  long long seen = 0;
  bool first = true, already = false, byHook = false;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (showWatch.hwnd) {
      found = showWatch.hwnd, seen = showWatch.ms, byHook = true;
      break;
    }
    const long long now = EpochMs();
    for (HWND h : FindTopFast(cls, caption))
      if (IsWindowVisible(h)) {
        found = h, seen = now, already = first;
        break;
      }
    if (found || GetTickCount() - start >= ms) break;
    first = false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  if (hook) UnhookWinEvent(hook);
  if (!found) {
    Say("timeout");
    return;
  }
  Say("ok %lld ", seen);
  RECT r = {};
  GetWindowRect(found, &r);
  Say("%s %ld %ld %ld %ld %s %s", H(found).c_str(), r.left, r.top, r.right, r.bottom, already ? "already" : "visible",
      byHook ? "hook" : "poll");
}

void MouseButton(bool right, bool down) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                        : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  SendInput(1, &in, sizeof in);
}

void MoveTo(int x, int y) {
  SetCursorPos(x, y);
  // A move event as well, so that the window under the cursor sees
  // WM_MOUSEMOVE before the press, as with a real mouse.
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((x * 65535LL + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1));
  in.mi.dy = static_cast<LONG>((y * 65535LL + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void Click(int x, int y, bool right) {
  MoveTo(x, y);
  Sleep(30);
  MouseButton(right, true);
  Sleep(60);
  MouseButton(right, false);
}

bool RightArg(const Args &a, size_t i) { return i < a.size() && a[i] == "right"; }

struct KeyName {
  const char *name;
  WORD vk;
};
const KeyName kKeys[] = {
    {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN}, {"ESCAPE", VK_ESCAPE}, {"ESC", VK_ESCAPE},
    {"TAB", VK_TAB},       {"SPACE", VK_SPACE},  {"BACK", VK_BACK},     {"BACKSPACE", VK_BACK},
    {"DELETE", VK_DELETE}, {"INSERT", VK_INSERT}, {"HOME", VK_HOME},    {"END", VK_END},
    {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT},  {"UP", VK_UP},         {"DOWN", VK_DOWN},
    {"PRIOR", VK_PRIOR},   {"NEXT", VK_NEXT},    {"SHIFT", VK_SHIFT},   {"CONTROL", VK_CONTROL},
    {"CTRL", VK_CONTROL},  {"ALT", VK_MENU},     {"MENU", VK_MENU},     {"APPS", VK_APPS},
};

bool VkOf(const std::string &name, WORD *vk) {
  std::string up;
  for (char c : name) up += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  if (up.size() > 3 && up.compare(0, 3, "VK_") == 0) up = up.substr(3);
  for (const KeyName &k : kKeys)
    if (up == k.name) {
      *vk = k.vk;
      return true;
    }
  if (up.size() == 1 && ((up[0] >= 'A' && up[0] <= 'Z') || (up[0] >= '0' && up[0] <= '9'))) {
    *vk = static_cast<WORD>(up[0]);
    return true;
  }
  if (up.size() >= 2 && up[0] == 'F') {
    int n = std::atoi(up.c_str() + 1);
    if (n >= 1 && n <= 24) {
      *vk = static_cast<WORD>(VK_F1 + n - 1);
      return true;
    }
  }
  if (IsHandle(up)) {
    *vk = static_cast<WORD>(std::strtoul(up.c_str(), nullptr, 16));
    return true;
  }
  return false;
}

void KeyEvent(WORD vk, bool down) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

bool Key(const std::string &combo) {
  std::vector<WORD> vks;
  size_t start = 0;
  while (start <= combo.size()) {
    size_t plus = combo.find('+', start);
    if (plus == std::string::npos) plus = combo.size();
    WORD vk;
    if (!VkOf(combo.substr(start, plus - start), &vk)) return false;
    vks.push_back(vk);
    start = plus + 1;
  }
  for (WORD vk : vks) KeyEvent(vk, true);
  Sleep(20);
  for (size_t i = vks.size(); i-- > 0;) KeyEvent(vks[i], false);
  return true;
}

void Type(const std::string &text) {
  for (unsigned char c : text) {
    SHORT scan = VkKeyScanA(static_cast<char>(c));
    if (scan == -1) {
      INPUT in[2] = {};
      in[0].type = in[1].type = INPUT_KEYBOARD;
      in[0].ki.wScan = in[1].ki.wScan = c;
      in[0].ki.dwFlags = KEYEVENTF_UNICODE;
      in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
      SendInput(2, in, sizeof in[0]);
    } else {
      WORD vk = LOBYTE(scan);
      bool shift = (HIBYTE(scan) & 1) != 0;
      if (shift) KeyEvent(VK_SHIFT, true);
      KeyEvent(vk, true);
      KeyEvent(vk, false);
      if (shift) KeyEvent(VK_SHIFT, false);
    }
    Sleep(10);
  }
}

COLORREF PixelAt(int x, int y) {
  HDC dc = GetDC(nullptr);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(nullptr, dc);
  return c;
}

std::string Hex(COLORREF c) {
  if (c == CLR_INVALID) return "invalid";
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return buf;
}

bool Capture(const std::string &file, int x, int y, int w, int h) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom-up, as BMP files store it
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bmp && bits) {
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, x, y, SRCCOPY);
    GdiFlush();
    SelectObject(mem, old);
    DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
    DWORD size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    bi.bmiHeader.biSizeImage = size;
    if (FILE *f = std::fopen(file.c_str(), "wb")) {
      ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
           std::fwrite(bits, 1, size, f) == size;
      ok = (std::fclose(f) == 0) && ok;
    }
  }
  if (bmp) DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return ok;
}

UINT MessageOf(const std::string &s) {
  struct {
    const char *name;
    UINT msg;
  } const names[] = {{"WM_CLOSE", WM_CLOSE},           {"WM_LBUTTONDOWN", WM_LBUTTONDOWN},
                     {"WM_LBUTTONUP", WM_LBUTTONUP},   {"WM_RBUTTONDOWN", WM_RBUTTONDOWN},
                     {"WM_RBUTTONUP", WM_RBUTTONUP},   {"WM_COMMAND", WM_COMMAND},
                     {"WM_SYSCOMMAND", WM_SYSCOMMAND}, {"WM_KEYDOWN", WM_KEYDOWN},
                     {"WM_KEYUP", WM_KEYUP},           {"WM_CHAR", WM_CHAR},
                     {"WM_TIMER", WM_TIMER},           {"WM_USER", WM_USER},
                     {"WM_APP", WM_APP},               {"WM_NULL", WM_NULL}};
  for (const auto &n : names)
    if (s == n.name) return n.msg;
  return static_cast<UINT>(std::strtoul(s.c_str(), nullptr, 0));
}

HWND ChildById(HWND parent, int id) {
  for (HWND h : Descendants(parent))
    if (GetDlgCtrlID(h) == id) return h;
  return nullptr;
}

bool ClickCentre(HWND h, bool right) {
  RECT r;
  if (!h || !GetWindowRect(h, &r)) return false;
  Click((r.left + r.right) / 2, (r.top + r.bottom) / 2, right);
  Say("ok %ld %ld", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  return true;
}

std::string RestAfter(const std::string &line, size_t words) {
  size_t i = 0;
  for (size_t w = 0; w < words; ++w) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i < line.size() && line[i] == '"') {
      size_t end = line.find('"', i + 1);
      i = end == std::string::npos ? line.size() : end + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    }
  }
  if (i < line.size()) ++i;  // one separating space; the rest is verbatim
  std::string rest = i < line.size() ? line.substr(i) : std::string();
  // A quoted rest keeps its outer spaces.
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
  return rest;
}

int Num(const Args &a, size_t i) { return i < a.size() ? static_cast<int>(std::strtol(a[i].c_str(), nullptr, 0)) : 0; }

// Runs one command; false ends the driver.
bool Run(const std::string &line) {
  Args a = Split(line);
  if (a.empty()) {
    Say("err empty command");
    return true;
  }
  const std::string &cmd = a[0];
  size_t i = 1;
  WinArg w;

  if (cmd == "quit" || cmd == "exit") {
    Say("ok bye");
    return false;
  }
  if (cmd == "wait" || cmd == "waitvisible" || cmd == "waithidden") {
    if (a.size() < 4) return Say("err usage: %s <class> <caption> <ms>", cmd.c_str()), true;
    int want = cmd == "wait" ? -1 : cmd == "waitvisible" ? 1 : 0;
    HWND found = nullptr;
    bool ok = PollFor(static_cast<DWORD>(Num(a, 3)), [&] {
      for (HWND h : FindTop(a[1], a[2]))
        if (want < 0 || (IsWindowVisible(h) != 0) == (want == 1)) return found = h, true;
      return false;
    });
    if (!ok) return Say("timeout"), true;
    Say("ok ");
    SayWindow(found);
    return true;
  }
  if (cmd == "stampvisible") {
    if (a.size() < 4) return Say("err usage: stampvisible <class> <caption> <ms>"), true;
    StampVisible(a[1], a[2], static_cast<DWORD>(Num(a, 3)));
    return true;
  }
  if (cmd == "waitgone") {
    if (!ParseWin(a, &i, &w) || i >= a.size()) return Say("err usage: waitgone <win> <ms>"), true;
    bool ok = PollFor(static_cast<DWORD>(Num(a, i)), [&] { return Resolve(w) == nullptr; });
    Say(ok ? "ok" : "timeout");
    return true;
  }
  if (cmd == "waitchild") {
    if (!ParseWin(a, &i, &w) || i + 2 >= a.size()) return Say("err usage: waitchild <win> <class> <caption> <ms>"), true;
    std::string cls = a[i], caption = a[i + 1];
    HWND found = nullptr;
    bool ok = PollFor(static_cast<DWORD>(Num(a, i + 2)), [&] {
      HWND top = Resolve(w);
      if (!top) return false;
      for (HWND h : Descendants(top))
        if (Glob(cls.c_str(), ClassOf(h).c_str()) && Glob(caption.c_str(), TextOf(h).c_str())) return found = h, true;
      return false;
    });
    if (!ok) return Say("timeout"), true;
    Say("ok ");
    SayWindow(found);
    return true;
  }
  if (cmd == "list") {
    if (a.size() < 3) return Say("err usage: list <class> <caption>"), true;
    std::vector<HWND> found = FindTop(a[1], a[2]);
    Say("ok %u", static_cast<unsigned>(found.size()));
    for (HWND h : found) {
      Say(" | ");
      SayWindow(h);
      Say(" %s", Quoted(CaptionOf(h)).c_str());
    }
    return true;
  }
  if (cmd == "waitfocus" || cmd == "waittext") {
    // Input is handled by the other program in its own time: tests poll for
    // its effect instead of reading at once.
    bool focus = cmd == "waitfocus";
    if (!ParseWin(a, &i, &w) || i + (focus ? 0 : 2) >= a.size())
      return Say(focus ? "err usage: waitfocus <win> [<id>] <ms>" : "err usage: waittext <win> <id|-> <text> <ms>"), true;
    bool byId = focus ? i + 1 < a.size() : a[i] != "-";
    int id = byId ? Num(a, i) : 0;
    std::string want = focus ? std::string() : a[i + 1];
    DWORD ms = static_cast<DWORD>(Num(a, a.size() - 1));
    std::string last;
    bool ok = PollFor(ms, [&] {
      HWND h = Resolve(w);
      if (h && byId) h = ChildById(h, id);
      if (!h) return last = "(no such window)", false;
      if (!focus) return Glob(want.c_str(), (last = TextOf(h)).c_str());
      GUITHREADINFO gti = {};
      gti.cbSize = sizeof gti;
      if (!GetGUIThreadInfo(GetWindowThreadProcessId(h, nullptr), &gti)) return last = "(no thread)", false;
      last = gti.hwndFocus ? H(gti.hwndFocus) + " " + ClassOf(gti.hwndFocus) : "(none)";
      return gti.hwndFocus == h;
    });
    Say("%s %s", ok ? "ok" : "timeout", focus ? last.c_str() : Quoted(last).c_str());
    return true;
  }
  if (cmd == "rect" || cmd == "children" || cmd == "activate" || cmd == "clickwin" || cmd == "clickid" ||
      cmd == "gettext" || cmd == "settext" || cmd == "send" || cmd == "post") {
    if (!ParseWin(a, &i, &w)) return Say("err usage: %s <win> ...", cmd.c_str()), true;
    HWND h = Resolve(w);
    if (!h) return Say("err no such window"), true;
    if (cmd == "rect") {
      Say("ok ");
      SayWindow(h);
    } else if (cmd == "children") {
      std::vector<HWND> all = Descendants(h);
      Say("ok %u", static_cast<unsigned>(all.size()));
      for (size_t n = 0; n < all.size(); ++n)
        Say(" | %u %s %s %d %s %s %s", static_cast<unsigned>(n + 1), H(all[n]).c_str(),
            ClassOf(all[n]).c_str(), GetDlgCtrlID(all[n]), Quoted(TextOf(all[n])).c_str(),
            IsWindowVisible(all[n]) ? "visible" : "hidden", IsWindowEnabled(all[n]) ? "enabled" : "disabled");
    } else if (cmd == "activate") {
      SetForegroundWindow(h);
      bool ok = PollFor(2000, [&] { return GetForegroundWindow() == h; });
      Say(ok ? "ok" : "timeout");
    } else if (cmd == "clickwin") {
      ClickCentre(h, RightArg(a, i));
    } else if (cmd == "clickid") {
      if (i >= a.size()) return Say("err usage: clickid <win> <id> [left|right]"), true;
      if (!ClickCentre(ChildById(h, Num(a, i)), RightArg(a, i + 1))) Say("err no such control");
    } else if (cmd == "gettext") {
      HWND target = i < a.size() ? ChildById(h, Num(a, i)) : h;
      if (!target) return Say("err no such control"), true;
      Say("ok %s", Quoted(TextOf(target)).c_str());
    } else if (cmd == "settext") {
      if (i >= a.size()) return Say("err usage: settext <win> <id> <text>"), true;
      HWND target = ChildById(h, Num(a, i));
      if (!target) return Say("err no such control"), true;
      std::string text = RestAfter(line, i + 1);
      DWORD_PTR r = 0;
      SendMessageTimeoutA(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &r);
      Say("ok");
    } else {
      if (i >= a.size()) return Say("err usage: %s <win> <message> [wparam] [lparam]", cmd.c_str()), true;
      UINT msg = MessageOf(a[i]);
      WPARAM wp = i + 1 < a.size() ? static_cast<WPARAM>(std::strtoull(a[i + 1].c_str(), nullptr, 0)) : 0;
      LPARAM lp = i + 2 < a.size() ? static_cast<LPARAM>(std::strtoll(a[i + 2].c_str(), nullptr, 0)) : 0;
      if (cmd == "post") {
        Say(PostMessageA(h, msg, wp, lp) ? "ok" : "err post failed");
      } else {
        DWORD_PTR r = 0;
        if (SendMessageTimeoutA(h, msg, wp, lp, SMTO_ABORTIFHUNG, 10000, &r))
          Say("ok %lld", static_cast<long long>(r));
        else
          Say("timeout");
      }
    }
    return true;
  }
  if (cmd == "foreground") {
    HWND h = GetForegroundWindow();
    Say("ok %s %s %s", H(h).c_str(), h ? ClassOf(h).c_str() : "-", Quoted(h ? CaptionOf(h) : "").c_str());
    return true;
  }
  if (cmd == "click" || cmd == "press" || cmd == "release" || cmd == "move") {
    if (a.size() < 3) return Say("err usage: %s <x> <y> [left|right]", cmd.c_str()), true;
    int x = Num(a, 1), y = Num(a, 2);
    bool right = RightArg(a, 3);
    if (cmd == "click") {
      Click(x, y, right);
    } else {
      MoveTo(x, y);
      if (cmd != "move") {
        Sleep(30);
        MouseButton(right, cmd == "press");
      }
    }
    Say("ok");
    return true;
  }
  if (cmd == "key") {
    if (a.size() < 2 || !Key(a[1])) return Say("err unknown key"), true;
    Say("ok");
    return true;
  }
  if (cmd == "type") {
    Type(RestAfter(line, 1));
    Say("ok");
    return true;
  }
  if (cmd == "pixel") {
    if (a.size() < 3) return Say("err usage: pixel <x> <y>"), true;
    Say("ok %s", Hex(PixelAt(Num(a, 1), Num(a, 2))).c_str());
    return true;
  }
  if (cmd == "waitpixel") {
    if (a.size() < 5) return Say("err usage: waitpixel <x> <y> <RRGGBB> <ms>"), true;
    std::string want = a[3];
    for (char &c : want) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 32 : c);
    std::string last;
    bool ok = PollFor(static_cast<DWORD>(Num(a, 4)), [&] { return (last = Hex(PixelAt(Num(a, 1), Num(a, 2)))) == want; });
    Say("%s %s", ok ? "ok" : "timeout", last.c_str());
    return true;
  }
  if (cmd == "capture") {
    if (a.size() < 2) return Say("err usage: capture <file.bmp> [x y w h]"), true;
    int x = 0, y = 0, cw = GetSystemMetrics(SM_CXSCREEN), ch = GetSystemMetrics(SM_CYSCREEN);
    if (a.size() >= 6) {
      x = Num(a, 2);
      y = Num(a, 3);
      cw = Num(a, 4);
      ch = Num(a, 5);
    }
    if (cw <= 0 || ch <= 0) return Say("err empty area"), true;
    if (!Capture(a[1], x, y, cw, ch)) return Say("err cannot write %s", a[1].c_str()), true;
    Say("ok %s %d %d", a[1].c_str(), cw, ch);
    return true;
  }
  if (cmd == "screen") {
    Say("ok %d %d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return true;
  }
  if (cmd == "sleep") {
    Sleep(static_cast<DWORD>(Num(a, 1)));
    Say("ok");
    return true;
  }
  if (cmd == "echo") {
    Say("ok %s", RestAfter(line, 1).c_str());
    return true;
  }
  Say("err unknown command %s", cmd.c_str());
  return true;
}

}  // namespace

int main() {
  // Plain "\n" line ends both ways: the test script reads with bash.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
  char buf[4096];
  bool go = true;
  while (go && std::fgets(buf, sizeof buf, stdin)) {
    std::string line(buf);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    answer.clear();
    go = Run(line);
    std::fputs(answer.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  return 0;
}
