#pragma once
// The native profile reader and writer on a file image in memory. The file
// functions of platform/profile.h read and write through the same code, so
// these follow exactly their rules (see there); only the disk is left out.
// text == nullptr stands for a missing file, length 0 for an empty one; the
// image may hold any bytes and needs no terminator.

#include <cstddef>

// PlatGetProfileString on the image.
int PlatProfileTextGetString(const char *text, std::size_t length, const char *section,
                             const char *key, const char *def, char *buf, int size);

// PlatGetProfileInt on the image.
unsigned PlatProfileTextGetInt(const char *text, std::size_t length, const char *section,
                               const char *key, int def);

// PlatWriteProfileString on the image: the image the file would hold after
// the write goes into out (outSize bytes, not terminated) and its length into
// *outLength. A write that changes nothing copies the image unchanged.
// Returns 1 on success; 0 when the write fails or its result does not fit
// out (*outLength is then 0 and out holds nothing of use).
int PlatProfileTextWriteString(const char *text, std::size_t length, const char *section,
                               const char *key, const char *value, char *out,
                               std::size_t outSize, std::size_t *outLength);
