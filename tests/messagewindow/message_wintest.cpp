// The message window against the real window system: its text and link,
// its scroll bar, one window at a time, and the press-and-release rule of
// its buttons. Presses arrive as the button layer's parent notification and
// releases as the layer's own mouse message, as the system sends them.

#include "shell/win32/message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/string_table.h"
#include "protocol/app_hooks.h"

namespace {

std::vector<std::string> g_boxes;
int RecordBox(PlatWindow, const char *text, const char *caption, unsigned) {
  g_boxes.push_back(std::string(caption) + "|" + text);
  return kIdOk;
}

class MessageWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hInst = GetModuleHandleA(nullptr);
    ASSERT_TRUE(RegisterMessageClass());
    ASSERT_TRUE(RegisterMessageButtonClass());
  }
  void SetUp() override {
    g_boxes.clear();
    PlatSetMessageBoxHook(RecordBox);
  }
  void TearDown() override {
    if (hMessageWnd) DestroyWindow(hMessageWnd);
    PlatSetMessageBoxHook(nullptr);
  }

  // Opens the window with a copy of text, as the protocol hands it over.
  static void Open(const std::string &text) {
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back('\0');
    CreateMessageWindow(hInst, nullptr, buf.data());
  }
  static std::string FieldText() {
    std::vector<char> buf(20000);
    GetWindowTextA(hMessageEdit, buf.data(), static_cast<int>(buf.size()));
    return buf.data();
  }
  static bool ScrollBarShown() { return (GetWindowLongA(hMessageEdit, GWL_STYLE) & WS_VSCROLL) != 0; }
  static std::string Site() {
    char site[kMessageUrlSize];
    PlatLoadString(kIdsProductSite, site, sizeof site);
    return site;
  }
  static POINT Middle(const SkinButton &b) { return POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2}; }
  static void Press(const SkinButton &b) {
    const POINT p = Middle(b);
    SendMessageA(hMessageWnd, WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(p.x, p.y));
  }
  static void Release(const SkinButton &b) {
    const POINT p = Middle(b);
    SendMessageA(hMessageButtons, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  }
};

TEST_F(MessageWindow, TextAndLink) {
  struct Case {
    const char *text, *field;
    bool ownLink;
    const char *url;
  } cases[] = {
      {"url=http://x.example/page\nfirst line\nsecond line", "first line\r\nsecond line", true,
       "http://x.example/page"},
      {"Your account was renewed.", "Your account was renewed.", false, nullptr},
      {"URL=http://x.example/\nhello", "URL=http://x.example/\r\nhello", false, nullptr},
  };
  for (const Case &c : cases) {
    Open(c.text);
    ASSERT_TRUE(IsWindow(hMessageWnd)) << c.text;
    EXPECT_TRUE(IsWindowVisible(hMessageWnd));
    EXPECT_EQ(c.field, FieldText()) << c.text;
    EXPECT_EQ(c.ownLink ? std::string(c.url) : Site(), MessageUrl) << c.text;
    EXPECT_FALSE(ScrollBarShown()) << "a short text needs no scroll bar";
    RECT r;
    GetWindowRect(hMessageWnd, &r);
    EXPECT_EQ(kMessageWidth, r.right - r.left);
    EXPECT_EQ(kMessageHeight, r.bottom - r.top);
    DestroyWindow(hMessageWnd);
    EXPECT_EQ(nullptr, hMessageWnd);
  }
}

TEST_F(MessageWindow, LongTextKeepsTheScrollBarAndIsCutToTheField) {
  std::string many;
  for (int i = 0; i < 40; ++i) many += "line " + std::to_string(i) + "\n";
  Open(many);
  EXPECT_TRUE(ScrollBarShown());
  DestroyWindow(hMessageWnd);

  // Far beyond the field's buffer: shown cut, nothing overrun.
  Open(std::string(30000, 'w'));
  ASSERT_TRUE(hMessageWnd);
  EXPECT_EQ(kMessageBodySize - 1, FieldText().size());
}

TEST_F(MessageWindow, OneAtATime) {
  Open("first");
  HWND first = hMessageWnd;
  Open("url=http://other.example/\nsecond");
  EXPECT_EQ(first, hMessageWnd);
  EXPECT_EQ("first", FieldText());
  EXPECT_EQ(Site(), MessageUrl);
  DestroyWindow(hMessageWnd);
  // The dropped text does not come back once the window closes.
  EXPECT_EQ(nullptr, hMessageWnd);
  EXPECT_EQ(nullptr, FindWindowA("MessageClass", nullptr));
}

TEST_F(MessageWindow, ButtonsActOnlyWhenReleasedInside) {
  Open("hello");
  Press(MessageBTNOk);
  EXPECT_EQ(kMessageOk, MessageButtonPressed);
  Release(MessageBTNLink);
  EXPECT_EQ(0, MessageButtonPressed);
  EXPECT_TRUE(IsWindow(hMessageWnd)) << "released over the link: nothing happens";
  EXPECT_TRUE(g_boxes.empty());

  // A press outside every button changes nothing.
  SendMessageA(hMessageWnd, WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(30, 30));
  EXPECT_EQ(0, MessageButtonPressed);

  for (const SkinButton *closing : {&MessageBTNOk, &MessageBTNClose}) {
    if (!hMessageWnd) Open("hello");
    Press(*closing);
    Release(*closing);
    EXPECT_EQ(nullptr, hMessageWnd);
  }
}

TEST_F(MessageWindow, LinkThatCannotOpenIsReported) {
  Open("url=nuv-no-such-scheme-x:page\nbody");
  Press(MessageBTNLink);
  EXPECT_EQ(kMessageLink, MessageButtonPressed);
  Release(MessageBTNLink);
  EXPECT_TRUE(IsWindow(hMessageWnd)) << "the link leaves the window open";
  ASSERT_EQ(1u, g_boxes.size());
  EXPECT_NE(std::string::npos, g_boxes[0].find("nuv-no-such-scheme-x:page")) << g_boxes[0];
}

}  // namespace
