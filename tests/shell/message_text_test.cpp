#include "shell/message_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char *kSite = "http://site.example/";

struct Split {
  std::string url, body;
  int own, cut;
};

Split SplitOf(std::string text, std::size_t urlSize = kMessageUrlSize) {
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back('\0');
  std::vector<char> url(urlSize + 1, '#');  // one guard byte past the buffer
  int own = -1, cut = -1;
  const char *body = SplitMessageLink(buf.data(), kSite, url.data(), urlSize, &own, &cut);
  EXPECT_EQ('#', url[urlSize]) << "link overran its buffer";
  return Split{url.data(), body, own, cut};
}

std::string Expand(const std::string &body, std::size_t outSize, int *whole) {
  std::vector<char> out(outSize + 1, '#');
  *whole = ExpandMessageBody(body.c_str(), out.data(), outSize);
  EXPECT_EQ('#', out[outSize]) << "body overran its buffer";
  return out.data();
}

}  // namespace

TEST(MessageLink, SplitCases) {
  struct Case {
    const char *text, *url, *body;
    int own;
  } cases[] = {
      {"url=http://x.example/a\nfirst\nsecond", "http://x.example/a", "first\nsecond", 1},
      {"one line only", kSite, "one line only", 0},
      // Only the exact lower-case prefix names a link.
      {"URL=http://x.example/\nhello", kSite, "URL=http://x.example/\nhello", 0},
      {"Url=x\nhello", kSite, "Url=x\nhello", 0},
      // A link line without a line feed: all link, nothing to show.
      {"url=http://x.example/", "http://x.example/", "", 1},
      {"url=\nbody", "", "body", 1},
      {"url=http://x.example/\r\nbody", "http://x.example/", "body", 1},
      {"", kSite, "", 0},
      {"url", kSite, "url", 0},
  };
  for (const Case &c : cases) {
    const Split s = SplitOf(c.text);
    EXPECT_EQ(c.url, s.url) << c.text;
    EXPECT_EQ(c.body, s.body) << c.text;
    EXPECT_EQ(c.own, s.own) << c.text;
    EXPECT_EQ(0, s.cut) << c.text;
  }
}

TEST(MessageLink, LongLinkIsCutToItsBuffer) {
  const std::string target(3000, 'a');
  const Split s = SplitOf("url=" + target + "\nbody");
  EXPECT_EQ(kMessageUrlSize - 1, s.url.size());
  EXPECT_EQ(target.substr(0, kMessageUrlSize - 1), s.url);
  EXPECT_EQ("body", s.body);
  EXPECT_EQ(1, s.cut);
  // Exactly 1023 bytes still fit whole.
  EXPECT_EQ(0, SplitOf("url=" + std::string(kMessageUrlSize - 1, 'b')).cut);
}

TEST(MessageLink, NullTextGivesTheSiteAndAnEmptyBody) {
  char url[32];
  int own = -1;
  const char *body = SplitMessageLink(nullptr, kSite, url, sizeof url, &own);
  EXPECT_STREQ("", body);
  EXPECT_STREQ(kSite, url);
  EXPECT_EQ(0, own);
}

TEST(MessageBody, LineFeedsBecomeLineBreaks) {
  struct Case {
    const char *body, *expect;
  } cases[] = {
      {"first\nsecond", "first\r\nsecond"},
      {"\n\n", "\r\n\r\n"},
      {"no breaks", "no breaks"},
      {"", ""},
      // Returns already there are left alone.
      {"a\r\nb", "a\r\r\nb"},
  };
  for (const Case &c : cases) {
    int whole = -1;
    EXPECT_EQ(c.expect, Expand(c.body, kMessageBodySize, &whole)) << c.body;
    EXPECT_EQ(1, whole) << c.body;
  }
}

TEST(MessageBody, TooLongIsCutWithinTheBuffer) {
  int whole = -1;
  // Plain text: cut to the buffer less its terminator.
  const std::string plain(20000, 'x');
  EXPECT_EQ(kMessageBodySize - 1, Expand(plain, kMessageBodySize, &whole).size());
  EXPECT_EQ(0, whole);

  // Only line feeds: each doubles; the last pair that fits is kept whole.
  const std::string feeds(kMessageBodySize, '\n');
  const std::string out = Expand(feeds, kMessageBodySize, &whole);
  EXPECT_EQ(0, whole);
  EXPECT_EQ(kMessageBodySize - 2, out.size());
  EXPECT_EQ('\n', out.back());

  // A line break that would end one byte short is dropped, not halved.
  EXPECT_EQ("ab", Expand("ab\n", 4, &whole));
  EXPECT_EQ(0, whole);
  EXPECT_EQ("ab\r\n", Expand("ab\n", 5, &whole));
  EXPECT_EQ(1, whole);

  // Exactly full: 10239 characters fit.
  EXPECT_EQ(kMessageBodySize - 1, Expand(std::string(kMessageBodySize - 1, 'y'), kMessageBodySize, &whole).size());
  EXPECT_EQ(1, whole);
}
