// A stand-in installer for nuvsetup.dll: for each case it lays out an
// installer's variable table, loads the module by name, calls GetPass while a
// second thread works the dialog like a user (texts typed, fields left,
// buttons pressed, message boxes answered), then prints the table and checks
// it. Every wait is bounded.
//
//   nuv_setup_host [capture.bmp]     exit code: the number of failed cases

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "setup/variables.h"

using nuvsetup::InstallerVarTable;

namespace {

constexpr DWORD kWaitMs = 20000;
constexpr size_t kGuard = 16;

using GetPassFn = int(WINAPI *)(InstallerVarTable *);

// One variable table with guard bytes after each slot array.
struct Table {
  InstallerVarTable header{};
  std::vector<char> names, values;

  Table(uint32_t capacity, uint32_t nameSize, uint32_t valueSize)
      : names(capacity * nameSize + kGuard, '#'), values(capacity * valueSize + kGuard, '#') {
    header.Capacity = capacity;
    header.NameSlotSize = nameSize;
    header.ValueSlotSize = valueSize;
    header.Names = names.data();
    header.Values = values.data();
  }
  void Add(const char *name, const char *value) {
    const uint32_t i = header.InUse++;
    std::snprintf(names.data() + i * header.NameSlotSize, header.NameSlotSize, "%s", name);
    std::snprintf(values.data() + i * header.ValueSlotSize, header.ValueSlotSize, "%s", value);
  }
  std::string Name(uint32_t i) const {
    return std::string(names.data() + i * header.NameSlotSize, strnlen(names.data() + i * header.NameSlotSize, header.NameSlotSize));
  }
  std::string Value(uint32_t i) const {
    return std::string(values.data() + i * header.ValueSlotSize, strnlen(values.data() + i * header.ValueSlotSize, header.ValueSlotSize));
  }
  bool GuardsIntact() const {
    for (size_t i = names.size() - kGuard; i < names.size(); ++i)
      if (names[i] != '#') return false;
    for (size_t i = values.size() - kGuard; i < values.size(); ++i)
      if (values[i] != '#') return false;
    return true;
  }
  void Print(const char *title) const {
    std::printf("table after '%s': %u of %u in use\n", title, header.InUse, header.Capacity);
    for (uint32_t i = 0; i < header.InUse && i < header.Capacity; ++i)
      std::printf("  [%u] %s = \"%s\"\n", i, Name(i).c_str(), Value(i).c_str());
  }
};

// ---------------------------------------------------------------------------
// What the user does, step by step.
enum Op { kExpectText, kExpectLimit, kType, kLeaveNumber, kPress, kAnswer, kExpectFocus, kCapture, kExpectControls6 };
struct Step {
  Op op;
  int id;              // control, button or the message box's answer
  const char *text;    // text typed or expected; a message box's caption
  const char *detail;  // part of a message box's text
};

int failures = 0;
int caseFailed = 0;
const char *capturePath = nullptr;

void Fail(const char *what, const std::string &detail = "") {
  std::printf("  FAIL: %s %s\n", what, detail.c_str());
  caseFailed = 1;
}

std::string TextOf(HWND h) {
  char buf[1024] = "";
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

bool IsClass(HWND h, const char *cls) {
  char buf[64] = "";
  GetClassNameA(h, buf, sizeof buf);
  return std::strcmp(buf, cls) == 0;
}

struct Search {
  HWND owner;
  const char *caption;
  HWND found;
};

BOOL CALLBACK FindDialogOf(HWND h, LPARAM lp) {
  Search *s = reinterpret_cast<Search *>(lp);
  if (IsWindowVisible(h) && IsClass(h, "#32770") && GetWindow(h, GW_OWNER) == s->owner &&
      (!s->caption || TextOf(h) == s->caption)) {
    s->found = h;
    return FALSE;
  }
  return TRUE;
}

// The visible dialog of the thread owned by `owner` (the module's dialog has
// no owner; its message boxes are owned by it), polled until found.
HWND WaitDialog(DWORD thread, HWND owner, const char *caption) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWaitMs) {
    Search s{owner, caption, nullptr};
    EnumThreadWindows(thread, FindDialogOf, reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    Sleep(10);
  }
  return nullptr;
}

bool WaitGone(HWND h) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWaitMs) {
    if (!IsWindow(h) || !IsWindowVisible(h)) return true;
    Sleep(10);
  }
  return false;
}

