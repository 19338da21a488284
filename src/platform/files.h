#pragma once
// File names: full paths and the temporary folder.

// Full path of name (relative names against the current folder) into buf.
// Returns its length; 0 when it cannot be made or does not fit (buf then "").
int PlatFullPath(const char *name, char *buf, int size);

// The user's temporary folder, ending in the path separator. Returns its
// length; 0 when it cannot be found or does not fit (buf then "").
int PlatTempFolder(char *buf, int size);

// The separator that ends folder names ('\\' on Windows, '/' natively).
char PlatPathSeparator();

// --- Whole files ---

// The suffix of the file that PlatReplaceFile writes beside its target before
// it takes the target's place.
constexpr const char kPlatReplaceSuffix[] = ".new";

// 1 when something of that name exists (a file or a folder), else 0.
int PlatFileExists(const char *name);

// Reads at most size bytes from the start of the file into buf. Returns the
// number of bytes read (less than size when the file is shorter), or -1 when
// the file cannot be opened or read. Ask for one byte more than expected to
// tell a file that is too long.
int PlatReadFile(const char *name, void *buf, int size);

// Writes size bytes as the whole new content of name, safely: the bytes go to
// name + kPlatReplaceSuffix, reach the disk, and only then does that file take
// the place of name. Returns 1 on success; 0 on failure, and then name is as
// it was before and no partial file is left behind.
int PlatReplaceFile(const char *name, const void *data, int size);
