#include "platform/ui.h"

#include <array>
#include <cstring>

namespace {

// Enough for a dialog and the configuration page with room to spare.
constexpr int kMaxFakes = 64;
constexpr int kFakeTextSize = 256;

struct FakeControl {
  bool used;
  PlatWindow parent;
  int id;
  char text[kFakeTextSize];
  int textSets;
  int selStart;
  int selEnd;
};

std::array<FakeControl, kMaxFakes> g_fakes{};
PlatWindow g_focus = nullptr;

FakeControl *Find(PlatWindow handle) {
  if (!handle) return nullptr;
  for (FakeControl &f : g_fakes)
    if (f.used && static_cast<PlatWindow>(&f) == handle) return &f;
  return nullptr;
}

PlatWindow Allocate(PlatWindow parent, int id) {
  for (FakeControl &f : g_fakes) {
    if (f.used) continue;
    f = FakeControl{};
    f.used = true;
    f.parent = parent;
    f.id = id;
    return &f;
  }
  return nullptr;
}

}  // namespace

PlatWindow PlatGetDlgItem(PlatWindow dialog, int id) {
  if (!dialog) return nullptr;
  for (FakeControl &f : g_fakes)
    if (f.used && f.parent == dialog && f.id == id) return &f;
  return nullptr;
}

void PlatSetControlText(PlatWindow control, const char *text) {
  FakeControl *f = Find(control);
  if (!f) return;
  const size_t len = text ? strnlen(text, kFakeTextSize - 1) : 0;
  if (len) std::memcpy(f->text, text, len);
  f->text[len] = '\0';
  f->textSets++;
  f->selStart = f->selEnd = 0;
}

int PlatGetControlText(PlatWindow control, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  const FakeControl *f = Find(control);
  if (!f) return 0;
  const size_t len = strnlen(f->text, static_cast<size_t>(size) - 1);
  std::memcpy(buf, f->text, len);
  buf[len] = '\0';
  return static_cast<int>(len);
}

void PlatSetFocus(PlatWindow control) {
  if (Find(control)) g_focus = control;
}

PlatWindow PlatGetFocus() { return g_focus; }

void PlatSelectAllText(PlatWindow edit) {
  FakeControl *f = Find(edit);
  if (!f) return;
  f->selStart = 0;
  f->selEnd = static_cast<int>(std::strlen(f->text));
}

int PlatGetEditSelection(PlatWindow edit, int *start, int *end) {
  const FakeControl *f = Find(edit);
  if (!f) return 0;
  if (start) *start = f->selStart;
  if (end) *end = f->selEnd;
  return 1;
}

PlatWindow PlatFakeWindow() { return Allocate(nullptr, 0); }

PlatWindow PlatFakeControl(PlatWindow parent, int id) { return Allocate(parent, id); }

int PlatFakeTextSetCount(PlatWindow control) {
  const FakeControl *f = Find(control);
  return f ? f->textSets : 0;
}

void PlatFakeUiReset() {
  g_fakes.fill(FakeControl{});
  g_focus = nullptr;
}
