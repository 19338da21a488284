#pragma once
// The skin: bitmap artwork loaded once and copied into the windows, the
// palettes it is drawn under, and window outlines made from band lists.

#include <windows.h>

#include "skin/bands.h"

// --- Bitmaps and palettes ---
BITMAPINFOHEADER *LoadBitmapResource(HINSTANCE instance, int id);
HPALETTE NewCreateDIBPalette(const BITMAPINFOHEADER *header);
HBITMAP ConvertDIBToDDB(HWND window, const BITMAPINFOHEADER *header, HPALETTE *outPalette);
int MyLoadDDBitmap(HINSTANCE instance, HWND window, BITMAPINFOHEADER **outHeader, HBITMAP *outBitmap,
                   int id);
int LoadAllBitmaps(HINSTANCE instance, HWND window);
int ReloadPalette(HINSTANCE instance, HWND window);
int LoadSplashScreen(HINSTANCE instance, HWND window);
void DestroySplash();
void DestroyBitmaps();
HBITMAP GetClientBitMap(int state);
BITMAPINFOHEADER *GetClientBmHeader();
BITMAPINFOHEADER *GetSplashBmHeader();
HPALETTE GethPalette();
HPALETTE GethSplashPal();
// The header and device bitmap kept for a picture by its resource id (the 24
// skin pictures and the splash, 1014); none for any other id or while the
// picture is not loaded.
BITMAPINFOHEADER *GetSkinBmHeader(int id);
HBITMAP GetSkinBitmap(int id);

// --- Drawn controls: a rectangle is left, top, right, bottom (right and
// bottom exclusive for copying) at the start of a button record. ---
void DrawClientBackground(HDC dc);
void DrawClientRect(const RECT *rect, HDC dc);
void DrawButtonDn(const RECT *rect, HWND window);
void DrawButtonUp(const RECT *rect, HWND window);
void DrawClientTitleEnd(HDC dc);
void SetStateLED(HWND window, int state);
void DrawConfigBackground(HDC dc);
void DrawConfigButton(const RECT *rect, HWND window, int state);
void DrawPopUp(HDC dc);
void DrawPopUpRectDown(const RECT *rect, HWND window);
void DrawPopUpRectUp(const RECT *rect, HWND window);
void DrawDropDownRectUp(const RECT *rect, HWND window, int sourceX, int sourceY);
void DrawDropDownRectDown(const RECT *rect, HWND window, int sourceX, int sourceY);
void DrawVariableDropDown(HDC dc, const RECT *part, POINT source, const RECT *closing);
void DrawTransferGreyed(HDC dc);
void DrawPopUpLogo(HDC dc);
void DrawBasicPopUp(HDC dc);
void DrawBasicPopUpRectDown(const RECT *rect, HWND window);
void DrawBasicPopUpRectUp(const RECT *rect, HWND window);
void DrawMessageBoxUp(HDC dc);
void DrawMessageButton(const RECT *rect, HWND window, int state);
void DrawSplash(HDC dc);

// --- Window outlines ---
// Makes the union of count bands the window's shape; returns the region
// (owned by the window) or 0 after RegionErrorBox.
HRGN CreateWindowRegion(int count, const NuvBand *bands, HWND window);
void RegionErrorBox(HWND window, DWORD code, int isSystemError);

// The system asks a skinned window to realise its palette: select and
// realise it in a device context of the window, then repaint the window.
void RealizeWindowPalette(HWND window, HPALETTE palette);
