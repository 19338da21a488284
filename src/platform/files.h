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
