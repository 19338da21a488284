// The text export callers.txt and the time text of a logged call.
#include <cstring>
#include <filesystem>
#include <string>

#include "calls/calls_fixture.h"
#include "platform/files.h"
#include "platform/locale_time.h"

namespace nuvtest {
namespace {

const std::string kHeader =
    "Caller Name          Number           Time            Action              \r\n\r\n";

using CallerExport = CallerListTest;

std::string ExportText(const std::filesystem::path &folder) {
  const Bytes b = ReadBytes((folder / "callers.txt").string());
  return std::string(b.begin(), b.end());
}

TEST_F(CallerExport, EmptyListWritesTheHeaderAndABlankLine) {
  ASSERT_EQ(1, VcLoadList());
  EXPECT_EQ(1, SaveCallerFile(nullptr));
  EXPECT_EQ(kHeader, ExportText(folder_));
}

TEST_F(CallerExport, EntriesOldestFirstPaddedButNeverCut) {
  const std::string longName(29, 'L');
  const std::string longAction(49, 'a');
  const std::string longTime(29, 't');
  WriteBytes("CALLER.LOG",
             LogImage(3, 0,
                      {{"ALICE", "(204) 555-0001", "14:32 03/15/1999", "Answered"},
                       {longName.c_str(), "1234567890123456789", longTime.c_str(), longAction.c_str()},
                       {"", "", "", ""},
                       {"LEFTOVER", "", "", ""}}));
  ASSERT_EQ(1, VcLoadList());
  ASSERT_EQ(1, SaveCallerFile(nullptr));
  const std::string expected =
      kHeader +
      "ALICE                (204) 555-0001   14:32 03/15/1999 Answered            \r\n" +
      longName + " 1234567890123456789 " + longTime + " " + longAction + "\r\n" +
      std::string(20, ' ') + " " + std::string(16, ' ') + " " + std::string(15, ' ') + " " +
      std::string(20, ' ') + "\r\n";
  EXPECT_EQ(expected, ExportText(folder_));

  // A second export replaces the first whole.
  VcClearAll();
  ASSERT_EQ(1, SaveCallerFile(nullptr));
  EXPECT_EQ(kHeader, ExportText(folder_));
}

TEST_F(CallerExport, ExportThatCannotBeWrittenWritesNothing) {
  ASSERT_EQ(1, VcLoadList());
  std::filesystem::create_directory(folder_ / (std::string("callers.txt") + kPlatReplaceSuffix));
  EXPECT_EQ(0, SaveCallerFile(nullptr));
  EXPECT_FALSE(Exists((folder_ / "callers.txt").string()));
  EXPECT_EQ(0, Boxes().calls);
}

// --- Time text ---

constexpr const char *kStamp = "1999-03-15-1432";
constexpr PlatDateTime kWhen = {1999, 3, 15, 14, 32};
constexpr const char *kFallback = "14:32 03/15/1999";

// The locale's time, a blank and its short date, as the platform makes them.
std::string LocaleText() {
  char t[64], d[64];
  EXPECT_GT(PlatFormatTime(kWhen, t, sizeof t), 0);
  EXPECT_GT(PlatFormatShortDate(kWhen, d, sizeof d), 0);
  return std::string(t) + " " + d;
}

// MakeNiceTimeDate into a buffer of size bytes inside a larger one, checking
// that nothing past size was touched.
std::string Nice(const char *raw, int size) {
  char buf[64];
  std::memset(buf, 'x', sizeof buf);
  MakeNiceTimeDate(buf, raw, size);
  for (int i = size > 0 ? size : 0; i < static_cast<int>(sizeof buf); ++i)
    if (buf[i] != 'x') ADD_FAILURE() << "byte " << i << " written with size " << size;
  if (size <= 0) return buf[0] == 'x' ? "untouched" : "written";
  if (!std::memchr(buf, '\0', static_cast<size_t>(size))) return "unterminated";
  return buf;
}

TEST(MakeNiceTimeDate, LocaleTextWhenItFitsElseTheFallbacks) {
  const std::string locale = LocaleText();
#ifndef _WIN32
  EXPECT_EQ("14:32 03/15/1999", locale);
#endif
  const int need = static_cast<int>(locale.size()) + 1;
  for (int size : {30, 18, 17, 16, 9, 8, 7, 1}) {
    SCOPED_TRACE(size);
    std::string expected;
    if (size >= need)
      expected = locale;
    else if (size >= 17)
      expected = kFallback;
    else if (size >= 8)
      expected = "No Time";
    EXPECT_EQ(expected, Nice(kStamp, size));
  }
  EXPECT_EQ("untouched", Nice(kStamp, 0));
  EXPECT_EQ("untouched", Nice(kStamp, -5));
  MakeNiceTimeDate(nullptr, kStamp, 30);  // no buffer: nothing to do
}

TEST(MakeNiceTimeDate, StampsThatAreNotStampsGiveNoTime) {
  for (const char *raw : {static_cast<const char *>(nullptr), "", "1999-03-15-143",
                          "abcdefghijklmnop", "1999-03-15-14xx", "1999/03/15/1432"}) {
    SCOPED_TRACE(raw ? raw : "(none)");
    EXPECT_EQ("", Nice(raw, 30));
  }
}

TEST(MakeNiceTimeDate, ImpossibleDateFallsBackToDigits) {
  // No locale formats month 13; the digits still say what the server sent.
  EXPECT_EQ("14:32 13/15/1999", Nice("1999-13-15-1432", 30));
  EXPECT_EQ("No Time", Nice("1999-13-15-1432", 16));
  // Extra characters after the stamp are of no meaning.
  EXPECT_EQ(LocaleText(), Nice("1999-03-15-1432-extra", 30));
}

}  // namespace
}  // namespace nuvtest
