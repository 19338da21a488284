#pragma once
// System error codes and their texts.

// The calling thread's last error code (Windows GetLastError; natively errno).
unsigned PlatLastError();

// Sets the calling thread's last error code.
void PlatSetLastError(unsigned code);

// The system's message text for code in the user's default language, without
// inserts and without the trailing line break, cut to size - 1 characters.
// Returns the length stored; 0 when the system has no text (buf then "").
int PlatSysErrorText(unsigned code, char *buf, int size);
