#pragma once
// Modal message boxes.

#include "platform/types.h"

// Styles and results carry the Windows values, so they pass through unchanged.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Shows a modal box and returns the button pressed (kId...).
int PlatMessageBox(PlatWindow owner, const char *text, const char *caption, unsigned style);

// Replaces the box by a function (tests: records the box and returns a scripted
// answer instead of waiting for a user). nullptr restores the real box.
// Natively there is no real box: without a hook the call returns kIdOk.
using PlatMessageBoxHook = int (*)(PlatWindow owner, const char *text, const char *caption,
                                   unsigned style);
void PlatSetMessageBoxHook(PlatMessageBoxHook hook);
