// The yardstick of the pop-up's colour cycle: the least a program can do to
// redraw a caller's name and number in a pulsing green every 20 ms, in a
// window of the pop-up's size, under the same Wine.
//
//   nuv_cycle_ref.exe [lifeMs]    closes itself after lifeMs (default: never)

#include <windows.h>

#include <cstdlib>

namespace {

HWND window;
HFONT font;
int cycleIndex = 8;
int cycleDirection = -1;

// Green from 130 to 255 in eight steps of 15.625 and back, as the client's
// cycle runs.
COLORREF CycleColour() {
  if (cycleDirection > 0) {
    if (++cycleIndex > 8) cycleIndex = 8, cycleDirection = -1;
  } else if (--cycleIndex < 0) {
    cycleIndex = 0, cycleDirection = 1;
  }
  return RGB(0, (130 + static_cast<int>(cycleIndex * 15.625f)) & 0xFF, 0);
}

// Straight onto the window's device context, without invalidating it.
void CALLBACK CycleTick(HWND, UINT, UINT_PTR, DWORD) {
  const COLORREF colour = CycleColour();
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  RECT name = {28, 48, 213, 68};
  RECT number = {28, 64, 213, 84};
  DrawTextA(dc, "Bench Caller", -1, &name, DT_CENTER | DT_VCENTER | DT_NOPREFIX);
  DrawTextA(dc, "(204) 555-1212", -1, &number, DT_CENTER | DT_VCENTER);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
}

LRESULT CALLBACK RefProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void CALLBACK EndOfLife(HWND hwnd, UINT, UINT_PTR, DWORD) { PostMessageA(hwnd, WM_CLOSE, 0, 0); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int) {
  const long lifeMs = std::strtol(cmdLine, nullptr, 10);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RefProc;
  wc.hInstance = instance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "NuvCycleRef";
  RegisterClassA(&wc);
  font = CreateFontA(16, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
  window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE, "NuvCycleRef", "cycle reference", WS_POPUP | WS_VISIBLE,
                           (GetSystemMetrics(SM_CXSCREEN) - 265) / 2, (GetSystemMetrics(SM_CYSCREEN) - 187) / 3, 265,
                           187, nullptr, nullptr, instance, nullptr);
  // A timer without window, as the client's cycle uses.
  SetTimer(nullptr, 0, 20, CycleTick);
  if (lifeMs > 0) SetTimer(window, 1, static_cast<UINT>(lifeMs), EndOfLife);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DeleteObject(font);
  return 0;
}