HWND FocusOf(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

bool WaitFocus(DWORD thread, HWND want) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kWaitMs) {
    if (FocusOf(thread) == want) return true;
    Sleep(10);
  }
  return false;
}

BOOL CALLBACK CollectText(HWND h, LPARAM lp) {
  *reinterpret_cast<std::string *>(lp) += TextOf(h) + "\n";
  return TRUE;
}

// A 24-bit bottom-up BMP of the window as it is on the screen.
bool CaptureWindow(HWND h, const char *path) {
  RECT r;
  if (!GetWindowRect(h, &r)) return false;
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const int w = r.right - r.left, ht = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = ht;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void *bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bmp && bits) {
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, ht, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    SelectObject(mem, old);
    const DWORD stride = ((w * 3) + 3) & ~3u, size = stride * ht;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    if (FILE *f = std::fopen(path, "wb")) {
      ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
           std::fwrite(bits, size, 1, f) == 1;
      ok = std::fclose(f) == 0 && ok;
    }
  }
  if (bmp) DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return ok;
}

struct Run {
  DWORD thread;  // the thread inside GetPass
  const Step *steps;
  size_t count;
  volatile LONG done;  // GetPass has returned
};

bool DoStep(DWORD thread, HWND dlg, const Step &s) {
  switch (s.op) {
    case kExpectText: {
      const std::string got = TextOf(GetDlgItem(dlg, s.id));
      if (got != s.text) return Fail("field text", std::to_string(s.id) + ": \"" + got + "\" not \"" + s.text + "\""), false;
      return true;
    }
    case kExpectLimit: {
      const LRESULT limit = SendMessageA(GetDlgItem(dlg, s.id), EM_GETLIMITTEXT, 0, 0);
      if (limit != std::atoi(s.text)) return Fail("typing limit", std::to_string(s.id) + ": " + std::to_string(limit)), false;
      return true;
    }
    case kType:
      SendMessageA(GetDlgItem(dlg, s.id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.text));
      return true;
    case kLeaveNumber:
      // Tab on: the keyboard moves from the number to the password field.
      SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, 302)), TRUE);
      if (!WaitFocus(thread, GetDlgItem(dlg, 302))) return Fail("focus did not leave the number"), false;
      return true;
    case kPress:
      PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(s.id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, s.id)));
      return true;
    case kAnswer: {
      HWND box = WaitDialog(thread, dlg, s.text);
      if (!box) return Fail("no message box", s.text), false;
      std::string all;
      EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&all));
      if (all.find(s.detail) == std::string::npos) Fail("message box text", all);
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(s.id, BN_CLICKED), 0);
      if (!WaitGone(box)) return Fail("message box stays"), false;
      return true;
    }
    case kExpectFocus:
      if (!WaitFocus(thread, GetDlgItem(dlg, s.id))) return Fail("focus not on", std::to_string(s.id)), false;
      return true;
    case kExpectControls6: {
      // The control's window procedure is in the module that made its class:
      // comctl32 under the module's own manifest, user32 without it (this
      // host has no manifest of its own).
      HWND control = GetDlgItem(dlg, s.id);
      // Asked in the window's own character set, or the answer is a handle
      // to a translating stub rather than the procedure.
      const LONG_PTR address = IsWindowUnicode(control) ? GetWindowLongPtrW(control, GWLP_WNDPROC)
                                                        : GetWindowLongPtrA(control, GWLP_WNDPROC);
      const auto proc = reinterpret_cast<LPCSTR>(address);
      HMODULE owner = nullptr;
      char path[MAX_PATH] = "";
      if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             proc, &owner))
        GetModuleFileNameA(owner, path, sizeof path);
      CharLowerA(path);
      if (!std::strstr(path, "comctl32")) return Fail("control not from the common controls 6", path), false;
      return true;
    }
    case kCapture:
      if (capturePath && !CaptureWindow(dlg, capturePath)) Fail("capture", capturePath);
      return true;
  }
  return false;
}

