#pragma once
// Edit fields for the checks that move the focus and select text: real
// (hidden) windows with EDIT children in the Windows build, the platform
// recorder's fake controls natively. Read back through platform/ui.h on both.

#include <string>

#include "platform/ui.h"

#if defined(_WIN32)
#include <windows.h>
#endif

class UiHarness {
 public:
  // A window holding the edit fields `firstId`..`lastId`.
  PlatWindow MakeWindow(int firstId, int lastId) {
#if defined(_WIN32)
    static const char kClass[] = "NuvTestHost";
    static bool registered = false;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    if (!registered) {
      WNDCLASSA wc{};
      wc.lpfnWndProc = DefWindowProcA;
      wc.hInstance = inst;
      wc.lpszClassName = kClass;
      registered = RegisterClassA(&wc) != 0;
    }
    HWND host = CreateWindowExA(0, kClass, "host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                nullptr, inst, nullptr);
    for (int id = firstId; id <= lastId; ++id)
      CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10,
                      10 + 22 * (id - firstId), 200, 20, host,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    windows_[count_++] = host;
    return host;
#else
    PlatWindow host = PlatFakeWindow();
    for (int id = firstId; id <= lastId; ++id) PlatFakeControl(host, id);
    return host;
#endif
  }

  ~UiHarness() {
#if defined(_WIN32)
    for (int i = 0; i < count_; ++i) DestroyWindow(static_cast<HWND>(windows_[i]));
#else
    PlatFakeUiReset();
#endif
  }

  static std::string Text(PlatWindow control) {
    char buf[256];
    PlatGetControlText(control, buf, sizeof buf);
    return buf;
  }

  // Whether the control's whole (non-empty) text is selected.
  static bool AllSelected(PlatWindow edit) {
    int start = -1, end = -1;
    if (!PlatGetEditSelection(edit, &start, &end)) return false;
    const int len = static_cast<int>(Text(edit).size());
    return len > 0 && start == 0 && end == len;
  }

 private:
#if defined(_WIN32)
  PlatWindow windows_[4] = {};
  int count_ = 0;
#endif
};
