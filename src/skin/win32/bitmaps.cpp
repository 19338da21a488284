// Skin bitmaps and palettes: every picture is loaded once from the program's
// bitmap resources and converted into a device bitmap, so that drawing is a
// plain rectangle copy.

#include <cstdint>

#include "skin/win32/skin.h"

static_assert(sizeof(BITMAPINFOHEADER) == 40, "resource bitmaps begin with the 40-byte header");
static_assert(sizeof(RGBQUAD) == 4, "a colour-table entry is blue, green, red, reserved");
static_assert(sizeof(PALETTEENTRY) == 4, "a palette entry is red, green, blue, flags");

namespace {

// The largest picture side accepted from a resource; the artwork is a few
// hundred pixels, so anything larger is a damaged header.
constexpr LONG kMaxSide = 16384;
constexpr int kMaxColours = 256;

struct Picture {
  int id;
  BITMAPINFOHEADER *header;
  HBITMAP bitmap;
};

// The skin pictures in the order they are loaded.
Picture Skin[] = {
    {1000, nullptr, nullptr}, {1001, nullptr, nullptr}, {1015, nullptr, nullptr},
    {1017, nullptr, nullptr}, {1016, nullptr, nullptr}, {2001, nullptr, nullptr},
    {2000, nullptr, nullptr}, {1011, nullptr, nullptr}, {1010, nullptr, nullptr},
    {1013, nullptr, nullptr}, {1012, nullptr, nullptr}, {1018, nullptr, nullptr},
    {4002, nullptr, nullptr}, {4001, nullptr, nullptr}, {1019, nullptr, nullptr},
    {1020, nullptr, nullptr}, {1023, nullptr, nullptr}, {1024, nullptr, nullptr},
    {1029, nullptr, nullptr}, {1030, nullptr, nullptr}, {1025, nullptr, nullptr},
    {1026, nullptr, nullptr}, {1027, nullptr, nullptr}, {1028, nullptr, nullptr},
};
constexpr int kSkinCount = sizeof Skin / sizeof Skin[0];
static_assert(kSkinCount == 24, "the skin has 24 pictures");

Picture Splash = {1014, nullptr, nullptr};

HPALETTE hPalette = nullptr;
HPALETTE hSplashPal = nullptr;

Picture *FindPicture(int id) {
  for (Picture &p : Skin)
    if (p.id == id) return &p;
  return id == Splash.id ? &Splash : nullptr;
}

// Entries of the colour table: the colours-used field, or all colours of a
// depth of up to 8 bits when it is 0. -1 when the header cannot describe an
// uncompressed picture with a table of at most 256 entries.
int ColourCount(const BITMAPINFOHEADER *h) {
  if (h->biSize < sizeof(BITMAPINFOHEADER)) return -1;
  if (h->biCompression != BI_RGB || h->biPlanes != 1) return -1;
  const int bits = h->biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
  const DWORD full = bits <= 8 ? (1u << bits) : 0;
  if (h->biClrUsed == 0) return static_cast<int>(full);
  if (h->biClrUsed > kMaxColours || (full && h->biClrUsed > full)) return -1;
  return static_cast<int>(h->biClrUsed);
}

// Bytes of header, colour table and pixel rows; 0 when the header is unusable.
std::uint64_t PackedSize(const BITMAPINFOHEADER *h) {
  const int colours = ColourCount(h);
  if (colours < 0) return 0;
  if (h->biWidth <= 0 || h->biWidth > kMaxSide) return 0;
  if (h->biHeight == 0 || h->biHeight > kMaxSide || h->biHeight < -kMaxSide) return 0;
  const std::uint64_t rows = static_cast<std::uint64_t>(h->biHeight < 0 ? -h->biHeight : h->biHeight);
  const std::uint64_t stride =
      ((static_cast<std::uint64_t>(h->biWidth) * h->biBitCount + 31) / 32) * 4;
  return h->biSize + 4ull * static_cast<unsigned>(colours) + stride * rows;
}

LONG Rows(const BITMAPINFOHEADER *h) { return h->biHeight < 0 ? -h->biHeight : h->biHeight; }

// Loads a picture and its palette into the caller's slots. The palette is
// replaced (and the old one released) only when a new one was made, so a
// failed palette never leaves the skin without one.
int LoadPicture(HINSTANCE instance, HWND window, int id, BITMAPINFOHEADER **outHeader,
                HBITMAP *outBitmap, HPALETTE *palette) {
  BITMAPINFOHEADER *header = LoadBitmapResource(instance, id);
  if (!header) return 0;
  HPALETTE made = nullptr;
  HBITMAP bitmap = ConvertDIBToDDB(window, header, &made);
  if (!bitmap) return 0;
  *outHeader = header;
  *outBitmap = bitmap;
  if (made) {
    if (*palette) DeleteObject(*palette);
    *palette = made;
  }
  return 1;
}

// Reloads one kept picture, releasing the bitmap it replaces.
int LoadKept(HINSTANCE instance, HWND window, Picture &p, HPALETTE *palette) {
  HBITMAP old = p.bitmap;
  if (!LoadPicture(instance, window, p.id, &p.header, &p.bitmap, palette)) return 0;
  if (old && old != p.bitmap) DeleteObject(old);
  return 1;
}

void Release(Picture &p) {
  if (p.bitmap) DeleteObject(p.bitmap);
  p.bitmap = nullptr;
  p.header = nullptr;
}

void ReleasePalette(HPALETTE *palette) {
  if (*palette) DeleteObject(*palette);
  *palette = nullptr;
}

}  // namespace

