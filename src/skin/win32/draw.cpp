// Drawn controls: every skinned surface and button is a rectangle copied from
// the window's pressed or released picture, under the skin palette.

#include "shell/status.h"
#include "config/settings.h"
#include "skin/win32/skin.h"

namespace {

// One rectangle copy: width x height from (srcX, srcY) of the picture to
// (x, y) of the target.
struct Copy {
  int x, y, width, height, srcX, srcY;
};

// The rectangle, to the same place.
Copy SamePlace(const RECT &r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top, r.left, r.top};
}

// The common steps of every drawing operation. A picture that is not loaded
// (or no picture at all) copies nothing, so nothing stale or undefined is
// shown.
void CopyPicture(HDC dc, HBITMAP picture, HPALETTE palette, const Copy *copies, int count) {
  if (!dc || !picture) return;
  HPALETTE oldPalette = nullptr;
  if (palette) {
    oldPalette = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }
  HDC mem = CreateCompatibleDC(dc);
  if (mem) {
    if (HGDIOBJ old = SelectObject(mem, picture)) {
      for (int i = 0; i < count; ++i) {
        const Copy &c = copies[i];
        BitBlt(dc, c.x, c.y, c.width, c.height, mem, c.srcX, c.srcY, SRCCOPY);
      }
      SelectObject(mem, old);
    }
    DeleteDC(mem);
  }
  if (oldPalette) SelectPalette(dc, oldPalette, FALSE);
}

void CopySkin(HDC dc, int id, const Copy &copy) {
  CopyPicture(dc, GetSkinBitmap(id), GethPalette(), &copy, 1);
}

// Operations on a window draw into a context taken for the call; without a
// window nothing is drawn (the screen is never a target).
void CopySkinToWindow(HWND window, int id, const Copy &copy) {
  if (!window) return;
  HDC dc = GetDC(window);
  if (!dc) return;
  CopySkin(dc, id, copy);
  ReleaseDC(window, dc);
}

void RectToWindow(const RECT *rect, HWND window, int id) {
  if (rect) CopySkinToWindow(window, id, SamePlace(*rect));
}

void RectToDc(const RECT *rect, HDC dc, int id) {
  if (rect) CopySkin(dc, id, SamePlace(*rect));
}

// The whole picture with its top-left corner at (x, y).
void WholeToDc(HDC dc, int id, int x, int y, HPALETTE palette) {
  const BITMAPINFOHEADER *h = GetSkinBmHeader(id);
  if (!h) return;
  const LONG rows = h->biHeight < 0 ? -h->biHeight : h->biHeight;
  const Copy copy = {x, y, static_cast<int>(h->biWidth), static_cast<int>(rows), 0, 0};
  CopyPicture(dc, GetSkinBitmap(id), palette, &copy, 1);
}

void WholeSkin(HDC dc, int id, int x, int y) { WholeToDc(dc, id, x, y, GethPalette()); }

// Pictures chosen by service type 0 to 3; 0 for any other type.
int ByService(const int (&ids)[4]) {
  const long service = GetUserService();
  return service >= 0 && service <= 3 ? ids[service] : 0;
}

constexpr int kTitleEnds[4] = {1023, 1024, 1029, 1030};
constexpr int kPopUpLogos[4] = {1025, 1026, 1027, 1028};

// The status light's place in the main window.
constexpr int kLedLeft = 282;
constexpr int kLedTop = 147;
constexpr int kLedSide = 17;

// Pressed-or-released picture of a two-state button; 0 for any other state.
int ByState(int state, int released, int pressed) {
  return state == 0 ? released : state == 1 ? pressed : 0;
}

}  // namespace

void DrawClientBackground(HDC dc) { WholeSkin(dc, 1001, 0, 0); }
void DrawClientRect(const RECT *rect, HDC dc) { RectToDc(rect, dc, 1001); }

// The main window's pressed (1000) and released (1001) pictures.
void DrawButtonDn(const RECT *rect, HWND window) { RectToWindow(rect, window, 1000); }
void DrawButtonUp(const RECT *rect, HWND window) { RectToWindow(rect, window, 1001); }

void DrawClientTitleEnd(HDC dc) {
  const int id = ByService(kTitleEnds);
  if (id) WholeSkin(dc, id, 183, 0);
}

void SetStateLED(HWND window, int state) {
  const int id = StatusLedPicture(state);
  if (id) CopySkinToWindow(window, id, {kLedLeft, kLedTop, kLedSide, kLedSide, 0, 0});
}

void DrawConfigBackground(HDC dc) { WholeSkin(dc, 2001, 0, 0); }

void DrawConfigButton(const RECT *rect, HWND window, int state) {
  const int id = ByState(state, 2001, 2000);
  if (id) RectToWindow(rect, window, id);
}

void DrawPopUp(HDC dc) { WholeSkin(dc, 1011, 0, 0); }
void DrawPopUpRectDown(const RECT *rect, HWND window) { RectToWindow(rect, window, 1010); }
void DrawPopUpRectUp(const RECT *rect, HWND window) { RectToWindow(rect, window, 1011); }

void DrawDropDownRectUp(const RECT *rect, HWND window, int sourceX, int sourceY) {
  if (rect)
    CopySkinToWindow(window, 1013,
                     {rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                      sourceX, sourceY});
}

void DrawDropDownRectDown(const RECT *rect, HWND window, int sourceX, int sourceY) {
  if (rect)
    CopySkinToWindow(window, 1012,
                     {rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                      sourceX, sourceY});
}

// part and closing hold x, y, width, height in the places of left, top,
// right, bottom. The closing piece goes below the part's height.
void DrawVariableDropDown(HDC dc, const RECT *part, POINT source, const RECT *closing) {
  if (!part || !closing) return;
  const Copy copies[2] = {
      {part->left, part->top, part->right, part->bottom, source.x, source.y},
      {closing->left, part->bottom, closing->right, closing->bottom, closing->left, closing->top},
  };
  CopyPicture(dc, GetSkinBitmap(1013), GethPalette(), copies, 2);
}

void DrawTransferGreyed(HDC dc) { WholeSkin(dc, 1018, 72, 142); }

void DrawPopUpLogo(HDC dc) {
  const int id = ByService(kPopUpLogos);
  if (id) WholeSkin(dc, id, 19, 99);
}

void DrawBasicPopUp(HDC dc) { WholeSkin(dc, 1019, 0, 0); }
void DrawBasicPopUpRectDown(const RECT *rect, HWND window) { RectToWindow(rect, window, 1020); }
void DrawBasicPopUpRectUp(const RECT *rect, HWND window) { RectToWindow(rect, window, 1019); }

void DrawMessageBoxUp(HDC dc) { WholeSkin(dc, 4002, 0, 0); }

void DrawMessageButton(const RECT *rect, HWND window, int state) {
  const int id = ByState(state, 4002, 4001);
  if (id) RectToWindow(rect, window, id);
}

void DrawSplash(HDC dc) { WholeToDc(dc, 1014, 0, 0, GethSplashPal()); }
