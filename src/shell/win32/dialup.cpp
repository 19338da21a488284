// The dial-up connection: whether it is up (the session logs in only then)
// and how it is ended when an answered call needs the line: a remote-access
// hang-up, or closing the AOL client through its windows.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h
#include <ras.h>
#include <raserror.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "config/settings.h"
#include "platform/string_table.h"
#include "platform/win32/ras_buffers.h"
#include "protocol/app_hooks.h"
#include "protocol/event.h"
#include "protocol/nuvproto.h"
#include "protocol/trace.h"
#include "shell/msgbox.h"
#include "platform/message_box.h"
#include "shell/win32/shell.h"

unsigned AolExitTicks;
HWND hAolMdiClient;

namespace {

constexpr UINT_PTR kAolTimerId = 3;
constexpr int kAolWaitTicks = 5;

// What the enumeration of the confirmation's descendants looks for.
struct AolEnumContext {
  int count;
  int target;
  char wantedClass[96];
  int found;
};

void LoadText(unsigned id, char *buf, int size) { PlatLoadString(id, buf, size); }

HWND FindAolFrame() {
  char frameClass[96];
  LoadText(1894, frameClass, sizeof frameClass);
  return FindWindowA(frameClass, nullptr);
}

// Reads the remote-access connections into the prepared area: the number
// found, or -1 after the error was written to the trace.
int EnumerateConnections(DWORD *count) {
  SetUpRas();
  DWORD size = NuvRasBufferSize;
  *count = 0;
  const DWORD error =
      RasEnumConnectionsA(reinterpret_cast<LPRASCONNA>(NuvRasConnections), &size, count);
  if (error == 0) return static_cast<int>(*count);
  if (error == ERROR_BUFFER_TOO_SMALL) {
    Debug_MessageListString("BUFFER_TOO_SMALL\r\n");
  } else if (error == ERROR_NOT_ENOUGH_MEMORY) {
    Debug_MessageListString("NOT_ENOUGH_MEMORY\r\n");
  } else {
    char text[255] = "";
    RasGetErrorStringA(error, text, sizeof text);
    text[sizeof text - 1] = '\0';
    Debug_MessageListString(text);
    Debug_MessageListString("\r\n");
  }
  return -1;
}

}  // namespace

void FindNetwork() {
  const int wasUp = NetUp;
  if (Config.RAS[0] == '0') {
    NetUp = 1;
    Debug_SetStatusItem(310, "Ras disabled");
  } else if (Config.USEAOL[0] == '1') {
    NetUp = FindAolFrame() ? 1 : 0;
    Debug_SetStatusItem(310, NetUp ? "AOL Ok" : "AOL Not Found");
  } else {
    DWORD count = 0;
    const int found = EnumerateConnections(&count);
    if (found < 0) return;
    if (found == 0) {
      NetUp = 0;
      Debug_SetStatusItem(310, "No Connection");
    } else {
      RasGetConnectStatusA(static_cast<HRASCONN>(NuvRasConnections[0].hrasconn),
                           reinterpret_cast<LPRASCONNSTATUSA>(&NuvRasStatus));
      if (NuvRasStatus.rasconnstate == RASCS_Connected) {
        NetUp = 1;
        char entry[sizeof NuvRasConnections[0].szEntryName];
        std::memcpy(entry, NuvRasConnections[0].szEntryName, sizeof entry);
        entry[sizeof entry - 1] = '\0';
        Debug_SetStatusItem(310, entry);
      } else {
        NetUp = 0;
        Debug_SetStatusItem(310, "Connecting....");
      }
    }
  }
  if (NetUp != wasUp) NuvEventNetworkChange(&nuvLogin, NetUp);
}

void HangUpNetwork() {
  // Down at once, and counted down: the next check that finds a connection
  // (a redial, however quick) is a change and logs in again.
  NuvEventNetworkChange(&nuvLogin, 0);
  NetUp = 0;
  if (Config.RAS[0] != '1') return;
  if (Config.USEAOL[0] == '1') {
    if (!HangUpNetwork_Aol()) HangUpNetwork_Aol_Err(hMainScreen);
    return;
  }
  DWORD count = 0;
  if (EnumerateConnections(&count) > 0) RasHangUpA(static_cast<HRASCONN>(NuvRasConnections[0].hrasconn));
}

int HangUpNetwork_Aol() {
  NuvEventNetworkChange(&nuvLogin, 0);
  NetUp = 0;
  HWND frame = FindAolFrame();
  if (!frame) return 0;
  SendMessageA(frame, WM_CLOSE, 0, 0);
  char text[96];
  LoadText(1900, text, sizeof text);
  if (FindWindowA(text, nullptr)) return 1;
  // The frame may be gone after its close: then there is nothing to confirm.
  char caption[96] = "";
  GetWindowTextA(frame, caption, sizeof caption);
  LoadText(1901, text, sizeof text);
  if (lstrcmpiA(caption, text) != 0) return 1;
  LoadText(1895, text, sizeof text);
  HWND mdi = FindWindowExA(frame, nullptr, text, nullptr);
  if (!mdi) return 0;
  AolExitTicks = 0;
  hAolMdiClient = mdi;
  SetTimer(hNuvMainScreen, kAolTimerId, 1000, HangUpNetwork_Aol_TimerProc);
  return 1;
}

void CALLBACK HangUpNetwork_Aol_TimerProc(HWND, UINT, UINT_PTR, DWORD) {
  ++AolExitTicks;
  char childClass[96], caption[96];
  LoadText(1896, childClass, sizeof childClass);
  LoadText(1897, caption, sizeof caption);
  HWND confirm = FindWindowExA(hAolMdiClient, nullptr, childClass, caption);
  if (confirm) {
    AolEnumContext context = {};
    char position[96];
    LoadText(1898, position, sizeof position);
    unsigned target;
    context.target = std::sscanf(position, "%u", &target) == 1 ? static_cast<int>(target) : 10;
    LoadText(1899, context.wantedClass, sizeof context.wantedClass);
    EnumChildWindows(confirm, HangUpNetwork_Aol_EnumProc, reinterpret_cast<LPARAM>(&context));
    if (context.found) {
      KillTimer(hNuvMainScreen, kAolTimerId);
      return;
    }
  }
  if (AolExitTicks >= kAolWaitTicks) {
    KillTimer(hNuvMainScreen, kAolTimerId);
    HangUpNetwork_Aol_Err(hMainScreen);
  }
}

BOOL CALLBACK HangUpNetwork_Aol_EnumProc(HWND window, LPARAM lParam) {
  auto *context = reinterpret_cast<AolEnumContext *>(lParam);
  ++context->count;
  if (context->count != context->target) return TRUE;
  char className[96] = "";
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, context->wantedClass) != 0) return TRUE;
  KillTimer(hNuvMainScreen, kAolTimerId);
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  context->found = 1;
  return FALSE;
}

void HangUpNetwork_Aol_Err(HWND owner) { stringMessageBox(owner, 1431, 1432, kMbIconWarning); }
