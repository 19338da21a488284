// The parts of the file layer that are the same on every platform: the name
// of a staging file and the hook that hears each step of a write.

#include "platform/files.h"

#include <cstdio>

namespace {

PlatFileStepHook g_stepHook;

}  // namespace

int PlatStagingName(const char *name, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  const int len = std::snprintf(buf, static_cast<size_t>(size), "%s%s", name, kPlatReplaceSuffix);
  if (len < 0 || len >= size) {
    buf[0] = '\0';
    return 0;
  }
  return 1;
}

void PlatSetFileStepHook(PlatFileStepHook hook) { g_stepHook = hook; }

void PlatFileStepReached(int step, const char *name) {
  if (g_stepHook) g_stepHook(step, name);
}
