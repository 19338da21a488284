#pragma once
// The server's message text as the message window shows it: an optional
// first line "url=<target>" naming the link button's page, and a body whose
// line feeds the text field needs as carriage return and line feed.

#include <cstddef>

constexpr std::size_t kMessageUrlSize = 1024;    // the link target, terminator included
constexpr std::size_t kMessageBodySize = 10240;  // the expanded body, terminator included

// Splits the link line off text, in place. When text begins with "url="
// (exact case), the link is the rest of that line, cut to urlSize - 1 bytes
// and without a carriage return before the line feed; the line feed is
// overwritten with a terminator and the body is what follows it. A link line
// without a line feed is all link and leaves an empty body. Otherwise url
// gets defaultUrl (cut likewise) and the body is the whole text.
// Returns the body (never null); *ownLink tells which case it was and *cut
// whether the link had to be shortened.
char *SplitMessageLink(char *text, const char *defaultUrl, char *url, std::size_t urlSize,
                       int *ownLink = nullptr, int *cut = nullptr);

// Copies body into out with every line feed made a carriage return and line
// feed. A body that does not fit is cut at a whole character (never between
// the two halves of a line break) and still terminated. Returns 1 when the
// whole body fits, 0 when it was cut.
int ExpandMessageBody(const char *body, char *out, std::size_t outSize);
