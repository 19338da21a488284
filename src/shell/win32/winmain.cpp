// The program's entry point: settings, one instance per monitored number,
// Windows Sockets, the window classes, the two top-level windows and the one
// message loop.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "config/config.h"
#include "config/settings.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "shell/cycle.h"
#include "shell/main_timer.h"
#include "shell/msgbox.h"
#include "shell/win32/shell.h"

namespace {

void CreateFonts() {
  hnewsfont = CreateFontA(16, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
  holdsfont = hnewsfont;
  hnewCTRLfont = CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  hInst = instance;
  PlatSetStringModule(instance);

  InitServiceProfile();
  char text[96];
  PlatLoadString(kIdsServiceDefault, text, sizeof text);
  InitDefaultService(text);
  InitCycleColours();
  GetInfoFile();

  if (FindThisNuvInstance(Config.USERID)) return 0;

  RegisterNuvClasses(instance);

  if (WSAStartup(MAKEWORD(1, 1), &stWSAData) != 0) {
    stringMessageBox(nullptr, 1421, 1422, kMbIconError);
    return 0;
  }

  for (int i = 0; i < kPopupSlots; ++i) {
    hQryWndPop[i] = nullptr;
    TimerCountDown[i] = 0;
  }

  hNuvMainScreen = CreateWindowExA(0, "NUVMAIN", "NUV", WS_POPUP | WS_BORDER | WS_SYSMENU | WS_VISIBLE,
                                   0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  // The creation runs the main start-up sequence and keeps the handle itself;
  // a creation that fails leaves it 0.
  CreateWindowExA(0, "NUV", "NUV", WS_POPUP, 0, 0, 0, 0, hNuvMainScreen, nullptr, instance, nullptr);
  CreateFonts();

  MSG msg;
  int code = 0;
  for (;;) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      code = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) break;
    if (hDlgCurrent && IsDialogMessageA(hDlgCurrent, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  WSACleanup();
  return code;
}
