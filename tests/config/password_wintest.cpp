// The password dialog driven through the system's dialog manager: a timer
// inside the modal loop types into the fields, moves the focus and presses
// the buttons; message boxes are recorded instead of shown. Each test runs
// in a fresh current folder, where NUV.INI is written.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/settings.h"
#include "config/validate.h"
#include "config/win32/password_dlg.h"
#include "platform/message_box.h"
#include "support/fresh_folder.h"

namespace {

struct Box {
  std::string caption, text;
};
std::vector<Box> g_boxes;

int RecordBox(PlatWindow, const char *text, const char *caption, unsigned) {
  g_boxes.push_back({caption, text});
  return kIdOk;
}

std::function<void(HWND)> g_script;
bool g_stuck = false;

BOOL CALLBACK FindDialogProc(HWND window, LPARAM found) {
  char name[32];
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND *>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// Runs the script once the dialog shows; a dialog the script leaves open is
// ended so that the test fails instead of waiting.
void CALLBACK Drive(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  KillTimer(nullptr, timer);
  g_script(dialog);
  if (IsWindow(dialog) && IsWindowVisible(dialog)) {
    g_stuck = true;
    EndDialog(dialog, 99);
  }
}

INT_PTR RunDialog(std::function<void(HWND)> script) {
  g_script = std::move(script);
  g_stuck = false;
  SetTimer(nullptr, 0, 10, Drive);
  return CreatePasswordDialog(GetModuleHandleA(nullptr), nullptr);
}

HWND Field(HWND dialog, int id) { return GetDlgItem(dialog, id); }

std::string Text(HWND dialog, int id) {
  char buf[64];
  GetDlgItemTextA(dialog, id, buf, sizeof buf);
  return buf;
}

// Gives the field the focus, selects what it holds and types over it.
void Type(HWND dialog, int id, const char *keys) {
  HWND edit = Field(dialog, id);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  for (const char *k = keys; *k; ++k) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*k), 1);
}

void Press(HWND dialog, int id) { SendMessageA(Field(dialog, id), BM_CLICK, 0, 0); }

int FocusId(HWND dialog) {
  HWND focus = GetFocus();
  return focus && GetParent(focus) == dialog ? GetDlgCtrlID(focus) : 0;
}

class PasswordDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = nuvtest::EnterFreshFolder("nuv-pwd-", &previous_);
    g_boxes.clear();
    PlatSetMessageBoxHook(RecordBox);
    std::memset(&Config, 0, sizeof Config);
    std::memset(PasswordDlgNumber, 0, sizeof PasswordDlgNumber);
    std::memset(PasswordDlgPassword, 0, sizeof PasswordDlgPassword);
    std::memset(PasswordDlgConfirm, 0, sizeof PasswordDlgConfirm);
  }
  void TearDown() override {
    PlatSetMessageBoxHook(nullptr);
    nuvtest::LeaveFreshFolder(previous_, folder_);
  }
  void Store(const char *number, const char *password) {
    std::snprintf(Config.USERID, sizeof Config.USERID, "%s", number);
    std::snprintf(Config.PASSWORD, sizeof Config.PASSWORD, "%s", password);
  }
  bool IniExists() const { return std::filesystem::exists(folder_ / "NUV.INI"); }
  std::string IniValue(const char *key) const {
    char buf[64];
    GetPrivateProfileStringA("PARAMS", key, "<missing>", buf, sizeof buf,
                             (folder_ / "NUV.INI").string().c_str());
    return buf;
  }

  std::filesystem::path folder_, previous_;
};

