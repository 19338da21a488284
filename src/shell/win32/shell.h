#pragma once
// The client's shell on Windows: the program's windows and handles, and the
// operations its windows call on each other.

// Windows Sockets 1.1, which also brings in windows.h.
#include <winsock.h>

#include "calls/active_call.h"
#include "calls/popup_logic.h"

// --- Program handles and start-up state ---
extern HINSTANCE hInst;
extern HWND hNuvMainScreen;  // owner window: carries the taskbar entry
extern HWND hMainScreen;     // main window
extern WSADATA stWSAData;
extern HFONT hnewsfont, holdsfont, hnewCTRLfont;
extern int MisconfiguredShown;
extern HWND hDlgCurrent;
extern HMENU hClientMenu;
extern HWND hClientButtons;
extern HWND hSplash, hAbout;
extern int OtherWindowActivated;

HWND GetNuvMainWindowHandle();

// Messages of the main window.
constexpr UINT WM_NUV_TRAY = WM_USER + 1;   // tray icon notification
constexpr UINT WM_NUV_SOCKET = WM_USER + 4; // the socket is readable

// Menu commands of the main window.
constexpr int kCmdAbout = 6001;
constexpr int kCmdClearLog = 6003;
constexpr int kCmdClose = 6005;
constexpr int kCmdOpenLog = 6006;

// Resource ids.
constexpr int kIconProgram = 2000;
constexpr int kDialogSplash = 7000;
constexpr int kMainWidth = 317;
constexpr int kMainHeight = 194;

// The pop-up window of a slot (0 when the slot is free).
inline HWND PopupWindow(int slot) { return static_cast<HWND>(hQryWndPop[slot]); }

// --- Start-up and shutdown ---
int RegisterNuvClasses(HINSTANCE instance);
int FindThisNuvInstance(const char *number);
void BringWindow2Top(HWND window);
void ExitNUV();
void EmergencyShutdown(const char *caption, const char *text, const char *target);

// --- Window procedures ---
LRESULT CALLBACK MainWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK NuvMainWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK SplashWndProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK About(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK PopupDlgBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK BasicPopupDlgBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK PopupButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK BasicPopupButtonProc(HWND, UINT, WPARAM, LPARAM);
// The system button procedure the button layer's class is derived from.
extern WNDPROC SystemButtonProc;

// --- Main window ---
LRESULT Do_WM_PARENTNOTIFY_Main(HWND, UINT, WPARAM, LPARAM);
LRESULT Do_WSA_ASYNC(HWND, UINT, WPARAM, LPARAM);
void OpenMainWindow();
void CloseMainWindow();
void OpenHiddenWindow();
int TryCloseHiddenWindow(HWND closing);
void DrawNuvIdNumber(HDC dc);
// The button's action after a press and release inside it.
void DoMainButtonAction(int code);
// The main window's buttons in the skinned-window pattern.
extern const struct SkinButtonLayer MainButtonLayer;

// --- Timers ---
void CALLBACK MainTimerProc(HWND, UINT, UINT_PTR, DWORD);
void Popup_AssertCyclingTimer();
void Popup_CheckKillCyclingTimer();
void CALLBACK Popup_CyclingTimerProc(HWND, UINT, UINT_PTR, DWORD);

// --- Tray icon ---
void StartTrayIcon(HINSTANCE instance, HWND window);
void ChangeNotifyIcon(HINSTANCE instance);
void RemoveTrayIcon();
LRESULT Do_TrayNotify(HWND, UINT, WPARAM, LPARAM);

// --- Sound ---
void LoadSounds(HINSTANCE instance);
void MyPlaySound(int sound);
void UnloadSounds();

// --- Dial-up connection ---
void FindNetwork();
int HangUpNetwork_Aol();
void CALLBACK HangUpNetwork_Aol_TimerProc(HWND, UINT, UINT_PTR, DWORD);
BOOL CALLBACK HangUpNetwork_Aol_EnumProc(HWND, LPARAM);
void HangUpNetwork_Aol_Err(HWND owner);
extern unsigned AolExitTicks;
extern HWND hAolMdiClient;

// --- Windows the shell opens and closes: the configuration window, the
// caller log window, the trace window's status items and the pop-ups'
// caller texts. ---
extern HWND hConfigWnd;
extern HWND hLogScreen;
extern HWND hMessageWnd;
HWND GetConfigHandle();
int OpenConfigureBox(HWND owner, int key);
void CreateLogWindow(HINSTANCE instance, HWND owner);
void Debug_OpenTraceWindow();
void Debug_SetStatusItem(int item, const char *text);
void DrawMessageCallerText(int slot);
void BasicDrawMessageCallerText(int slot);
