#pragma once
// The few control operations that the portable checks need: find a dialog's
// control, read and set its text, move the keyboard focus, select an edit
// field's whole text.

#include "platform/types.h"

// The control with `id` of `dialog`, or nullptr.
PlatWindow PlatGetDlgItem(PlatWindow dialog, int id);

// Sets a control's text. A null control is ignored.
void PlatSetControlText(PlatWindow control, const char *text);

// Copies a control's text into buf (cut to size - 1 characters, always
// terminated when size > 0); returns the number of characters stored.
int PlatGetControlText(PlatWindow control, char *buf, int size);

// Gives the keyboard focus to a control. A null control is ignored.
void PlatSetFocus(PlatWindow control);

// The control holding the keyboard focus, or nullptr.
PlatWindow PlatGetFocus();

// Selects the whole text of an edit field. A null control is ignored.
void PlatSelectAllText(PlatWindow edit);

// The selection of an edit field (start and end character positions);
// 0 when the control is unknown.
int PlatGetEditSelection(PlatWindow edit, int *start, int *end);

#if !defined(_WIN32)
// Native builds have no windows: controls are records of a recorder that
// tests create and read back. Setting a text clears the selection, as an
// edit field does.

// A new fake window (a dialog or a top-level window); nullptr when the
// recorder is full.
PlatWindow PlatFakeWindow();

// A new fake control with `id` inside `parent`; nullptr when the recorder is
// full.
PlatWindow PlatFakeControl(PlatWindow parent, int id);

// How many times a control's text was set.
int PlatFakeTextSetCount(PlatWindow control);

// Forgets every fake window and control and the focus.
void PlatFakeUiReset();
#endif