TEST_F(PasswordDialog, EmptySettingsOpenEmptyFieldsAndCancelWritesNothing) {
  std::string number = "?", password = "?", confirm = "?", numberLabel, okText;
  LONG style = 0;
  bool icon = false;
  const INT_PTR result = RunDialog([&](HWND dialog) {
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        icon = icon || SendMessageA(c, STM_GETICON, 0, 0) != 0;
    number = Text(dialog, kIdcNuvNumber);
    password = Text(dialog, kIdcNewPassword);
    confirm = Text(dialog, kIdcConfirmPassword);
    numberLabel = Text(dialog, 350);
    okText = Text(dialog, IDOK);
    style = GetWindowLongA(dialog, GWL_STYLE);
    Press(dialog, IDCANCEL);
  });
  EXPECT_FALSE(g_stuck);
  EXPECT_EQ(-1, result);
  EXPECT_EQ("", number);
  EXPECT_EQ("", password);
  EXPECT_EQ("", confirm);
  EXPECT_EQ("NUV Number:", numberLabel);
  EXPECT_EQ("OK", okText);
  EXPECT_EQ(0, style & WS_CAPTION);
  EXPECT_TRUE(icon);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_FALSE(IniExists());
  EXPECT_STREQ("", Config.USERID);
}

TEST_F(PasswordDialog, TenDigitsShowPrettyOnLeavingAndOkWritesBoth) {
  std::string shown;
  const INT_PTR result = RunDialog([&](HWND dialog) {
    Type(dialog, kIdcNuvNumber, "2045553636");
    Type(dialog, kIdcNewPassword, "abc de");  // leaving the number field
    shown = Text(dialog, kIdcNuvNumber);
    Type(dialog, kIdcConfirmPassword, "abc de");
    Press(dialog, IDOK);
  });
  EXPECT_FALSE(g_stuck);
  EXPECT_EQ(0, result);
  EXPECT_EQ("(204) 555-3636", shown);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_STREQ("(204) 555-3636", Config.USERID);
  EXPECT_STREQ("abc de", Config.PASSWORD);
  EXPECT_EQ("(204) 555-3636", IniValue("USERID"));
  EXPECT_EQ("abc de", IniValue("PASSWORD"));
}

TEST_F(PasswordDialog, SevenDigitsTakeTheAreaCodeOfTheStoredNumber) {
  Store("(204) 555-3636", "");  // opened for the password alone
  std::string shownAtStart, shown;
  const INT_PTR result = RunDialog([&](HWND dialog) {
    shownAtStart = Text(dialog, kIdcNuvNumber);
    Type(dialog, kIdcNuvNumber, "555-1212");
    Type(dialog, kIdcNewPassword, "hello");
    shown = Text(dialog, kIdcNuvNumber);
    Type(dialog, kIdcConfirmPassword, "hello");
    Press(dialog, IDOK);
  });
  EXPECT_FALSE(g_stuck);
  EXPECT_EQ(0, result);
  EXPECT_EQ("(204) 555-3636", shownAtStart);
  EXPECT_EQ("(204) 555-1212", shown);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ("(204) 555-1212", IniValue("USERID"));
  EXPECT_EQ("hello", IniValue("PASSWORD"));
}

TEST_F(PasswordDialog, StoredPasswordStandsConfirmed) {
  Store("(204) 555-3636", "secret1");
  std::string password, confirm;
  const INT_PTR result = RunDialog([&](HWND dialog) {
    password = Text(dialog, kIdcNewPassword);
    confirm = Text(dialog, kIdcConfirmPassword);
    Press(dialog, IDOK);
  });
  EXPECT_FALSE(g_stuck);
  EXPECT_EQ(0, result);
  EXPECT_EQ("secret1", password);
  EXPECT_EQ("secret1", confirm);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ("(204) 555-3636", IniValue("USERID"));
  EXPECT_EQ("secret1", IniValue("PASSWORD"));
}

