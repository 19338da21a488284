// The native profile reader and writer on arbitrary file contents, in memory:
// the file functions read and write through the image functions used here,
// so this is the same code without a disk. Reads of several keys with several
// buffer sizes, then a write, a delete, a new section and a section delete,
// each checked by reading the resulting image back; a write into too little
// room must fail inside that room. Any disagreement aborts.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/profile_text.h"

namespace {

constexpr unsigned char kGuard = 0x5A;
constexpr size_t kSlack = 600;  // room a write may add: a new section, a key and a value

void Check(bool ok, const char *what) {
  if (!ok) {
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
  }
}

// A file image: its bytes, or none (nullptr) for a missing file.
struct Image {
  const char *text;
  size_t len;
};

std::string Read(Image im, const char *section, const char *key, const char *def, int size) {
  char buf[300];
  std::memset(buf, kGuard, sizeof buf);
  const int n = PlatProfileTextGetString(im.text, im.len, section, key, def, buf, size);
  Check(n >= 0 && n < size, "length out of the buffer");
  Check(static_cast<size_t>(n) == std::strlen(buf), "length disagrees with the text");
  Check(static_cast<unsigned char>(buf[size]) == kGuard, "wrote past the buffer");
  return std::string(buf, static_cast<size_t>(n));
}

// One write into a buffer with room to spare and guard bytes behind it;
// returns the new image (kept in *store, reused from run to run: the guard
// bytes catch a write past the room). With tight set, the same write is
// also made into one byte less than it needs, which must fail inside that
// room.
Image Write(Image im, const char *section, const char *key, const char *value,
            std::vector<char> *store, const char *what, bool tight) {
  const size_t room = im.len + kSlack;
  if (store->size() < room + 16) store->resize(room + 16);
  char *const out = store->data();
  std::memset(out + room, kGuard, 16);
  size_t len = 12345;
  const int ok = PlatProfileTextWriteString(im.text, im.len, section, key, value, out, room, &len);
  Check(ok == 1, what);
  Check(len <= room, "length past the room");
  for (size_t i = room; i < room + 16; ++i) Check(static_cast<unsigned char>(out[i]) == kGuard, "wrote past the room");

  if (tight && len > 0) {
    static std::vector<char> smallStore;
    if (smallStore.size() < len - 1 + 16) smallStore.resize(len - 1 + 16);
    char *const small = smallStore.data();
    std::memset(small + len - 1, kGuard, 16);
    size_t smallLen = 777;
    Check(PlatProfileTextWriteString(im.text, im.len, section, key, value, small, len - 1,
                                     &smallLen) == 0 &&
              smallLen == 0,
          "a write into too little room did not fail");
    for (size_t i = len - 1; i < len - 1 + 16; ++i)
      Check(static_cast<unsigned char>(small[i]) == kGuard, "a failed write went past its room");
  }
  return Image{out, len};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // An empty input stands for a missing file; an exact-size copy catches any
  // read past the image.
  std::unique_ptr<char[]> copy(new char[size ? size : 1]);
  if (size) std::memcpy(copy.get(), data, size);
  const Image file{size ? copy.get() : nullptr, size};

  // A key named by the input itself, so that lookups also hit.
  char key[16] = "";
  size_t keyLen = 0;
  for (size_t i = 0; i < size && keyLen < sizeof key - 1; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '=' || c == '\n' || c == '\r' || c == '\0') break;
    key[keyLen++] = c;
  }
  key[keyLen] = '\0';

  // Every pass reads the whole image, so each run picks its buffer sizes
  // and which write is also tried in too little room from its length (the
  // known key SERVICE is read once, whole; the cut to small buffers is the
  // same for every key).
  const int sizes[] = {1, 2, 40, 256};
  const int s1 = sizes[size % 4], s2 = sizes[(size / 4) % 4];
  const int tight = static_cast<int>((size / 16) % 5);
  Read(file, "params", "name1", nullptr, s2);
  Read(file, "PARAMS", key, "d", s2);
  Read(file, key, key, "d", s1);
  const unsigned packetTimeout = PlatProfileTextGetInt(file.text, file.len, "PARAMS", "PACKETTIMEOUT", 10);
  const std::string packetText = Read(file, "PARAMS", "PACKETTIMEOUT", "", 64);
  if (packetText.empty()) Check(packetTimeout == 10, "an empty integer is not the default");

  const std::string service = Read(file, "PARAMS", "SERVICE", "<none>", 256);
  static std::vector<char> a, b, c, d, e;
  const Image named = Write(file, "PARAMS", "NAME1", "Fuzz Value", &a, "write", tight == 0);
  Check(Read(named, "PARAMS", "NAME1", "<none>", 256) == "Fuzz Value", "written value not read back");
  Check(Read(named, "PARAMS", "SERVICE", "<none>", 256) == service, "another key changed");

  const Image same = Write(named, "PARAMS", "NAME1", "Fuzz Value", &b, "same write", tight == 1);
  Check(same.len == named.len && std::memcmp(same.text, named.text, named.len) == 0,
        "writing the same value changed the file");

  const Image deleted = Write(named, "PARAMS", "NAME1", nullptr, &c, "delete", tight == 2);
  Check(Read(deleted, "PARAMS", "SERVICE", "<none>", 256) == service, "delete changed another key");

  const Image added = Write(deleted, "NUVFUZZNEW", "K", "v", &d, "new section", tight == 3);
  Check(Read(added, "NUVFUZZNEW", "K", "<none>", 256) == "v", "new section not read back");
  Check(Read(added, "PARAMS", "SERVICE", "<none>", 256) == service, "new section changed a key");

  const Image gone = Write(added, "NUVFUZZNEW", nullptr, nullptr, &e, "section delete", tight == 4);
  Check(Read(gone, "NUVFUZZNEW", "K", "<none>", 256) == "<none>", "deleted section still read");
  return 0;
}
