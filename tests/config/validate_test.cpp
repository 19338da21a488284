#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/validate.h"
#include "config/ui_harness.h"
#include "platform/message_box.h"
#include "platform/string_table.h"

namespace {

struct Box {
  PlatWindow owner;
  std::string text;
  std::string caption;
  unsigned style;
};

std::vector<Box> g_boxes;

int RecordBox(PlatWindow owner, const char *text, const char *caption, unsigned style) {
  g_boxes.push_back({owner, text, caption, style});
  return kIdOk;
}

void SetText(char *field, size_t size, const char *text) { std::snprintf(field, size, "%s", text); }
#define SET(field, text) SetText(field, sizeof(field), text)

class Validate : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes.clear();
    PlatSetMessageBoxHook(RecordBox);
    SET(Config.USERID, "(204) 555-3636");
    std::memset(&TransferCopy, 0, sizeof TransferCopy);
    std::memset(PasswordDlgConfirm, 0, sizeof PasswordDlgConfirm);
  }
  void TearDown() override {
    PlatSetMessageBoxHook(nullptr);
    std::memset(&Config, 0, sizeof Config);
    std::memset(&TransferCopy, 0, sizeof TransferCopy);
  }

  // One error box with the texts of these string ids.
  static void ExpectOneBox(PlatWindow owner, unsigned caption, unsigned text) {
    ASSERT_EQ(1u, g_boxes.size());
    char wantCaption[96], wantText[256];
    ASSERT_GT(PlatLoadString(caption, wantCaption, sizeof wantCaption), 0) << caption;
    ASSERT_GT(PlatLoadString(text, wantText, sizeof wantText), 0) << text;
    EXPECT_EQ(owner, g_boxes[0].owner);
    EXPECT_EQ(wantCaption, g_boxes[0].caption);
    EXPECT_EQ(wantText, g_boxes[0].text);
    EXPECT_EQ(kMbIconError, g_boxes[0].style & 0xF0u);
  }

  // The Transfers page: fields 201..208 wired into the working copy.
  PlatWindow MakeTransferPage() {
    PlatWindow page = ui_.MakeWindow(201, 208);
    for (int s = 0; s < kTransferSlots; ++s) {
      TransferCopy.hNumberField[s] = PlatGetDlgItem(page, TransferNumberFieldId(s));
      TransferCopy.hNameField[s] = PlatGetDlgItem(page, TransferNameFieldId(s));
    }
    return page;
  }

  void SetSlot(int slot, const char *number, const char *name) {
    SET(TransferCopy.Number[slot], number);
    SET(TransferCopy.Name[slot], name);
    PlatSetControlText(TransferCopy.hNumberField[slot], number);
    PlatSetControlText(TransferCopy.hNameField[slot], name);
  }

  UiHarness ui_;
};

// ---------------------------------------------------------------------------
// Number forms

TEST_F(Validate, CrunchKeepsDigitsInOrder) {
  const struct { const char *in, *out; } cases[] = {
      {"(204) 555-3636", "2045553636"}, {"1-204-555-3636", "12045553636"},
      {"", ""}, {"abc", ""}, {"  7 x 8\t9 ", "789"}, {"\xB2\xB3" "12", "12"},
  };
  for (const auto &c : cases) EXPECT_STREQ(c.out, CrunchPhoneNumber(c.in)) << c.in;

  // A longer text keeps at most 39 digits.
  const std::string many(60, '9');
  EXPECT_EQ(std::string(39, '9'), CrunchPhoneNumber(many.c_str()));
}

TEST_F(Validate, PrettyFormOfTenAndSevenDigits) {
  const struct { const char *in, *out; } cases[] = {
      {"204-555-3636", "(204) 555-3636"},  {"(204)555-3636", "(204) 555-3636"},
      {"204 555 3636", "(204) 555-3636"},  {"2045553636", "(204) 555-3636"},
      {"(204) 555-3636", "(204) 555-3636"}, {"555-1234", "(204) 555-1234"},
      {"5551234", "(204) 555-1234"},       {"555 1234", "(204) 555-1234"},
  };
  for (const auto &c : cases) EXPECT_STREQ(c.out, MakePhoneNumberPretty(c.in)) << c.in;
}

TEST_F(Validate, OtherDigitCountsReturnTheInputItself) {
  for (const char *in : {"1-204-555-3636", "", "abc", "12345678", "123456", "   "})
    EXPECT_EQ(in, MakePhoneNumberPretty(in)) << in;
  // Copying the result over the input is then harmless.
  char buf[40] = "1-204-555-3636";
  const char *r = MakePhoneNumberPretty(buf);
  EXPECT_EQ(buf, r);
}