DWORD WINAPI Driver(LPVOID param) {
  Run *run = static_cast<Run *>(param);
  HWND dlg = WaitDialog(run->thread, nullptr, "NUV Installation");
  bool ok = dlg != nullptr;
  if (!ok) Fail("the dialog did not open");
  for (size_t i = 0; ok && i < run->count; ++i) ok = DoStep(run->thread, dlg, run->steps[i]);
  if (ok) return 0;
  // Get the installer back: answer every box, cancel the dialog.
  const DWORD start = GetTickCount();
  while (!run->done && GetTickCount() - start < kWaitMs) {
    Search s{dlg, nullptr, nullptr};
    EnumThreadWindows(run->thread, FindDialogOf, reinterpret_cast<LPARAM>(&s));
    if (s.found) PostMessageA(s.found, WM_COMMAND, IDYES, 0), PostMessageA(s.found, WM_COMMAND, IDOK, 0);
    else if (dlg) PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    Sleep(50);
  }
  if (!run->done) {
    std::printf("  FAIL: the dialog could not be closed\n");
    std::fflush(stdout);
    ExitProcess(100);
  }
  return 1;
}

// Calls GetPass on the table while the driver works through the steps.
void CallGetPass(GetPassFn getPass, InstallerVarTable *table, const Step *steps, size_t count) {
  Run run{GetCurrentThreadId(), steps, count, 0};
  HANDLE driver = CreateThread(nullptr, 0, Driver, &run, 0, nullptr);
  const int result = getPass(table);
  InterlockedExchange(&run.done, 1);
  WaitForSingleObject(driver, kWaitMs + 5000);
  CloseHandle(driver);
  if (result != 0) Fail("GetPass returned", std::to_string(result));
}

using Script = std::vector<Step>;

void Steps(GetPassFn getPass, InstallerVarTable *table, const Script &steps) {
  CallGetPass(getPass, table, steps.data(), steps.size());
}

