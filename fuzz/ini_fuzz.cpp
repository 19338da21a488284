// The native profile reader and writer on arbitrary file contents: reads of
// several keys with several buffer sizes, then a write, a delete and a new
// section, each checked by reading back. Any disagreement aborts.
//
// The files live in a folder of their own, on /dev/shm when there is one so
// that the writer's flush to disk does not set the pace.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/profile.h"

namespace {

std::string MakeFolder() {
  std::error_code ec;
  std::filesystem::path base = "/dev/shm";
  if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
  std::string tmpl = (base / "nuv-ini-fuzz-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) std::abort();
  return tmpl;
}

const std::string &IniPath() {
  static const std::string path = MakeFolder() + "/NUV.INI";
  return path;
}

void Check(bool ok, const char *what) {
  if (!ok) {
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
  }
}

std::string Read(const char *section, const char *key, const char *def, int size) {
  char buf[300];
  std::memset(buf, 0x5A, sizeof buf);
  const int n = PlatGetProfileString(section, key, def, buf, size, IniPath().c_str());
  Check(n >= 0 && n < size, "length out of the buffer");
  Check(static_cast<size_t>(n) == std::strlen(buf), "length disagrees with the text");
  Check(static_cast<unsigned char>(buf[size]) == 0x5A, "wrote past the buffer");
  return std::string(buf, static_cast<size_t>(n));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string &path = IniPath();
  {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }

  // A key named by the input itself, so that lookups also hit.
  char key[16] = "";
  size_t keyLen = 0;
  for (size_t i = 0; i < size && keyLen < sizeof key - 1; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '=' || c == '\n' || c == '\r' || c == '\0') break;
    key[keyLen++] = c;
  }
  key[keyLen] = '\0';

  const int sizes[] = {1, 2, 40, 256};
  for (int s : sizes) {
    Read("PARAMS", "SERVICE", "dflt", s);
    Read("params", "name1", nullptr, s);
    Read("PARAMS", key, "d", s);
    Read(key, key, "d", s);
  }
  PlatGetProfileInt("PARAMS", "PACKETTIMEOUT", 10, path.c_str());

  const std::string service = Read("PARAMS", "SERVICE", "<none>", 256);
  Check(PlatWriteProfileString("PARAMS", "NAME1", "Fuzz Value", path.c_str()) == 1, "write");
  Check(Read("PARAMS", "NAME1", "<none>", 256) == "Fuzz Value", "written value not read back");
  Check(Read("PARAMS", "SERVICE", "<none>", 256) == service, "another key changed");

  Check(PlatWriteProfileString("PARAMS", "NAME1", nullptr, path.c_str()) == 1, "delete");
  Check(Read("PARAMS", "SERVICE", "<none>", 256) == service, "delete changed another key");

  Check(PlatWriteProfileString("NUVFUZZNEW", "K", "v", path.c_str()) == 1, "new section");
  const std::string k = Read("NUVFUZZNEW", "K", "<none>", 256);
  Check(k == "v", "new section not read back");
  Check(Read("PARAMS", "SERVICE", "<none>", 256) == service, "new section changed a key");
  return 0;
}