TEST_F(Validate, SevenDigitsTakeTheAreaCodeOfTheMonitoredNumber) {
  const struct { const char *userid, *out; } cases[] = {
      {"(612) 555-0000", "(612) 555-1234"},
      {"6125550000", "(612) 555-1234"},
      {"x6x1x2", "(612) 555-1234"},
      // Without a full area code the local form keeps the seven digits.
      {"", "555-1234"},
      {"(61)", "555-1234"},
  };
  for (const auto &c : cases) {
    SET(Config.USERID, c.userid);
    EXPECT_STREQ(c.out, MakePhoneNumberPretty("555-1234")) << c.userid;
  }
}

TEST_F(Validate, ResultBuffersMayBeFedBack) {
  EXPECT_STREQ("(204) 555-3636", MakePhoneNumberPretty(CrunchPhoneNumber("204.555.3636")));
  EXPECT_STREQ("(204) 555-3636", MakePhoneNumberPretty(MakePhoneNumberPretty("2045553636")));
  EXPECT_STREQ("2045553636", CrunchPhoneNumber(CrunchPhoneNumber("(204) 555-3636")));
}

TEST_F(Validate, WhitespaceIsBlanksAndTabsOnly) {
  const struct { const char *in; int out; } cases[] = {
      {"", 1}, {"   ", 1}, {"\t \t", 1}, {" a ", 0}, {"\n", 0}, {" 1", 0},
  };
  for (const auto &c : cases) EXPECT_EQ(c.out, IsStringWhitespace(c.in)) << '"' << c.in << '"';
}

// ---------------------------------------------------------------------------
// Number checks

TEST_F(Validate, TransferNumberShapes) {
  const struct { const char *in; int ok; const char *after; } cases[] = {
      {"555-1234", 1, "555-1234"},
      {"(204) 555-3636", 1, "(204) 555-3636"},
      {"   ", 1, ""},
      {"\t ", 1, ""},
      {"", 1, ""},
      {"abc", 0, "abc"},
      {"1-204-555-3636", 0, "1-204-555-3636"},
      {" 12 ", 0, " 12 "},
      {"55-1234", 0, "55-1234"},
  };
  PlatWindow owner = ui_.MakeWindow(1, 1);
  for (const auto &c : cases) {
    g_boxes.clear();
    char buf[40];
    SET(buf, c.in);
    EXPECT_EQ(c.ok, IsNumberOk(owner, buf, 0)) << c.in;
    EXPECT_STREQ(c.after, buf) << c.in;
    EXPECT_TRUE(g_boxes.empty()) << c.in;
  }
}

TEST_F(Validate, BadTransferNumberSpeaksOnlyWithShowOne) {
  PlatWindow owner = ui_.MakeWindow(1, 1);
  char buf[40] = "abc";
  for (int show : {0, 2, -1}) {
    EXPECT_EQ(0, IsNumberOk(owner, buf, show));
    EXPECT_TRUE(g_boxes.empty()) << show;
  }
  EXPECT_EQ(0, IsNumberOk(owner, buf, 1));
  ExpectOneBox(owner, 1413, 1414);
}

