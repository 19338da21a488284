#include "platform/string_table.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

struct Entry {
  unsigned id;
  const char *text;
};

constexpr Entry kTable[] = {
#define NUV_STR(id, text) {id, text},
#include "strings.def"
#undef NUV_STR
};

// Ids must stay unique and ascending: a duplicate would load a different
// text here than from the Windows resource.
constexpr bool Ascending() {
  for (size_t i = 1; i < sizeof kTable / sizeof kTable[0]; ++i)
    if (kTable[i - 1].id >= kTable[i].id) return false;
  return true;
}
static_assert(Ascending(), "strings.def: ids must be unique and ascending");

}  // namespace

int PlatLoadString(unsigned id, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  for (const Entry &e : kTable) {
    if (e.id != id) continue;
    const int len = static_cast<int>(std::min<size_t>(std::strlen(e.text), size - 1));
    std::memcpy(buf, e.text, len);
    buf[len] = '\0';
    return len;
  }
  return 0;
}

void PlatSetStringModule(void *) {}
