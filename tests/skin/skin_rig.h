#pragma once
// Skin pictures made in memory and put into a resource module of their own,
// so the loaders run on real bitmap resources whose every pixel is known: a
// copy of the test program whose resources are replaced, loaded as data.

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace skinrig {

// Colour of table entry i: every entry differs (red is the index).
inline COLORREF TableColour(int i) {
  return RGB(i & 255, (i * 5 + 17) & 255, 255 - (i & 255));
}

// The skin's pictures with their sizes; the splash last.
struct PictureSize {
  int id, width, height;
};
inline const PictureSize kPictures[] = {
    {1000, 317, 194}, {1001, 317, 194}, {1015, 17, 17},   {1017, 17, 17},   {1016, 17, 17},
    {2001, 317, 314}, {2000, 317, 314}, {1011, 265, 187}, {1010, 265, 187}, {1013, 265, 146},
    {1012, 265, 146}, {1018, 59, 34},   {4002, 364, 238}, {4001, 364, 238}, {1019, 265, 251},
    {1020, 265, 251}, {1023, 58, 29},   {1024, 58, 29},   {1029, 58, 29},   {1030, 58, 29},
    {1025, 64, 24},   {1026, 64, 24},   {1027, 64, 24},   {1028, 64, 24},   {1014, 300, 200},
};
constexpr int kSkinPictures = 24;  // all but the splash, in the order of loading

// Table index of pixel (x, y) of picture id: the main window's released and
// pressed pictures carry patterns from disjoint ranges, every other picture
// one colour of its own.
inline int PixelIndex(int id, int x, int y) {
  switch (id) {
    case 1001: return (x * 3 + y * 5) % 97;
    case 1000: return 100 + (x + 2 * y) % 90;
    case 1015: return 200;
    case 1016: return 201;
    case 1017: return 202;
    case 1023: return 210;
    case 1024: return 211;
    case 1029: return 212;
    case 1030: return 213;
    case 1025: return 220;
    case 1026: return 221;
    case 1027: return 222;
    case 1028: return 223;
    case 1013: return (x + y) % 50;
    case 1014: return (x + y) % 256;
    default: return 230 + id % 20;
  }
}

inline COLORREF PixelColour(int id, int x, int y) { return TableColour(PixelIndex(id, x, y)); }

// A packed 8-bit DIB, bottom-up: header, `entries` table colours, rows.
// colorsUsed goes into the header as it is.
template <typename Pixel>
std::vector<std::uint8_t> MakeDib(int width, int height, DWORD colorsUsed, int entries,
                                  Pixel pixel) {
  const int stride = (width + 3) & ~3;
  std::vector<std::uint8_t> dib(sizeof(BITMAPINFOHEADER) + 4 * entries + stride * height);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 8;
  h.biCompression = BI_RGB;
  h.biClrUsed = colorsUsed;
  std::memcpy(dib.data(), &h, sizeof h);
  auto *table = reinterpret_cast<RGBQUAD *>(dib.data() + sizeof h);
  for (int i = 0; i < entries; ++i) {
    const COLORREF c = TableColour(i);
    table[i] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
  }
  std::uint8_t *rows = dib.data() + sizeof h + 4 * entries;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      rows[(height - 1 - y) * stride + x] = static_cast<std::uint8_t>(pixel(x, y));
  return dib;
}

// Picture id as the artwork has it: 255 colours, the splash 256.
inline std::vector<std::uint8_t> SkinDib(const PictureSize &p) {
  const bool splash = p.id == 1014;
  return MakeDib(p.width, p.height, splash ? 0 : 255, splash ? 256 : 255,
                 [&](int x, int y) { return PixelIndex(p.id, x, y); });
}

struct Resource {
  int id;
  std::vector<std::uint8_t> data;
};

// A module whose only resources are the given bitmaps, loaded as data. The
// file lies in the temporary folder and goes with the object.
class ResourceModule {
 public:
  explicit ResourceModule(const std::vector<Resource> &bitmaps) {
    char temp[MAX_PATH], self[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    GetTempFileNameA(temp, "nuv", 0, path_);
    GetModuleFileNameA(nullptr, self, sizeof self);
    if (!CopyFileA(self, path_, FALSE)) return;
    HANDLE update = BeginUpdateResourceA(path_, TRUE);
    if (!update) return;
    for (const Resource &r : bitmaps)
      UpdateResourceA(update, MAKEINTRESOURCEA(2) /* bitmap */, MAKEINTRESOURCEA(r.id),
                      MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                      const_cast<std::uint8_t *>(r.data.data()), static_cast<DWORD>(r.data.size()));
    if (!EndUpdateResourceA(update, FALSE)) return;
    module_ = LoadLibraryExA(path_, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  ~ResourceModule() {
    if (module_) FreeLibrary(module_);
    DeleteFileA(path_);
  }
  ResourceModule(const ResourceModule &) = delete;
  ResourceModule &operator=(const ResourceModule &) = delete;

  HINSTANCE instance() const { return module_; }

 private:
  char path_[MAX_PATH] = {};
  HMODULE module_ = nullptr;
};

// The whole skin and the splash, without the pictures named in `missing`.
inline std::vector<Resource> SkinResources(std::vector<int> missing = {}) {
  std::vector<Resource> list;
  for (const PictureSize &p : kPictures) {
    bool skip = false;
    for (int m : missing) skip = skip || m == p.id;
    if (!skip) list.push_back({p.id, SkinDib(p)});
  }
  return list;
}

// Pixels of a device context's area as colour references, row by row.
class Capture {
 public:
  Capture(HDC dc, int width, int height) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, section);
    BitBlt(mem, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    pixels_.resize(static_cast<size_t>(width) * height);
    const auto *src = static_cast<const std::uint32_t *>(bits);
    for (size_t i = 0; i < pixels_.size(); ++i) {
      const std::uint32_t v = src[i];
      pixels_[i] = RGB((v >> 16) & 255, (v >> 8) & 255, v & 255);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(section);
  }
  COLORREF At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  int width() const { return width_; }
  int height() const { return height_; }
  bool operator==(const Capture &o) const { return pixels_ == o.pixels_; }

 private:
  int width_, height_;
  std::vector<COLORREF> pixels_;
};

}  // namespace skinrig