BITMAPINFOHEADER *LoadBitmapResource(HINSTANCE instance, int id) {
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (!found) return nullptr;
  const DWORD size = SizeofResource(instance, found);
  HGLOBAL loaded = LoadResource(instance, found);
  if (!loaded) return nullptr;
  auto *header = static_cast<BITMAPINFOHEADER *>(LockResource(loaded));
  if (!header || size < sizeof(BITMAPINFOHEADER)) return nullptr;
  // A damaged resource is refused here, so that nothing later reads past it.
  if (header->biSize > size) return nullptr;
  const std::uint64_t needed = PackedSize(header);
  if (needed == 0 || needed > size) return nullptr;
  return header;
}

HPALETTE NewCreateDIBPalette(const BITMAPINFOHEADER *header) {
  if (!header) return nullptr;
  const int colours = ColourCount(header);
  if (colours <= 0) return nullptr;
  struct {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[kMaxColours];
  } record;
  record.palVersion = 0x300;
  record.palNumEntries = static_cast<WORD>(colours);
  const auto *table = reinterpret_cast<const RGBQUAD *>(
      reinterpret_cast<const BYTE *>(header) + header->biSize);
  for (int i = 0; i < colours; ++i) {
    record.palPalEntry[i].peRed = table[i].rgbRed;
    record.palPalEntry[i].peGreen = table[i].rgbGreen;
    record.palPalEntry[i].peBlue = table[i].rgbBlue;
    record.palPalEntry[i].peFlags = 0;
  }
  return CreatePalette(reinterpret_cast<const LOGPALETTE *>(&record));
}

HBITMAP ConvertDIBToDDB(HWND window, const BITMAPINFOHEADER *header, HPALETTE *outPalette) {
  if (outPalette) *outPalette = nullptr;
  if (!header) return nullptr;
  const int colours = ColourCount(header);
  if (colours < 0 || PackedSize(header) == 0) return nullptr;
  HDC windowDc = GetDC(window);
  if (!windowDc) return nullptr;

  HPALETTE palette = NewCreateDIBPalette(header);
  HDC mem = CreateCompatibleDC(windowDc);
  HPALETTE oldPalette = nullptr;
  if (mem && palette) {
    oldPalette = SelectPalette(mem, palette, FALSE);
    RealizePalette(mem);
  }
  // The bits are set while the bitmap is selected nowhere, as the system asks.
  HBITMAP bitmap = CreateCompatibleBitmap(windowDc, header->biWidth, Rows(header));
  if (bitmap) {
    const BYTE *bits = reinterpret_cast<const BYTE *>(header) + header->biSize + 4 * colours;
    if (!SetDIBits(mem ? mem : windowDc, bitmap, 0, static_cast<UINT>(Rows(header)), bits,
                   reinterpret_cast<const BITMAPINFO *>(header), DIB_RGB_COLORS)) {
      DeleteObject(bitmap);
      bitmap = nullptr;
    }
  }
  if (mem) {
    if (oldPalette) SelectPalette(mem, oldPalette, FALSE);
    DeleteDC(mem);
  }
  ReleaseDC(window, windowDc);

  if (bitmap && outPalette) {
    *outPalette = palette;
  } else if (palette) {
    DeleteObject(palette);
  }
  return bitmap;
}

int MyLoadDDBitmap(HINSTANCE instance, HWND window, BITMAPINFOHEADER **outHeader,
                   HBITMAP *outBitmap, int id) {
  if (!outHeader || !outBitmap) return 0;
  return LoadPicture(instance, window, id, outHeader, outBitmap, &hPalette);
}

int LoadAllBitmaps(HINSTANCE instance, HWND window) {
  for (Picture &p : Skin)
    if (!LoadKept(instance, window, p, &hPalette)) return 0;
  return 1;
}

int ReloadPalette(HINSTANCE instance, HWND window) {
  return LoadKept(instance, window, Skin[0], &hPalette);
}

int LoadSplashScreen(HINSTANCE instance, HWND window) {
  return LoadKept(instance, window, Splash, &hSplashPal);
}

void DestroySplash() {
  Release(Splash);
  ReleasePalette(&hSplashPal);
}

void DestroyBitmaps() {
  for (Picture &p : Skin) Release(p);
  DestroySplash();
  ReleasePalette(&hPalette);
}

HBITMAP GetClientBitMap(int state) { return GetSkinBitmap(state == 1 ? 1000 : 1001); }
BITMAPINFOHEADER *GetClientBmHeader() { return GetSkinBmHeader(1001); }
BITMAPINFOHEADER *GetSplashBmHeader() { return Splash.header; }
HPALETTE GethPalette() { return hPalette; }
HPALETTE GethSplashPal() { return hSplashPal; }

BITMAPINFOHEADER *GetSkinBmHeader(int id) {
  const Picture *p = FindPicture(id);
  return p ? p->header : nullptr;
}

HBITMAP GetSkinBitmap(int id) {
  const Picture *p = FindPicture(id);
  return p ? p->bitmap : nullptr;
}
