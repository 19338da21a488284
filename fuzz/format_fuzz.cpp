// The native message formatter on texts and inserts from the fuzzer.
//
// Input: byte 0 the number of inserts (mod 11), bytes 1-2 the output size
// (1..1100), then per insert a length byte and up to 63 bytes, then the text.
// An insert the text uses as a text gets those bytes as its text; any other
// gets them as a number (as a caller must pass them). Every buffer is
// allocated at its exact size so that a read or write past its end stops the
// run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "platform/message_format.h"
#include "platform/message_format_scan.h"

namespace {

struct TextInserts {
  bool text[kFmtMaxInsert + 1] = {};
  bool Literal(const char *, std::size_t) { return true; }
  bool Insert(const fmtscan::InsertFormat &fmt) {
    if (fmtscan::IsTextType(fmt.type)) text[fmt.insert] = true;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput in{data, size};
  const int argCount = in.Byte() % 11;
  const int outSize = 1 + ((in.Byte() | (in.Byte() << 8)) % 1100);

  struct Raw {
    const uint8_t *bytes;
    size_t len;
  } raw[10] = {};
  for (int i = 0; i < argCount; ++i) {
    const size_t len = in.Byte() % 64;
    raw[i].bytes = in.p;
    raw[i].len = len < in.left ? len : in.left;
    in.p += raw[i].len;
    in.left -= raw[i].len;
  }
  const std::string text(reinterpret_cast<const char *>(in.p), in.left);
  TextInserts kinds;
  fmtscan::Walk(text.c_str(), kinds);

  std::vector<std::unique_ptr<char[]>> texts;
  std::unique_ptr<std::uintptr_t[]> args(new std::uintptr_t[argCount > 0 ? argCount : 1]);
  for (int i = 0; i < argCount; ++i) {
    if (kinds.text[i + 1]) {
      std::unique_ptr<char[]> t(new char[raw[i].len + 1]);
      for (size_t k = 0; k < raw[i].len; ++k) t[k] = raw[i].bytes[k] ? static_cast<char>(raw[i].bytes[k]) : 'z';
      t[raw[i].len] = '\0';
      args[i] = reinterpret_cast<std::uintptr_t>(t.get());
      texts.push_back(std::move(t));
    } else {
      std::uint64_t v = 0;
      for (size_t k = 0; k < raw[i].len && k < 8; ++k) v = (v << 8) | raw[i].bytes[k];
      args[i] = static_cast<std::uintptr_t>(v);
    }
  }
  std::unique_ptr<char[]> out(new char[outSize]);

  const int n = PlatFormatMessage(text.c_str(), args.get(), argCount, out.get(), outSize);
  if (n < 0) {
    if (n != -1 || out[0] != '\0') std::abort();
  } else {
    if (n >= outSize || out[n] != '\0') std::abort();
    // Inserts past those passed read as 0: formatting again with the same
    // inserts padded to 99 must give the same text.
    std::unique_ptr<std::uintptr_t[]> padded(new std::uintptr_t[kFmtMaxInsert]());
    for (int i = 0; i < argCount; ++i) padded[i] = args[i];
    std::unique_ptr<char[]> again(new char[outSize]);
    const int m = PlatFormatMessage(text.c_str(), padded.get(), kFmtMaxInsert, again.get(), outSize);
    if (m != n || std::memcmp(out.get(), again.get(), static_cast<size_t>(n) + 1) != 0) std::abort();
  }
  return 0;
}
