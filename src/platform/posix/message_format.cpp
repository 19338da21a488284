#include "platform/message_format.h"

#include "platform/message_format_render.h"

int PlatFormatMessage(const char *text, const std::uintptr_t *args, int argCount, char *out,
                      int outSize) {
  return FmtRender(text, args, argCount, out, outSize);
}
