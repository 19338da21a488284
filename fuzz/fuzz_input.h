#pragma once
// The fuzzer's input read a piece at a time; once it runs out, every read
// gives zeros or nothing, so a target never reads past it.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

struct FuzzInput {
  const uint8_t *p;
  size_t left;
  uint8_t Byte() {
    if (!left) return 0;
    --left;
    return *p++;
  }
  void Fill(char *out, size_t n) {  // n bytes, zeros once the input ends
    const size_t take = n < left ? n : left;
    if (take) std::memcpy(out, p, take);
    if (n > take) std::memset(out + take, 0, n - take);
    p += take;
    left -= take;
  }
  std::string Field() {  // up to ';' or the end
    std::string s;
    while (left && *p != ';') {
      s += static_cast<char>(*p++);
      --left;
    }
    if (left) {
      ++p;
      --left;
    }
    return s;
  }
};
