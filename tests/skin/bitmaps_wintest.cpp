// Skin bitmaps and palettes on real bitmap resources: palettes from colour
// tables, converted pixels, refusal of damaged resources, the load order and
// the release of every replaced handle.
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "skin/win32/skin.h"
#include "skin_rig.h"

namespace {

using skinrig::Capture;
using skinrig::kPictures;
using skinrig::kSkinPictures;
using skinrig::MakeDib;
using skinrig::PixelColour;
using skinrig::ResourceModule;
using skinrig::TableColour;

BITMAPINFOHEADER *Header(std::vector<std::uint8_t> &dib) {
  return reinterpret_cast<BITMAPINFOHEADER *>(dib.data());
}

int PaletteSize(HPALETTE palette) { return GetPaletteEntries(palette, 0, 0, nullptr); }

// A device bitmap's pixels, read through a memory context.
Capture Pixels(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bitmap);
  Capture c(mem, info.bmWidth, info.bmHeight);
  SelectObject(mem, old);
  DeleteDC(mem);
  return c;
}

TEST(SkinPalette, EntriesFollowTheColourTable) {
  struct Case {
    int bits;
    DWORD used;
    int entries;   // written into the table
    int expected;  // palette entries, 0: no palette
  } cases[] = {
      {8, 0, 256, 256},   // the splash
      {8, 255, 255, 255}, // the skin
      {8, 1, 1, 1},
      {4, 0, 16, 16},
      {8, 257, 257, 0},   // more colours than 8 bits hold
      {1, 3, 3, 0},
  };
  for (const Case &c : cases) {
    auto dib = MakeDib(4, 2, c.used, c.entries, [](int, int) { return 0; });
    Header(dib)->biBitCount = static_cast<WORD>(c.bits);
    HPALETTE palette = NewCreateDIBPalette(Header(dib));
    if (c.expected == 0) {
      EXPECT_EQ(nullptr, palette) << c.bits << " bits, " << c.used << " used";
      continue;
    }
    ASSERT_NE(nullptr, palette);
    EXPECT_EQ(c.expected, PaletteSize(palette)) << c.bits << " bits, " << c.used << " used";
    std::vector<PALETTEENTRY> entries(c.expected);
    GetPaletteEntries(palette, 0, c.expected, entries.data());
    for (int i = 0; i < c.expected; ++i) {
      const COLORREF want = TableColour(i);
      EXPECT_EQ(GetRValue(want), entries[i].peRed) << i;
      EXPECT_EQ(GetGValue(want), entries[i].peGreen) << i;
      EXPECT_EQ(GetBValue(want), entries[i].peBlue) << i;
      EXPECT_EQ(0, entries[i].peFlags) << i;
    }
    DeleteObject(palette);
  }
  EXPECT_EQ(nullptr, NewCreateDIBPalette(nullptr));
}

TEST(SkinConvert, DeviceBitmapHoldsTheTableColoursRowByRow) {
  auto pixel = [](int x, int y) { return x * 10 + y; };
  for (int topDown = 0; topDown < 2; ++topDown) {
    auto dib = MakeDib(5, 3, 255, 255, pixel);
    if (topDown) {
      // The same picture stored top row first.
      BITMAPINFOHEADER *h = Header(dib);
      std::uint8_t *rows = dib.data() + h->biSize + 4 * 255;
      for (int x = 0; x < 5; ++x) std::swap(rows[x], rows[2 * 8 + x]);
      h->biHeight = -3;
    }
    HPALETTE palette = nullptr;
    HBITMAP bitmap = ConvertDIBToDDB(nullptr, Header(dib), &palette);
    ASSERT_NE(nullptr, bitmap) << "top-down " << topDown;
    ASSERT_NE(nullptr, palette);
    EXPECT_EQ(255, PaletteSize(palette));
    const Capture c = Pixels(bitmap);
    ASSERT_EQ(5, c.width());
    ASSERT_EQ(3, c.height());
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(TableColour(pixel(x, y)), c.At(x, y)) << x << "," << y << " top-down " << topDown;
    DeleteObject(bitmap);
    DeleteObject(palette);
  }
}

