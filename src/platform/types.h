#pragma once
// Types the portable code shares with the platform layer without including
// any system header.

// A window or control handle (HWND on Windows); nullptr means none.
using PlatWindow = void *;
