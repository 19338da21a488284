// The message window's text on arbitrary server texts: the split of the
// "url=" link line and the line-feed expansion of the body, with every buffer
// at an exact size chosen by the input, checked against a plain reference.
//
// Input: byte 0 the link buffer's size (0..255; 255 stands for the window's
// 1024), bytes 1-2 the body buffer's size (0..65535, 0xFFFF for the window's
// 10240), byte 3 bit 0 whether a default link is given; the rest is the text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "shell/message_text.h"

namespace {

void Check(bool ok, const char *what) {
  if (!ok) {
    std::fprintf(stderr, "message_fuzz: %s\n", what);
    std::abort();
  }
}

const char kSite[] = "http://www.example.com/nuv/index.html";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  const size_t urlSize = data[0] == 255 ? kMessageUrlSize : data[0];
  const size_t rawOut = data[1] | (size_t(data[2]) << 8);
  const size_t outSize = rawOut == 0xFFFF ? kMessageBodySize : rawOut;
  const char *defaultUrl = (data[3] & 1) ? kSite : nullptr;
  // The text as the bridge hands it over: terminated, at its exact size (a
  // NUL inside ends it early, as it would there).
  const size_t textLen = size - 4;
  std::unique_ptr<char[]> text(new char[textLen + 1]);
  std::memcpy(text.get(), data + 4, textLen);
  text[textLen] = '\0';
  const std::string original(text.get());

  // Buffers of exactly the given sizes (at least one byte to point at).
  std::unique_ptr<char[]> url(new char[urlSize ? urlSize : 1]);
  std::memset(url.get(), 'U', urlSize ? urlSize : 1);
  int own = -1, cut = -1;
  char *body = SplitMessageLink(text.get(), defaultUrl, url.get(), urlSize, &own, &cut);
  Check(body != nullptr, "no body");

  // The reference split.
  std::string link, wantBody;
  const bool hasLink = original.compare(0, 4, "url=") == 0;
  if (hasLink) {
    const size_t feed = original.find('\n', 4);
    link = original.substr(4, feed == std::string::npos ? std::string::npos : feed - 4);
    if (!link.empty() && link.back() == '\r') link.pop_back();
    wantBody = feed == std::string::npos ? "" : original.substr(feed + 1);
    Check(body >= text.get() && body <= text.get() + textLen, "body outside the text");
  } else {
    link = defaultUrl ? defaultUrl : "";
    wantBody = original;
    Check(body == text.get(), "body is not the whole text");
  }
  Check(own == (hasLink ? 1 : 0), "link line not told");
  Check(wantBody == body, "body differs");
  if (urlSize > 0) {
    const size_t keep = link.size() < urlSize - 1 ? link.size() : urlSize - 1;
    Check(std::memchr(url.get(), '\0', urlSize) != nullptr, "link not terminated in its buffer");
    Check(std::strlen(url.get()) == keep && link.compare(0, keep, url.get()) == 0, "link differs");
    Check(cut == (keep < link.size() ? 1 : 0), "cut not told");
  } else {
    Check(url[0] == 'U', "wrote into a buffer of no size");
    Check(cut == (link.empty() ? 0 : 1), "cut not told for a buffer of no size");
  }

  // The expansion into a buffer of exactly outSize bytes. pieceAt[i] is the
  // size of the piece (1, or 2 for a line break) starting at expanded[i], 0
  // inside a line break: a cut may only fall where a piece starts or at the end.
  std::string expanded;
  std::string pieceAt;
  for (const char *p = body; *p; ++p) {
    if (*p == '\n') {
      expanded += "\r\n";
      pieceAt += "\2";
      pieceAt += '\0';
    } else {
      expanded += *p;
      pieceAt += '\1';
    }
  }
  std::unique_ptr<char[]> out(new char[outSize ? outSize : 1]);
  std::memset(out.get(), 'O', outSize ? outSize : 1);
  const int whole = ExpandMessageBody(body, out.get(), outSize);
  if (outSize == 0) {
    Check(out[0] == 'O', "wrote into a buffer of no size");
    Check(whole == (expanded.empty() ? 1 : 0), "result for a buffer of no size");
    return 0;
  }
  Check(std::memchr(out.get(), '\0', outSize) != nullptr, "body not terminated in its buffer");
  const size_t got = std::strlen(out.get());
  Check(expanded.compare(0, got, out.get()) == 0, "expanded body differs");
  if (whole) {
    Check(got == expanded.size(), "told whole but cut");
  } else {
    Check(got < expanded.size(), "told cut but whole");
    Check(pieceAt[got] != 0, "cut between the halves of a line break");
    Check(got + static_cast<size_t>(pieceAt[got]) > outSize - 1, "cut although the next character fitted");
  }
  return 0;
}
