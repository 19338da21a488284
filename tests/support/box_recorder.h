#pragma once
// Message boxes recorded instead of shown: the last one's owner, caption,
// text and style, how many there were, and the answer the next ones get.

#include <string>

#include "platform/message_box.h"

namespace nuvtest {

struct BoxRecord {
  int calls = 0;
  std::string caption, text;
  unsigned style = 0;
  PlatWindow owner = nullptr;
  int answer = kIdOk;
};

inline BoxRecord &Boxes() {
  static BoxRecord boxes;
  return boxes;
}

inline int RecordBox(PlatWindow owner, const char *text, const char *caption, unsigned style) {
  BoxRecord &b = Boxes();
  ++b.calls;
  b.owner = owner;
  b.text = text ? text : "";
  b.caption = caption ? caption : "";
  b.style = style;
  return b.answer;
}

}  // namespace nuvtest