TEST_F(Validate, MonitoredNumberNeedsTenDigits) {
  const struct { const char *in; int ok; } cases[] = {
      {"(204) 555-3636", 1}, {"204-555-3636", 1}, {"2045553636", 1}, {"204 555 3636", 1},
      {"1-204-555-3636", 0}, {"555-3636", 0}, {"", 0}, {"(XXX) XXX-XXXX", 0},
  };
  for (const auto &c : cases) EXPECT_EQ(c.ok, CheckNUVNumber(nullptr, c.in, 0)) << c.in;
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(Validate, BadMonitoredNumberShowsBoxAndFocusesTheNumberField) {
  PlatWindow dlg = ui_.MakeWindow(301, 303);
  PlatSetFocus(PlatGetDlgItem(dlg, 303));

  EXPECT_EQ(0, CheckNUVNumber(dlg, "555-3636", 0));
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(PlatGetDlgItem(dlg, 303), PlatGetFocus());

  EXPECT_EQ(0, CheckNUVNumber(dlg, "555-3636", 1));
  ExpectOneBox(dlg, 1415, 1416);
  EXPECT_EQ(PlatGetDlgItem(dlg, 301), PlatGetFocus());
}

// ---------------------------------------------------------------------------
// Passwords

TEST_F(Validate, PasswordRules) {
  enum Fail { kPass, kLength, kChar, kMismatch };
  const struct {
    const char *password, *confirm;
    int compare;
    Fail fail;
  } cases[] = {
      {"abcd", "abcd", 1, kLength},
      {"abcdefghijkl", "abcdefghijkl", 1, kLength},
      {"", "", 1, kLength},
      {"a:b", "a:b", 1, kLength},  // length is judged first
      {"ab:cd", "ab:cd", 1, kChar},
      {"abcdefghij:", "abcdefghij:", 1, kChar},
      {"caf\xE9s", "caf\xE9s", 1, kChar},
      {"abc\x7F" "d", "abc\x7F" "d", 1, kChar},
      {"abc\x1F" "d", "abc\x1F" "d", 1, kChar},
      {"abc\td", "abc\td", 1, kChar},
      {"ab cd", "ab cd", 1, kPass},
      {"     ", "     ", 1, kPass},
      {"~!@#$%^&*()", "~!@#$%^&*()", 1, kPass},
      {"abcde", "abcde", 1, kPass},
      {"Secret", "secret", 1, kMismatch},
      {"Secret", "Secret1", 1, kMismatch},
      {"Secret1", "Secret", 1, kMismatch},
      {"Secret", "", 1, kMismatch},
      {"Secret", "other", 0, kPass},
      {"ab:cd", "ab:cd", 0, kChar},
  };
  for (const auto &c : cases) {
    SET(PasswordDlgConfirm, c.confirm);
    EXPECT_EQ(c.fail == kPass ? 1 : 0, CheckPassword(nullptr, c.password, 0, c.compare))
        << c.password << " / " << c.confirm;
  }
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(Validate, EachPasswordFailureShowsItsBoxAndFocusesThePasswordField) {
  PlatWindow dlg = ui_.MakeWindow(301, 303);
  const struct { const char *password, *confirm; unsigned caption, text; } cases[] = {
      {"a:b", "a:b", 1417, 1418},
      {"abcdefghijkl", "abcdefghijkl", 1417, 1418},
      {"ab:cd", "ab:cd", 1423, 1424},
      {"Secret", "secreT", 1419, 1420},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.password);
    g_boxes.clear();
    PlatSetFocus(PlatGetDlgItem(dlg, 301));
    SET(PasswordDlgConfirm, c.confirm);
    EXPECT_EQ(0, CheckPassword(dlg, c.password, 1, 1));
    ExpectOneBox(dlg, c.caption, c.text);
    EXPECT_EQ(PlatGetDlgItem(dlg, 302), PlatGetFocus());
  }
  // A pass neither speaks nor moves the focus.
  g_boxes.clear();
  PlatSetFocus(PlatGetDlgItem(dlg, 301));
  SET(PasswordDlgConfirm, "Secret");
  EXPECT_EQ(1, CheckPassword(dlg, "Secret", 1, 1));
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(PlatGetDlgItem(dlg, 301), PlatGetFocus());
}

// ---------------------------------------------------------------------------
// Transfer destinations

TEST_F(Validate, CrossCheckFillsAMissingDescription) {
  const struct { const char *number, *name, *wantNumber, *wantName; } cases[] = {
      {"555-1234", "", "(204) 555-1234", "(204) 555-1234"},
      {"5551234", "   ", "(204) 555-1234", "(204) 555-1234"},
      {"5551234", "\t", "(204) 555-1234", "(204) 555-1234"},
      {"612.555.9999", "", "(612) 555-9999", "(612) 555-9999"},
      {"555-1234", "Mom", "(204) 555-1234", "Mom"},
      {"555-1234", " Mom ", "(204) 555-1234", " Mom "},
      {"12345", "", "12345", ""},  // no valid number: no description
      {"   ", "", "", ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.number);
    SetSlot(1, c.number, c.name);
    DoNumberCrossCheck(nullptr, 1, 0);
    EXPECT_STREQ(c.wantNumber, TransferCopy.Number[1]);
    EXPECT_STREQ(c.wantName, TransferCopy.Name[1]);
  }
}

TEST_F(Validate, CrossCheckWithUpdateShowsTextsAndSelectsTheDescription) {
  MakeTransferPage();
  SetSlot(2, "555-1234", "");
  DoNumberCrossCheck(nullptr, 2, 1);
  EXPECT_EQ("(204) 555-1234", UiHarness::Text(TransferCopy.hNumberField[2]));
  EXPECT_EQ("(204) 555-1234", UiHarness::Text(TransferCopy.hNameField[2]));
  EXPECT_TRUE(UiHarness::AllSelected(TransferCopy.hNameField[2]));

  // A description of its own stays, in the field too.
  SetSlot(3, "2045550000", "Work");
  DoNumberCrossCheck(nullptr, 3, 1);
  EXPECT_EQ("(204) 555-0000", UiHarness::Text(TransferCopy.hNumberField[3]));
  EXPECT_EQ("Work", UiHarness::Text(TransferCopy.hNameField[3]));
  EXPECT_FALSE(UiHarness::AllSelected(TransferCopy.hNameField[3]));

  // Without update the fields keep what they show.
  SetSlot(0, "555-9999", "");
  DoNumberCrossCheck(nullptr, 0, 0);
  EXPECT_EQ("555-9999", UiHarness::Text(TransferCopy.hNumberField[0]));
  EXPECT_EQ("", UiHarness::Text(TransferCopy.hNameField[0]));
  EXPECT_STREQ("(204) 555-9999", TransferCopy.Name[0]);
}

TEST_F(Validate, CrossCheckIgnoresSlotsOutOfRange) {
  SetSlot(0, "555-1234", "");
  const TransferWorkingCopy before = TransferCopy;
  DoNumberCrossCheck(nullptr, -1, 1);
  DoNumberCrossCheck(nullptr, 4, 1);
  EXPECT_EQ(0, std::memcmp(&before, &TransferCopy, sizeof before));
}

TEST_F(Validate, AllTransferNumbersPassAndAreTidied) {
  MakeTransferPage();
  SetSlot(0, "", "");
  SetSlot(1, "   ", "Old");
  SetSlot(2, "555-1234", "");
  SetSlot(3, "2045550000", "Office");
  EXPECT_EQ(1, CheckAllTransferNumbers(nullptr, 1));
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_STREQ("", TransferCopy.Number[1]);
  EXPECT_STREQ("(204) 555-1234", TransferCopy.Number[2]);
  EXPECT_STREQ("(204) 555-1234", TransferCopy.Name[2]);
  EXPECT_STREQ("(204) 555-0000", TransferCopy.Number[3]);
  EXPECT_STREQ("Office", TransferCopy.Name[3]);
  EXPECT_EQ("(204) 555-1234", UiHarness::Text(TransferCopy.hNumberField[2]));
}

TEST_F(Validate, FirstBadTransferNumberGetsTheFocusWithItsTextSelected) {
  PlatWindow page = MakeTransferPage();
  SetSlot(0, "555-1234", "");
  SetSlot(2, "abc", "Pizza");
  SetSlot(3, "12", "");
  PlatSetFocus(TransferCopy.hNameField[0]);

  EXPECT_EQ(0, CheckAllTransferNumbers(page, 0));
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(TransferCopy.hNameField[0], PlatGetFocus());

  EXPECT_EQ(0, CheckAllTransferNumbers(page, 1));
  ExpectOneBox(page, 1413, 1414);
  EXPECT_EQ(PlatGetDlgItem(page, 205), PlatGetFocus());
  EXPECT_TRUE(UiHarness::AllSelected(TransferCopy.hNumberField[2]));
  EXPECT_STREQ("abc", TransferCopy.Number[2]);
  // The rows before it were cross-checked; the ones after were not reached.
  EXPECT_STREQ("(204) 555-1234", TransferCopy.Name[0]);
  EXPECT_STREQ("12", TransferCopy.Number[3]);
}

struct Slots {
  const char *number[4];
  const char *name[4];
};

TEST_F(Validate, DefragmentMovesDestinationsUpInOrder) {
  const struct { Slots in, out; } cases[] = {
      {{{"", "A", "", "B"}, {"", "a", "", "b"}}, {{"A", "B", "", ""}, {"a", "b", "", ""}}},
      {{{"A", "", "B", "C"}, {"a", "", "b", "c"}}, {{"A", "B", "C", ""}, {"a", "b", "c", ""}}},
      {{{"", "", "", "D"}, {"x", "y", "", "d"}}, {{"D", "", "", ""}, {"d", "", "", ""}}},
      {{{"A", "B", "C", "D"}, {"a", "b", "c", "d"}}, {{"A", "B", "C", "D"}, {"a", "b", "c", "d"}}},
      {{{"", "", "", ""}, {"a", "", "", "d"}}, {{"", "", "", ""}, {"", "", "", ""}}},
  };
  for (const auto &c : cases) {
    for (int s = 0; s < 4; ++s) {
      SET(TransferCopy.Number[s], c.in.number[s]);
      SET(TransferCopy.Name[s], c.in.name[s]);
    }
    DefragmentTransferNumbers();
    for (int s = 0; s < 4; ++s) {
      EXPECT_STREQ(c.out.number[s], TransferCopy.Number[s]) << c.in.number[1] << " slot " << s;
      EXPECT_STREQ(c.out.name[s], TransferCopy.Name[s]) << c.in.number[1] << " slot " << s;
    }
  }
}

TEST_F(Validate, CleanUpEmptiesDescriptionsWithoutNumberOnly) {
  SetSlot(0, "", "Lonely");
  SetSlot(1, "555-1234", "Kept");
  CleanUpTransferNumbers();
  EXPECT_STREQ("", TransferCopy.Name[0]);
  EXPECT_STREQ("Kept", TransferCopy.Name[1]);
  EXPECT_STREQ("555-1234", TransferCopy.Number[1]);
}

TEST_F(Validate, WorkingCopyCutsOverlongStoredValues) {
  SET(Config.NAME1, "A description far longer than twenty");
  SET(Config.NUMBER1, "(204) 555-3636 extension 12");
  SET(Config.NAME4, "Home");
  SET(Config.NUMBER4, "555-1234");
  LoadTransferCopy();
  EXPECT_STREQ("A description far lo", TransferCopy.Name[0]);
  EXPECT_STREQ("(204) 555-3636", TransferCopy.Number[0]);
  EXPECT_STREQ("Home", TransferCopy.Name[3]);

  SET(TransferCopy.Number[3], "(204) 555-1234");
  StoreTransferCopy();
  EXPECT_STREQ("(204) 555-1234", Config.NUMBER4);
  EXPECT_STREQ("A description far lo", Config.NAME1);
}

// ---------------------------------------------------------------------------
// Bounded reading: texts without a terminator inside their buffer, placed on
// the heap at their exact size so that a sanitizer sees any read past them.

std::unique_ptr<char[]> Unterminated(size_t size, char fill) {
  std::unique_ptr<char[]> p(new char[size]);
  std::memset(p.get(), fill, size);
  return p;
}

TEST_F(Validate, UnterminatedInputsAreReadWithinTheirBound) {
  auto digits = Unterminated(kValidateTextMax, '7');
  EXPECT_EQ(std::string(39, '7'), CrunchPhoneNumber(digits.get()));
  EXPECT_EQ(digits.get(), MakePhoneNumberPretty(digits.get()));
  EXPECT_EQ(0, CheckNUVNumber(nullptr, digits.get(), 0));
  EXPECT_EQ(0, IsNumberOk(nullptr, digits.get(), 0));

  auto blanks = Unterminated(kValidateTextMax, ' ');
  EXPECT_EQ(1, IsStringWhitespace(blanks.get()));
  EXPECT_EQ(1, IsNumberOk(nullptr, blanks.get(), 0));
  EXPECT_EQ('\0', blanks[0]);

  auto password = Unterminated(kPasswordMaxLength + 1, 'p');
  EXPECT_EQ(0, CheckPassword(nullptr, password.get(), 0, 1));

  // The monitored number as a full, unterminated settings field.
  std::memset(Config.USERID, '2', sizeof Config.USERID);
  EXPECT_STREQ("(222) 555-1234", MakePhoneNumberPretty("5551234"));
}

TEST_F(Validate, WorkingCopyWithoutTerminatorsStaysInItsFields) {
  std::memset(TransferCopy.Number, '5', sizeof TransferCopy.Number);
  std::memset(TransferCopy.Name, 'n', sizeof TransferCopy.Name);
  EXPECT_EQ(0, CheckAllTransferNumbers(nullptr, 0));  // 14 digits
  EXPECT_EQ(std::string(14, '5'), TransferCopy.Number[0]);
  DefragmentTransferNumbers();
  for (int s = 0; s < kTransferSlots; ++s) {
    EXPECT_EQ(std::string(14, '5'), TransferCopy.Number[s]);
    EXPECT_EQ(std::string(20, 'n'), TransferCopy.Name[s]);
  }
  StoreTransferCopy();
  EXPECT_EQ(std::string(14, '5'), Config.NUMBER2);
  EXPECT_EQ(std::string(20, 'n'), Config.NAME2);
}

TEST_F(Validate, NullTextsAreEmpty) {
  EXPECT_STREQ("", CrunchPhoneNumber(nullptr));
  EXPECT_EQ(nullptr, MakePhoneNumberPretty(nullptr));
  EXPECT_EQ(1, IsStringWhitespace(nullptr));
  EXPECT_EQ(1, IsNumberOk(nullptr, nullptr, 1));
  EXPECT_EQ(0, CheckNUVNumber(nullptr, nullptr, 0));
  EXPECT_EQ(0, CheckPassword(nullptr, nullptr, 0, 0));
}

}  // namespace