TEST(SkinConvert, CompressedOrShapelessHeaderMakesNothing) {
  auto dib = MakeDib(4, 2, 255, 255, [](int, int) { return 1; });
  Header(dib)->biCompression = BI_RLE8;
  HPALETTE palette = reinterpret_cast<HPALETTE>(1);
  EXPECT_EQ(nullptr, ConvertDIBToDDB(nullptr, Header(dib), &palette));
  EXPECT_EQ(nullptr, palette);
  Header(dib)->biCompression = BI_RGB;
  Header(dib)->biWidth = 0;
  EXPECT_EQ(nullptr, ConvertDIBToDDB(nullptr, Header(dib), &palette));
  EXPECT_EQ(nullptr, ConvertDIBToDDB(nullptr, nullptr, &palette));
}

TEST(SkinResources, DamagedBitmapResourcesAreRefused) {
  auto sound = MakeDib(6, 4, 255, 255, [](int x, int) { return x; });
  auto truncated = sound;
  truncated.resize(truncated.size() - 1);
  auto coreHeader = sound;
  Header(coreHeader)->biSize = 12;
  auto hugeTable = sound;
  Header(hugeTable)->biClrUsed = 300;
  auto hugeHeight = sound;
  Header(hugeHeight)->biHeight = 0x40000000;
  auto sizeBeyond = sound;
  Header(sizeBeyond)->biSize = 0x7fffffff;
  const std::vector<std::uint8_t> shortHeader(sound.begin(), sound.begin() + 20);

  ResourceModule module({{1, sound}, {2, truncated}, {3, coreHeader}, {4, hugeTable},
                         {5, hugeHeight}, {6, sizeBeyond}, {7, shortHeader}});
  ASSERT_NE(nullptr, module.instance());

  const BITMAPINFOHEADER *h = LoadBitmapResource(module.instance(), 1);
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(6, h->biWidth);
  EXPECT_EQ(4, h->biHeight);
  for (int id = 2; id <= 7; ++id) EXPECT_EQ(nullptr, LoadBitmapResource(module.instance(), id)) << id;
  EXPECT_EQ(nullptr, LoadBitmapResource(module.instance(), 99));
}

class SkinBitmaps : public ::testing::Test {
 protected:
  void TearDown() override { DestroyBitmaps(); }
};

TEST_F(SkinBitmaps, LoadAllKeepsEveryPictureUnderOneSkinPalette) {
  ResourceModule module(skinrig::SkinResources());
  ASSERT_NE(nullptr, module.instance());
  ASSERT_EQ(1, LoadAllBitmaps(module.instance(), nullptr));

  for (int i = 0; i < kSkinPictures; ++i) {
    const auto &p = kPictures[i];
    EXPECT_NE(nullptr, GetSkinBitmap(p.id)) << p.id;
    const BITMAPINFOHEADER *h = GetSkinBmHeader(p.id);
    ASSERT_NE(nullptr, h) << p.id;
    EXPECT_EQ(p.width, h->biWidth) << p.id;
    EXPECT_EQ(p.height, h->biHeight) << p.id;
  }
  EXPECT_EQ(GetSkinBitmap(1000), GetClientBitMap(1));
  EXPECT_EQ(GetSkinBitmap(1001), GetClientBitMap(0));
  EXPECT_EQ(GetSkinBitmap(1001), GetClientBitMap(2));
  EXPECT_NE(GetClientBitMap(0), GetClientBitMap(1));
  EXPECT_EQ(GetSkinBmHeader(1001), GetClientBmHeader());
  EXPECT_EQ(255, PaletteSize(GethPalette()));
  EXPECT_EQ(nullptr, GetSplashBmHeader());  // the splash is loaded on its own

  const Capture pressed = Pixels(GetClientBitMap(1));
  for (int y = 0; y < 194; y += 37)
    for (int x = 0; x < 317; x += 29) EXPECT_EQ(PixelColour(1000, x, y), pressed.At(x, y));
}

TEST_F(SkinBitmaps, ProgramArtworkLoadsWithTheSkinsSizes) {
  const HINSTANCE program = GetModuleHandleA(nullptr);
  ASSERT_EQ(1, LoadAllBitmaps(program, nullptr));
  ASSERT_EQ(1, LoadSplashScreen(program, nullptr));
  for (const auto &p : kPictures) {
    const BITMAPINFOHEADER *h = GetSkinBmHeader(p.id);
    ASSERT_NE(nullptr, h) << p.id;
    EXPECT_EQ(p.width, h->biWidth) << p.id;
    EXPECT_EQ(p.height, h->biHeight) << p.id;
    EXPECT_EQ(8, h->biBitCount) << p.id;
  }
  // 255 shared colours, some pictures with a 256th (white); the splash 256.
  EXPECT_GE(PaletteSize(GethPalette()), 255);
  EXPECT_EQ(256, PaletteSize(GethSplashPal()));
}

