// The ring: a wave resource of the program, played from memory.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h
#include <mmsystem.h>

#include "config/settings.h"
#include "shell/win32/shell.h"

static HGLOBAL hgSndPhone;
static void *lpSndBell;

void LoadSounds(HINSTANCE instance) {
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(5001), "WAVE");
  hgSndPhone = found ? LoadResource(instance, found) : nullptr;
  lpSndBell = hgSndPhone ? LockResource(hgSndPhone) : nullptr;
}

void MyPlaySound(int sound) {
  if (!SoundIsOn() || sound != 1 || !lpSndBell) return;
  PlaySoundA(static_cast<LPCSTR>(lpSndBell), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
}

void UnloadSounds() {
  if (!hgSndPhone) return;
  // The sound must not go on playing from memory that is being released.
  PlaySoundA(nullptr, nullptr, 0);
  FreeResource(hgSndPhone);
  hgSndPhone = nullptr;
  lpSndBell = nullptr;
}
