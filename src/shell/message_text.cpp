#include "shell/message_text.h"

#include <cstring>

namespace {

// Copies at most n bytes of text into out (cut to outSize - 1); returns 1
// when it had to cut.
int CopyCut(const char *text, std::size_t n, char *out, std::size_t outSize) {
  if (!out || outSize == 0) return n != 0;
  const std::size_t keep = n < outSize - 1 ? n : outSize - 1;
  if (keep) std::memcpy(out, text, keep);
  out[keep] = '\0';
  return keep < n;
}

}  // namespace

char *SplitMessageLink(char *text, const char *defaultUrl, char *url, std::size_t urlSize,
                       int *ownLink, int *cut) {
  static char empty[1] = "";
  int own = 0, shortened = 0;
  char *body = text ? text : empty;
  if (text && std::strncmp(text, "url=", 4) == 0) {
    own = 1;
    char *link = text + 4;
    char *feed = std::strchr(link, '\n');
    std::size_t n = feed ? static_cast<std::size_t>(feed - link) : std::strlen(link);
    // A server that ends its lines in "\r\n" must not leave the return in the target.
    if (n && link[n - 1] == '\r') --n;
    shortened = CopyCut(link, n, url, urlSize);
    if (feed) {
      *feed = '\0';
      body = feed + 1;
    } else {
      body = link + std::strlen(link);
    }
  } else {
    const char *site = defaultUrl ? defaultUrl : "";
    shortened = CopyCut(site, std::strlen(site), url, urlSize);
  }
  if (ownLink) *ownLink = own;
  if (cut) *cut = shortened;
  return body;
}

int ExpandMessageBody(const char *body, char *out, std::size_t outSize) {
  if (!out || outSize == 0) return !body || !*body;
  std::size_t at = 0;
  if (body) {
    for (const char *p = body; *p; ++p) {
      const std::size_t need = *p == '\n' ? 2 : 1;
      if (at + need > outSize - 1) {
        out[at] = '\0';
        return 0;
      }
      if (*p == '\n') out[at++] = '\r';
      out[at++] = *p;
    }
  }
  out[at] = '\0';
  return 1;
}