TEST_F(SkinBitmaps, MissingPictureStopsTheLoadAfterThoseBeforeIt) {
  ResourceModule module(skinrig::SkinResources({1018}));
  ASSERT_NE(nullptr, module.instance());
  EXPECT_EQ(0, LoadAllBitmaps(module.instance(), nullptr));
  int loaded = 0;
  for (int i = 0; i < kSkinPictures; ++i)
    if (GetSkinBitmap(kPictures[i].id)) ++loaded;
  EXPECT_EQ(11, loaded);
  for (int i = 0; i < 11; ++i) EXPECT_NE(nullptr, GetSkinBitmap(kPictures[i].id)) << kPictures[i].id;
  EXPECT_EQ(1018, kPictures[11].id);
}

TEST_F(SkinBitmaps, ReplacedAndDestroyedHandlesAreReleased) {
  ResourceModule module(skinrig::SkinResources());
  ASSERT_EQ(1, LoadAllBitmaps(module.instance(), nullptr));

  const HBITMAP first1000 = GetClientBitMap(1);
  const HPALETTE firstPalette = GethPalette();
  ASSERT_EQ(1, ReloadPalette(module.instance(), nullptr));
  EXPECT_NE(first1000, GetClientBitMap(1));
  EXPECT_NE(firstPalette, GethPalette());
  EXPECT_EQ(255, PaletteSize(GethPalette()));
  EXPECT_EQ(0u, GetObjectType(first1000));
  EXPECT_EQ(0u, GetObjectType(firstPalette));

  // A second full load releases every picture of the first.
  HBITMAP before[kSkinPictures];
  for (int i = 0; i < kSkinPictures; ++i) before[i] = GetSkinBitmap(kPictures[i].id);
  ASSERT_EQ(1, LoadAllBitmaps(module.instance(), nullptr));
  for (int i = 0; i < kSkinPictures; ++i) EXPECT_EQ(0u, GetObjectType(before[i])) << kPictures[i].id;

  ASSERT_EQ(1, LoadSplashScreen(module.instance(), nullptr));
  HBITMAP kept[kSkinPictures];
  for (int i = 0; i < kSkinPictures; ++i) kept[i] = GetSkinBitmap(kPictures[i].id);
  const HPALETTE skinPalette = GethPalette();
  const HPALETTE splashPalette = GethSplashPal();
  const HBITMAP splash = GetSkinBitmap(1014);
  DestroyBitmaps();
  for (int i = 0; i < kSkinPictures; ++i) {
    EXPECT_EQ(0u, GetObjectType(kept[i])) << kPictures[i].id;
    EXPECT_EQ(nullptr, GetSkinBitmap(kPictures[i].id));
  }
  EXPECT_EQ(0u, GetObjectType(skinPalette));
  EXPECT_EQ(0u, GetObjectType(splashPalette));
  EXPECT_EQ(0u, GetObjectType(splash));
  EXPECT_EQ(nullptr, GethPalette());
  EXPECT_EQ(nullptr, GethSplashPal());
  EXPECT_EQ(nullptr, GetClientBitMap(0));
}

TEST_F(SkinBitmaps, SplashHasItsOwnPaletteUntilDestroyed) {
  ResourceModule module(skinrig::SkinResources());
  ASSERT_EQ(1, LoadSplashScreen(module.instance(), nullptr));
  ASSERT_NE(nullptr, GetSplashBmHeader());
  EXPECT_EQ(300, GetSplashBmHeader()->biWidth);
  EXPECT_EQ(256, PaletteSize(GethSplashPal()));
  EXPECT_EQ(nullptr, GethPalette());

  const HBITMAP bitmap = GetSkinBitmap(1014);
  const HPALETTE palette = GethSplashPal();
  DestroySplash();
  EXPECT_EQ(nullptr, GethSplashPal());
  EXPECT_EQ(nullptr, GetSplashBmHeader());
  EXPECT_EQ(0u, GetObjectType(bitmap));
  EXPECT_EQ(0u, GetObjectType(palette));

  // Without the picture nothing is loaded and nothing is kept.
  ResourceModule without(skinrig::SkinResources({1014}));
  EXPECT_EQ(0, LoadSplashScreen(without.instance(), nullptr));
  EXPECT_EQ(nullptr, GethSplashPal());
}

}  // namespace
