#pragma once
// The program's string table, addressed by numeric id.

// Loads the text of `id` into buf, NUL-terminated and cut to size - 1
// characters. Returns the number of characters stored; 0 when the id has no
// text (buf then holds the empty string).
int PlatLoadString(unsigned id, char *buf, int size);

// The module whose string table PlatLoadString reads (Windows: an HINSTANCE;
// nullptr means the program itself). Natively there is only one table.
void PlatSetStringModule(void *module);
