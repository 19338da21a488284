// The yardstick of the client's idle cost: the least a windowed program with
// a one-second timer can do under the same Wine.

#include <windows.h>

namespace {

LRESULT CALLBACK RefProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RefProc;
  wc.hInstance = instance;
  wc.lpszClassName = "NuvIdleRef";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, "NuvIdleRef", "idle reference", WS_POPUP | WS_VISIBLE, 10, 10,
                                317, 194, nullptr, nullptr, instance, nullptr);
  SetTimer(window, 1, 1000, Tick);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