TEST_F(PasswordDialog, RefusedInputKeepsTheDialogWithMessageAndFocus) {
  struct Case {
    const char *storedNumber, *storedPassword;
    const char *number, *password, *confirm;  // typed; nullptr: left alone
    const char *caption, *text;
    int focus;
  } cases[] = {
      {"(204) 555-3636", "secret1", nullptr, nullptr, "secret2", "Password Error",
       "The two passwords do not match.  Please retype them.", kIdcNewPassword},
      {"", "", "555-1212", "hello", "hello", "Invalid Phone Number",
       "You must specify a valid phone number, including area code.\n\nExample: (204) 555-3636.",
       kIdcNuvNumber},
      {"(204) 555-3636", "", nullptr, "abc", "abc", "Password Error",
       "Your password must be between 5 and 11 characters in length.", kIdcNewPassword},
      {"(204) 555-3636", "", nullptr, "ab:cde", "ab:cde", "Password Error",
       "Your password contains an illegal character.\n\nPlease choose another password.",
       kIdcNewPassword},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    g_boxes.clear();
    Store(c.storedNumber, c.storedPassword);
    bool stayed = false;
    int focus = 0;
    const INT_PTR result = RunDialog([&](HWND dialog) {
      if (c.number) Type(dialog, kIdcNuvNumber, c.number);
      if (c.password) Type(dialog, kIdcNewPassword, c.password);
      if (c.confirm) Type(dialog, kIdcConfirmPassword, c.confirm);
      Press(dialog, IDOK);
      stayed = IsWindowVisible(dialog) != 0;
      focus = FocusId(dialog);
      Press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(g_stuck);
    EXPECT_EQ(-1, result);
    EXPECT_TRUE(stayed);
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ(c.caption, g_boxes[0].caption);
    EXPECT_EQ(c.text, g_boxes[0].text);
    EXPECT_EQ(c.focus, focus);
    // Nothing reached the settings or the file.
    EXPECT_STREQ(c.storedNumber, Config.USERID);
    EXPECT_STREQ(c.storedPassword, Config.PASSWORD);
    EXPECT_FALSE(IniExists());
  }
}

TEST_F(PasswordDialog, OverlongValuesAreCutToTheDialogsBuffers) {
  // 39 characters each, as the settings hold at most (editing NUV.INI by hand).
  const std::string longNumber = "(204) 555-3636 extension 12345678901234";
  const std::string longPassword = "abcdefghijklmnopqrstuvwxyz0123456789ABC";
  Store(longNumber.c_str(), longPassword.c_str());
  std::string number, password, confirm, typedNumber, typedPassword;
  std::string numberBuffer, passwordBuffer, confirmBuffer;
  const INT_PTR result = RunDialog([&](HWND dialog) {
    number = Text(dialog, kIdcNuvNumber);
    password = Text(dialog, kIdcNewPassword);
    confirm = Text(dialog, kIdcConfirmPassword);
    numberBuffer = PasswordDlgNumber;
    passwordBuffer = PasswordDlgPassword;
    confirmBuffer = PasswordDlgConfirm;
    // Typing stops at the fields' limits.
    Type(dialog, kIdcNuvNumber, "123456789012345678");
    typedNumber = Text(dialog, kIdcNuvNumber);
    Type(dialog, kIdcNewPassword, "abcdefghijklmnop");
    typedPassword = Text(dialog, kIdcNewPassword);
    Press(dialog, IDCANCEL);
  });
  EXPECT_FALSE(g_stuck);
  EXPECT_EQ(-1, result);
  EXPECT_EQ(longNumber.substr(0, 20), number);
  EXPECT_EQ(longPassword.substr(0, 20), password);
  EXPECT_EQ(longPassword.substr(0, 20), confirm);
  EXPECT_EQ(longPassword.substr(0, 20), passwordBuffer);
  EXPECT_EQ(longPassword.substr(0, 20), confirmBuffer);
  EXPECT_LE(numberBuffer.size(), 20u);
  EXPECT_EQ(0u, longNumber.find(numberBuffer));
  EXPECT_EQ("12345678901234", typedNumber);
  EXPECT_EQ("abcdefghijk", typedPassword);
  EXPECT_FALSE(IniExists());
}

}  // namespace
