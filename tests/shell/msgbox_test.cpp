// The message-box functions against the program's string table, with the box
// replaced by a recorder. The same expectations hold natively and under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/message_box.h"
#include "platform/string_table.h"
#include "platform/sys_error.h"
#include "shell/msgbox.h"

namespace {

struct Box {
  int calls = 0;
  PlatWindow owner = nullptr;
  std::string text, caption;
  unsigned style = 0;
  int answer = kIdOk;
};
Box g_box;

int Record(PlatWindow owner, const char *text, const char *caption, unsigned style) {
  ++g_box.calls;
  g_box.owner = owner;
  g_box.text = text;
  g_box.caption = caption;
  g_box.style = style;
  return g_box.answer;
}

class MsgBox : public ::testing::Test {
 protected:
  void SetUp() override {
    g_box = Box();
    PlatSetMessageBoxHook(Record);
  }
  void TearDown() override { PlatSetMessageBoxHook(nullptr); }

  static std::string Email() {
    char buf[96];
    PlatLoadString(1984, buf, sizeof buf);
    return buf;
  }
  static std::string MissingText(unsigned id) {
    return "Error #1: NUV tried to display message #" + std::to_string(id) +
           " (possibly an error), but could not find the proper display text.  Please contact "
           "technical support at via e-mail at " + Email();
  }
  PlatWindow const kOwner = reinterpret_cast<PlatWindow>(0x1234);
};

constexpr unsigned kNoText = 4104;  // an id without text

TEST_F(MsgBox, StringBoxShowsBothTextsAndReturnsTheAnswer) {
  g_box.answer = kIdYes;
  EXPECT_EQ(kIdYes, stringMessageBox(kOwner, 1037, 1036, kMbYesNo | kMbIconQuestion));
  EXPECT_EQ(1, g_box.calls);
  EXPECT_EQ(kOwner, g_box.owner);
  EXPECT_EQ("Confirm Clear", g_box.caption);
  EXPECT_EQ("Are you sure you you want to clear the Caller Log?", g_box.text);
  EXPECT_EQ(kMbYesNo | kMbIconQuestion, g_box.style);
}

TEST_F(MsgBox, StringBoxShowsTextsUnformatted) {
  stringMessageBox(nullptr, 1413, 1414, kMbOk | kMbIconError);
  EXPECT_EQ("Invalid Phone Number", g_box.caption);
  EXPECT_EQ("The number needs to be either 7 or 10 digits in length,\nand it needs to be within "
            "your local calling area.",
            g_box.text);
}

TEST_F(MsgBox, MissingTextsNameTheIdAndTheSupportAddress) {
  ASSERT_FALSE(Email().empty());
  // Caption known, text missing.
  stringMessageBox(nullptr, 1408, kNoText, kMbOk);
  EXPECT_EQ("NUV: Error", g_box.caption);
  EXPECT_EQ(MissingText(kNoText), g_box.text);
  // Both missing.
  stringMessageBox(nullptr, 9999, 65000, kMbOk);
  EXPECT_EQ("NUV: Missing Message Text", g_box.caption);
  EXPECT_EQ(MissingText(65000), g_box.text);
  // The error box falls back the same way, still with the error icon.
  errorMessageBox(kOwner, 9998, 9997, 5);
  EXPECT_EQ("NUV: Missing Message Text", g_box.caption);
  EXPECT_EQ(MissingText(9997), g_box.text);
  EXPECT_EQ(kMbOk | kMbIconError, g_box.style);
}

TEST_F(MsgBox, ErrorBoxFormatsTheValueAsInsertOne) {
  struct {
    long value;
    const char *shown;
  } const cases[] = {{10, "10"}, {11, "11"}, {-3, "-3"}, {0, "0"}};
  for (const auto &c : cases) {
    EXPECT_EQ(kIdOk, errorMessageBox(kOwner, 1435, 1441, c.value));
    EXPECT_EQ("NUV: Initialization Error", g_box.caption);
    EXPECT_EQ(std::string("Error #6: A type ") + c.shown +
                  " error occurred while trying to create the UDP socket.",
              g_box.text);
    EXPECT_EQ(kMbOk | kMbIconError, g_box.style);
    EXPECT_EQ(kOwner, g_box.owner);
  }
  // A text without inserts is shown as it is (line feeds become CR LF).
  errorMessageBox(nullptr, 1408, 1409, 1);
  EXPECT_EQ("Could not save Caller ID Log.\r\nCalls logged during this session will be lost.",
            g_box.text);
}

TEST_F(MsgBox, LoadFmtMessageFormatsTextsOfTheTable) {
  char out[256];
  EXPECT_EQ(out, LoadFmtMessage(1121, out, sizeof out, "(204) 555-3636"));
  EXPECT_STREQ("NUV: Monitoring (204) 555-3636", out);
  LoadFmtMessage(1987, out, sizeof out, "2045553636", "77");
  EXPECT_STREQ("http://www.ravelo.example/Account.cgi?2045553636,77", out);
  LoadFmtMessage(1434, out, sizeof out, "a@b", 4104u);
  EXPECT_NE(nullptr, std::strstr(out, "message #4104 (possibly"));
  LoadFmtMessage(1799, out, sizeof out, "Ambit");
  EXPECT_STREQ("English 5.1.3 (Ambit)", out);
  LoadFmtMessage(3020, out, sizeof out);
  EXPECT_STREQ("Window Shell Execute Error", out);
  // Three inserts for a text that names three.
  LoadFmtMessage(3019, out, sizeof out, "x.htm", -7, "Oops.");
  EXPECT_STREQ("Please contact technical support and quote the following message:\r\n\r\n"
               "  Error (-7) opening 'x.htm'.\r\n  Oops.",
               out);
}

TEST_F(MsgBox, LoadFmtMessageUnknownIdFormatsTheFirstInsert) {
  char out[64] = "junk";
  LoadFmtMessage(kNoText, out, sizeof out, "first", "second");
  EXPECT_STREQ("first", out);
}

TEST_F(MsgBox, LoadFmtMessageUnknownIdShowsAFirstNumberAsNumber) {
  char out[64];
  LoadFmtMessage(kNoText, out, sizeof out, 42);
  EXPECT_STREQ("42", out);
  LoadFmtMessage(kNoText, out, sizeof out, -7L);
  EXPECT_STREQ("-7", out);
  LoadFmtMessage(kNoText, out, sizeof out, 4000000000u);
  EXPECT_STREQ("4000000000", out);
  LoadFmtMessage(kNoText, out, sizeof out);
  EXPECT_STREQ("(null)", out);
}

TEST_F(MsgBox, TextTakingANumberAsTextIsRefusedNotDereferenced) {
  char out[64] = "junk";
  LoadFmtMessage(1121, out, sizeof out, 5);  // "NUV: Monitoring %1"
  EXPECT_STREQ("", out);
  LoadFmtMessage(1987, out, sizeof out, "2045553636", 77);  // %2 is a text
  EXPECT_STREQ("", out);
  // The error box's value is always a number: such a text is shown as it is.
  errorMessageBox(nullptr, 1408, 1505, 5);  // "Assertion Failed: %1"
  EXPECT_EQ("Assertion Failed: %1", g_box.text);
  EXPECT_EQ(kMbOk | kMbIconError, g_box.style);
}

TEST_F(MsgBox, LoadFmtMessageReadsOnlyTheInsertsPassed) {
  // The text names three inserts; only one is passed. The others read as 0
  // (ASan would catch a read past the argument list).
  char out[256];
  LoadFmtMessage(3019, out, sizeof out, "x.htm");
  EXPECT_STREQ("Please contact technical support and quote the following message:\r\n\r\n"
               "  Error (0) opening 'x.htm'.\r\n  (null)",
               out);
  LoadFmtMessage(1121, out, sizeof out);
  EXPECT_STREQ("NUV: Monitoring (null)", out);
}

TEST_F(MsgBox, LoadFmtMessageTooSmallOrBadBufferGivesEmptyText) {
  char out[8] = "junk";
  EXPECT_EQ(out, LoadFmtMessage(1121, out, sizeof out, "5551234"));
  EXPECT_STREQ("", out);
  char one[1] = {'x'};
  LoadFmtMessage(1121, one, 1, "5551234");
  EXPECT_EQ('\0', one[0]);
  EXPECT_EQ(nullptr, LoadFmtMessage(1121, nullptr, 10, "5551234"));
  EXPECT_EQ(out, LoadFmtMessage(1121, out, 0, "5551234"));
}

TEST(LoadFmtInsertCount, HighestInsertNamedCappedAtTen) {
  struct {
    const char *text;
    int count;
  } const cases[] = {
      {"", 0},           {"no inserts", 0},   {"%1", 1},        {"%3 and %1", 3},
      {"%2!u! %1", 2},   {"%9%10", 10},       {"%11", 10},      {"%99", 10},
      {"%0", 0},         {"100%", 0},         {"%%1", 1},       {"%n%t%1", 1},
      {"%123456789012345678901234567890", 10},
  };
  for (const auto &c : cases) EXPECT_EQ(c.count, LoadFmtInsertCount(c.text)) << c.text;
  EXPECT_EQ(0, LoadFmtInsertCount(nullptr));
}

TEST_F(MsgBox, ShellExecuteErrorQuotesTargetCodeAndSystemText) {
  constexpr unsigned kCode = 2;  // file not found, on both systems
  char sysText[256];
  ASSERT_GT(PlatSysErrorText(kCode, sysText, sizeof sysText), 0);
  PlatSetLastError(kCode);
  HandleShellExecuteError("http://www.ravelo.example/");
  EXPECT_EQ(1, g_box.calls);
  EXPECT_EQ(nullptr, g_box.owner);
  EXPECT_EQ("Window Shell Execute Error", g_box.caption);
  EXPECT_EQ(std::string("Please contact technical support and quote the following message:\r\n\r\n"
                        "  Error (2) opening 'http://www.ravelo.example/'.\r\n  ") + sysText,
            g_box.text);
  EXPECT_EQ(kMbOk | kMbIconError, g_box.style);

  PlatSetLastError(kCode);
  HandleShellExecuteError(nullptr);
  EXPECT_NE(std::string::npos, g_box.text.find("opening ''."));
}

TEST(GetHelpFileName, ServiceTypesSelectTheirFiles) {
  struct {
    long service;
    const char *file;
  } const cases[] = {
      {-1, "final.hlp"}, {0, "ambit.hlp"},  {1, "nuvcorvel.hlp"}, {2, "tessel.hlp"},
      {3, "wendry.hlp"}, {4, "Nuv4.hlp"},   {7, "ambit.hlp"},     {-2, "ambit.hlp"},
      {2147483647L, "ambit.hlp"},
  };
  for (const auto &c : cases) {
    char buf[256] = "junk";
    EXPECT_EQ(buf, GetHelpFileName(c.service, buf, sizeof buf));
    EXPECT_STREQ(c.file, buf) << c.service;
  }
}

TEST(GetHelpFileName, CutsToTheBuffer) {
  char buf[4];
  GetHelpFileName(1, buf, sizeof buf);
  EXPECT_STREQ("nuv", buf);
  GetHelpFileName(4, buf, sizeof buf);
  EXPECT_STREQ("Nuv", buf);
  EXPECT_EQ(nullptr, GetHelpFileName(1, nullptr, 4));
  char one[1] = {'x'};
  GetHelpFileName(4, one, 0);
  EXPECT_EQ('x', one[0]);
}

}  // namespace
