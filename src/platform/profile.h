#pragma once
// Private profile (INI) files: "[section]" lines followed by "key=value"
// lines. On Windows these are the system's private-profile functions; natively
// a reader and writer of our own with the same observable rules.
//
// Every call opens, reads or rewrites and closes the file; nothing is cached.
// `path` should be a full path (Windows looks a bare name up in its own folder).

// Reads `key` of `section` into buf (size bytes), NUL-terminated and cut to
// size - 1 characters. Section and key are found without regard to case, in the
// first section of that name only; blanks around the value are removed, and so
// is one pair of matching quotes ("..." or '...') around it. When the file, the
// section, the key or its '=' is missing, `def` (nullptr: empty) is copied
// instead, without its trailing blanks. Returns the number of characters
// stored; 0 when buf is nullptr or size is not positive.
int PlatGetProfileString(const char *section, const char *key, const char *def, char *buf,
                         int size, const char *path);

// Reads `key` of `section` as a decimal integer: optional sign, then digits,
// anything after them ignored, no digits gives 0; the result wraps to unsigned
// like the system's, so "-1" gives 0xFFFFFFFF. A missing or empty value gives
// `def`.
unsigned PlatGetProfileInt(const char *section, const char *key, int def, const char *path);

// Writes "key=value" into `section`: an existing key (first one, in the first
// section of that name) is replaced where it stands; a missing key is added
// after the last entry of its section; a missing section is added at the end of
// the file; a missing file is created. Leading blanks of the value are dropped,
// and the value ends at its first line break so that one write never adds a
// second line. value == nullptr deletes the key; key == nullptr deletes the
// whole section. Every other line of the file is left as it was.
// Returns 1 on success, 0 on failure (natively the file is then unchanged).
int PlatWriteProfileString(const char *section, const char *key, const char *value,
                           const char *path);
