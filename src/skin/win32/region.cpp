// Window outlines: the union of a band list becomes the window's region.

#include <cstdlib>
#include <cstring>

#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/sys_error.h"
#include "shell/msgbox.h"
#include "skin/win32/skin.h"

static_assert(sizeof(RGNDATAHEADER) == 32, "region data begins with a 32-byte header");
static_assert(sizeof(RECT) == sizeof(NuvBand), "bands are copied behind the header as rectangles");

namespace {

constexpr unsigned kIdsErrorCaption = 1408;
constexpr unsigned kIdsAssertion = 1505;  // "Assertion Failed: %1"
constexpr unsigned kIdsMalloc = 1506;
constexpr unsigned kIdsRegionCreation = 1507;

constexpr int kCaptionSize = 96;
constexpr int kTextSize = 256;

// More bands than any outline needs: a longer list is refused like a block
// that cannot be obtained, before any size arithmetic can overflow.
constexpr int kMaxBands = 65536;

}  // namespace

void RegionErrorBox(HWND window, DWORD code, int isSystemError) {
  char caption[kCaptionSize];
  PlatLoadString(kIdsErrorCaption, caption, sizeof caption);
  char insert[kTextSize];
  if (isSystemError)
    PlatSysErrorText(code, insert, sizeof insert);
  else
    PlatLoadString(code, insert, sizeof insert);
  char text[kTextSize];
  LoadFmtMessage(kIdsAssertion, text, sizeof text, static_cast<const char *>(insert));
  // A window that is already gone can neither own the box nor be closed.
  const HWND owner = window && IsWindow(window) ? window : nullptr;
  PlatMessageBox(owner, text, caption, kMbIconError);
  if (owner) SendMessageA(owner, WM_CLOSE, 0, 0);
}

HRGN CreateWindowRegion(int count, const NuvBand *bands, HWND window) {
  if (count < 0 || count > kMaxBands || (count > 0 && !bands)) {
    RegionErrorBox(window, kIdsMalloc, 0);
    return nullptr;
  }
  const size_t rectBytes = sizeof(RECT) * static_cast<size_t>(count);
  const size_t size = sizeof(RGNDATAHEADER) + rectBytes;
  auto *data = static_cast<RGNDATA *>(std::malloc(size));
  if (!data) {
    RegionErrorBox(window, kIdsMalloc, 0);
    return nullptr;
  }
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(count);
  data->rdh.nRgnSize = static_cast<DWORD>(rectBytes);
  RECT bound = {0, 0, 0, 0};
  GetWindowRect(window, &bound);
  data->rdh.rcBound = bound;
  if (count > 0) std::memcpy(data->Buffer, bands, rectBytes);

  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(size), data);
  const DWORD error = GetLastError();
  std::free(data);
  if (!region) {
    RegionErrorBox(window, error, 1);
    return nullptr;
  }
  if (!SetWindowRgn(window, region, FALSE)) {
    // Not taken by the window: it is still ours to release.
    DeleteObject(region);
    RegionErrorBox(window, kIdsRegionCreation, 0);
    return nullptr;
  }
  return region;
}