Script Cat(Script a, const Script &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void Expect(bool ok, const char *what) {
  if (!ok) Fail(what);
}

void Begin(const char *name) {
  caseFailed = 0;
  std::printf("case: %s\n", name);
}

void End(const char *name, const Table *table) {
  if (table) {
    table->Print(name);
    if (!table->GuardsIntact()) Fail("a write ran past the slots");
  }
  std::printf("%s: %s\n", caseFailed ? "FAILED" : "passed", name);
  failures += caseFailed;
  std::fflush(stdout);
}

// Next with a good number and password; the number typed as ten digits.
const Script kGoodEntry = {
    {kType, 301, "2045553636", nullptr}, {kLeaveNumber, 0, nullptr, nullptr},
    {kExpectText, 301, "(204) 555-3636", nullptr},
    {kType, 302, "hello", nullptr},      {kType, 303, "hello", nullptr},
    {kPress, IDOK, nullptr, nullptr},
};

const Script kCancelYes = {
    {kPress, IDCANCEL, nullptr, nullptr},
    {kAnswer, IDYES, "Install", "Do you want to abort this installation?"},
};

void Cases(GetPassFn getPass) {
  {
    const char *name = "existing variables fill the dialog";
    Begin(name);
    Table t(8, 32, 64);
    t.Add("%SRCDIR%", "C:\\DISK1");
    t.Add("%NUVNUMBER%", "(204) 555-3636");
    t.Add("%NUVPASSWORD%", "secret1");
    const Script steps = {
        {kExpectText, 301, "(204) 555-3636", nullptr}, {kExpectText, 302, "secret1", nullptr},
        {kExpectText, 303, "secret1", nullptr},
        {kExpectLimit, 301, "14", nullptr},          {kExpectLimit, 302, "12", nullptr},
        {kExpectLimit, 303, "12", nullptr},
        {kExpectText, 101, "NOTE: If you are re-installing or upgrading NUV and the NUV Number shown below is correct, just click 'Next'.", nullptr},
        {kExpectText, 106, "NUV Number:", nullptr},   {kExpectText, 103, "New Password:", nullptr},
        {kExpectText, 102, "Confirm New Password:", nullptr},
        {kExpectText, IDOK, "&Next >", nullptr},       {kExpectText, IDCANCEL, "&Cancel", nullptr},
        {kExpectControls6, IDOK, nullptr, nullptr},
        {kCapture, 0, nullptr, nullptr},              {kPress, IDOK, nullptr, nullptr},
    };
    Steps(getPass, &t.header, steps);
    Expect(t.header.InUse == 3, "number in use changed");
    Expect(t.Value(0) == "C:\\DISK1" && t.Value(1) == "(204) 555-3636" && t.Value(2) == "secret1", "values changed");
    End(name, &t);
  }
  {
    const char *name = "missing variables are appended";
    Begin(name);
    Table t(8, 32, 64);
    t.Add("%SRCDIR%", "C:\\DISK1");
    t.Add("%TARGETDIR%", "C:\\NUV");
    Steps(getPass, &t.header, kGoodEntry);
    Expect(t.header.InUse == 4, "not two more variables");
    Expect(t.Name(2) == "%NUVPASSWORD%" && t.Value(2) == "hello", "password not appended");
    Expect(t.Name(3) == "%NUVNUMBER%" && t.Value(3) == "(204) 555-3636", "number not appended");
    End(name, &t);
  }
  {
    const char *name = "full table is left as it was";
    Begin(name);
    Table t(2, 32, 64);
    t.Add("%SRCDIR%", "C:\\DISK1");
    t.Add("%TARGETDIR%", "C:\\NUV");
    Steps(getPass, &t.header, Cat({{kExpectText, 301, "", nullptr}, {kExpectText, 302, "", nullptr}}, kGoodEntry));
    Expect(t.header.InUse == 2 && t.Value(0) == "C:\\DISK1" && t.Value(1) == "C:\\NUV", "full table changed");
    End(name, &t);
  }
  {
    const char *name = "Cancel, No stays; Cancel, Yes empties both";
    Begin(name);
    Table t(8, 32, 64);
    t.Add("%NUVNUMBER%", "(204) 555-3636");
    const Script steps = {
        {kPress, IDCANCEL, nullptr, nullptr},
        {kAnswer, IDNO, "Install", "Do you want to abort this installation?"},
        {kExpectText, 301, "(204) 555-3636", nullptr},
        {kType, 302, "hello", nullptr},
        {kPress, IDCANCEL, nullptr, nullptr},
        {kAnswer, IDYES, "Install", "Do you want to abort this installation?"},
    };
    Steps(getPass, &t.header, steps);
    Expect(t.header.InUse == 2, "password variable not created");
    Expect(t.Name(0) == "%NUVNUMBER%" && t.Value(0).empty(), "number not emptied");
    Expect(t.Name(1) == "%NUVPASSWORD%" && t.Value(1).empty(), "password not empty");
    End(name, &t);
  }
  {
    const char *name = "refused entries keep the dialog open";
    Begin(name);
    Table t(8, 32, 64);
    const Script steps = {
        {kType, 301, "5553636", nullptr}, {kLeaveNumber, 0, nullptr, nullptr},
        {kExpectText, 301, "555-3636", nullptr},
        {kType, 302, "hello", nullptr}, {kType, 303, "hello", nullptr},
        {kPress, IDOK, nullptr, nullptr},
        {kAnswer, IDOK, "Invalid Phone Number", "You must specify a valid phone number, including area code."},
        {kExpectFocus, 301, nullptr, nullptr},
        {kType, 301, "(204) 555-3636", nullptr},
        {kType, 302, "abcdefghijkl", nullptr}, {kType, 303, "abcdefghijkl", nullptr},
        {kExpectText, 302, "abcdefghijkl", nullptr},
        {kPress, IDOK, nullptr, nullptr},
        {kAnswer, IDOK, "Password Error", "between 5 and 11 characters"},
        {kExpectFocus, 302, nullptr, nullptr},
        {kType, 302, "ab:cd", nullptr}, {kType, 303, "ab:cd", nullptr},
        {kPress, IDOK, nullptr, nullptr},
        {kAnswer, IDOK, "Password Error", "illegal charcater"},
        {kExpectFocus, 302, nullptr, nullptr},
        {kType, 302, "hello", nullptr}, {kType, 303, "Hello", nullptr},
        {kPress, IDOK, nullptr, nullptr},
        {kAnswer, IDOK, "Password Error", "The two passwords do not match."},
        {kExpectFocus, 302, nullptr, nullptr},
        {kType, 303, "hello", nullptr},
        {kPress, IDOK, nullptr, nullptr},
    };
    Steps(getPass, &t.header, steps);
    Expect(t.header.InUse == 2 && t.Value(0) == "hello" && t.Value(1) == "(204) 555-3636", "wrong values");
    End(name, &t);
  }
  {
    const char *name = "names are case-sensitive";
    Begin(name);
    Table t(8, 32, 64);
    t.Add("%nuvnumber%", "(204) 555-3636");
    t.Add("%NuvPassword%", "secret1");
    Steps(getPass, &t.header, Cat({{kExpectText, 301, "", nullptr}, {kExpectText, 302, "", nullptr}}, kGoodEntry));
    Expect(t.header.InUse == 4, "not appended");
    Expect(t.Value(0) == "(204) 555-3636" && t.Value(1) == "secret1", "lower-case twins changed");
    Expect(t.Name(3) == "%NUVNUMBER%" && t.Value(3) == "(204) 555-3636", "number not appended");
    End(name, &t);
  }
  {
    const char *name = "over-long stored value is cut to 79 characters";
    Begin(name);
    Table t(4, 32, 300);
    const std::string longNumber(200, '9');
    t.Add("%NUVNUMBER%", longNumber.c_str());
    const std::string cut(79, '9');
    Steps(getPass, &t.header, Cat({{kExpectText, 301, cut.c_str(), nullptr}}, kCancelYes));
    Expect(t.Value(0).empty() && t.Value(1).empty(), "not emptied by Cancel");
    End(name, &t);
  }
  {
    const char *name = "small slots: values cut, long names not appended";
    Begin(name);
    Table t(4, 12, 8);  // "%NUVNUMBER%" just fits; "%NUVPASSWORD%" does not
    Steps(getPass, &t.header, kGoodEntry);
    Expect(t.header.InUse == 1, "wrong number in use");
    Expect(t.Name(0) == "%NUVNUMBER%" && t.Value(0) == "(204) 5", "number not cut to its slot");
    End(name, &t);
  }
  {
    const char *name = "damaged table is left alone";
    Begin(name);
    Table t(4, 32, 32);
    t.Add("%NUVNUMBER%", "(204) 555-3636");
    InstallerVarTable damaged = t.header;
    damaged.ValueSlotSize = 0x7FFFFFFF;
    const InstallerVarTable before = damaged;
    Steps(getPass, &damaged, Cat({{kExpectText, 301, "", nullptr}}, kGoodEntry));
    Expect(std::memcmp(&before, &damaged, sizeof before) == 0, "header changed");
    Expect(t.Value(0) == "(204) 555-3636", "slot changed");
    Steps(getPass, nullptr, kCancelYes);  // no table at all
    End(name, &t);
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (argc > 1) capturePath = argv[1];
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  while (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/') --n;
  std::snprintf(path + n, sizeof path - n, "%s", "nuvsetup.dll");
  HMODULE module = LoadLibraryA(path);
  if (!module) {
    std::printf("cannot load %s (error %lu)\n", path, GetLastError());
    return 100;
  }
  GetPassFn getPass = reinterpret_cast<GetPassFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "GetPass")));
  if (!getPass) {
    std::printf("nuvsetup.dll exports no GetPass\n");
    return 100;
  }
  Cases(getPass);
  FreeLibrary(module);
  std::printf("%d case(s) failed\n", failures);
  return failures;
}
