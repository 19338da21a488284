// CALLER.LOG on disk: loading good and damaged files, and saving so that a
// failed write never costs the log that was stored before.
#include <filesystem>
#include <string>

#include "calls/calls_fixture.h"
#include "platform/files.h"

namespace nuvtest {
namespace {

constexpr const char *kLog = "CALLER.LOG";
const std::string kLogNew = std::string(kLog) + kPlatReplaceSuffix;

const std::vector<StoredCall> kThree = {
    {"ALICE", "(204) 555-0001", "14:32 03/15/1999", "Answered"},
    {"BOB", "(204) 555-0002", "14:33 03/15/1999", "Missed Call"},
    {"CAROL", "(204) 555-0003", "14:34 03/15/1999", "Sent to (204) 555-9999"},
};

using CallerLogFile = CallerListTest;

void ExpectRewrittenEmpty() {
  const Bytes file = ReadBytes(kLog);
  ASSERT_EQ(static_cast<size_t>(kCallerLogFileSize), file.size());
  EXPECT_EQ(0x22, file[0]);
  EXPECT_EQ(0, Int32At(file, 1));
  EXPECT_EQ(0, Int32At(file, 5));
  for (int i = 0; i < kCallerListMax; ++i) ASSERT_EQ("No Callers", FieldAt(file, i, 0, 30)) << i;
}

TEST_F(CallerLogFile, MissingFileIsCreatedEmpty) {
  EXPECT_EQ(1, VcLoadList());
  EXPECT_EQ(0, CallListEnd);
  ExpectRewrittenEmpty();
  EXPECT_EQ(0, Windows().menuState);
  EXPECT_STREQ("", Windows().lastSpot);
  EXPECT_EQ(0, Boxes().calls);
  EXPECT_FALSE(Exists(kLogNew));
}

TEST_F(CallerLogFile, StoredListComesBackWithItsView) {
  Bytes image = LogImage(3, 1, kThree);
  image[9 + 5 * 130 + 7] = 0x5a;  // a leftover byte in an unused slot
  WriteBytes(kLog, image);

  EXPECT_EQ(1, VcLoadList());
  EXPECT_EQ(3, CallListEnd);
  EXPECT_EQ(1, CallListInView);
  EXPECT_STREQ("BOB", Windows().lastEntry.name);
  EXPECT_STREQ("2/3", Windows().lastSpot);
  EXPECT_EQ(1, Windows().menuState);
  EXPECT_STREQ("Sent to (204) 555-9999", CallerLog[2].action);

  // Saved again unchanged, the file is the same byte for byte.
  EXPECT_EQ(1, VcSaveList());
  EXPECT_EQ(image, ReadBytes(kLog));
}

TEST_F(CallerLogFile, DamagedFilesLoadEmptyAndAreRewritten) {
  struct Case {
    const char *what;
    Bytes image;
  };
  Bytes shorter = LogImage(3, 1, kThree);
  shorter.pop_back();
  Bytes longer = LogImage(3, 1, kThree);
  longer.push_back(0);
  const Case cases[] = {
      {"another version", LogImage(3, 1, kThree, 0x21)},
      {"one byte short", shorter},
      {"one byte long", longer},
      {"empty", Bytes()},
      {"version byte only", Bytes{0x22}},
      {"count above 80", LogImage(81, 0, kThree)},
      {"count far above 80", LogImage(0x7fffffff, 0, kThree)},
      {"negative count", LogImage(-1, 0, kThree)},
      {"view at the count", LogImage(3, 3, kThree)},
      {"view before the first", LogImage(3, -1, kThree)},
      {"view in an empty list", LogImage(0, 3)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    CallerListReset();
    ResetWindowRecorders();
    WriteBytes(kLog, c.image);
    EXPECT_EQ(1, VcLoadList());
    EXPECT_EQ(0, CallListEnd);
    EXPECT_EQ(0, CallListInView);
    EXPECT_STREQ("No Callers", CallerLog[0].name);
    EXPECT_STREQ("", Windows().lastSpot);
    EXPECT_EQ(0, Windows().menuState);
    ExpectRewrittenEmpty();
  }
  EXPECT_EQ(0, Boxes().calls);
}

TEST_F(CallerLogFile, UnterminatedStoredTextsAreCutWithinTheirFields) {
  Bytes image = LogImage(2, 0, kThree);
  std::memset(image.data() + 9, 'N', 130);  // record 0: no terminator anywhere
  std::memset(image.data() + 9 + 79 * 130, 'X', 130);  // and a leftover slot
  WriteBytes(kLog, image);

  EXPECT_EQ(1, VcLoadList());
  ASSERT_EQ(2, CallListEnd);
  EXPECT_EQ(std::string(29, 'N'), CallerLog[0].name);
  EXPECT_EQ(std::string(19, 'N'), CallerLog[0].number);
  EXPECT_EQ(std::string(29, 'N'), CallerLog[0].time);
  EXPECT_EQ(std::string(49, 'N'), CallerLog[0].action);
  EXPECT_EQ(std::string(29, 'X'), CallerLog[79].name);
  EXPECT_EQ(std::string(29, 'N'), Windows().lastEntry.name);
  EXPECT_STREQ("BOB", CallerLog[1].name);
}

TEST_F(CallerLogFile, NothingIsSavedBeforeTheListWasLoaded) {
  // Shutdown during start-up: the stored log must survive.
  const Bytes image = LogImage(3, 2, kThree);
  WriteBytes(kLog, image);
  SetCall(0, "EARLY", "(204) 555-0000", "1999-03-15-1432");
  AddCallerToList(0, "Missed Call");
  EXPECT_EQ(1, VcSaveList());
  VcClearAll();
  EXPECT_EQ(image, ReadBytes(kLog));
  EXPECT_FALSE(Exists(kLogNew));

  std::filesystem::remove(kLog);
  EXPECT_EQ(1, VcSaveList());
  EXPECT_FALSE(Exists(kLog));
  EXPECT_EQ(0, Boxes().calls);
}

TEST_F(CallerLogFile, FailedSaveKeepsTheStoredLogAndTellsTheUser) {
  const Bytes image = LogImage(3, 2, kThree);
  WriteBytes(kLog, image);
  ASSERT_EQ(1, VcLoadList());
  // A folder where the new file would be written: the write cannot start.
  std::filesystem::create_directory(kLogNew);

  SetCall(0, "DAVE", "(204) 555-0004", "1999-03-15-1435");
  AddCallerToList(0, "Answered");
  EXPECT_EQ(image, ReadBytes(kLog));
  EXPECT_EQ(1, Boxes().calls);
  EXPECT_EQ("NUV: Error", Boxes().caption);
  EXPECT_EQ("Could not save Caller ID Log.\nCalls logged during this session will be lost.",
            Boxes().text);
  EXPECT_EQ(kMbOk | kMbIconError, Boxes().style);
  EXPECT_EQ(nullptr, Boxes().owner);
  EXPECT_EQ(0, VcSaveList());
  EXPECT_EQ(image, ReadBytes(kLog));

  // The list in memory is whole, and the next change saves it.
  ASSERT_EQ(4, CallListEnd);
  EXPECT_STREQ("DAVE", CallerLog[3].name);
  std::filesystem::remove(kLogNew);
  VcPrev();
  VcClearOne();
  const Bytes file = ReadBytes(kLog);
  EXPECT_EQ(3, Int32At(file, 1));
  EXPECT_EQ("DAVE", FieldAt(file, 2, 0, 30));
  EXPECT_FALSE(Exists(kLogNew));
}

TEST_F(CallerLogFile, MissingLogThatCannotBeCreatedIsReported) {
  std::filesystem::create_directory(kLogNew);
  EXPECT_EQ(0, VcLoadList());
  EXPECT_EQ(1, Boxes().calls);
  EXPECT_EQ("NUV: Error", Boxes().caption);
  EXPECT_EQ("Could not read Caller ID Log.\nCalls logged previously will be unavailable.",
            Boxes().text);
  EXPECT_EQ(kMbOk | kMbIconError, Boxes().style);
  EXPECT_EQ(0, CallListEnd);
  EXPECT_FALSE(Exists(kLog));

  // Later calls are still logged once the file can be written.
  std::filesystem::remove(kLogNew);
  SetCall(0, "ERIN", "(204) 555-0005", "1999-03-15-1436");
  AddCallerToList(0, "Answered");
  EXPECT_EQ(1, Int32At(ReadBytes(kLog), 1));
}

TEST_F(CallerLogFile, UnreadableLogFailsSilently) {
  std::filesystem::create_directory(kLog);  // present, but no file to read
  EXPECT_EQ(0, VcLoadList());
  EXPECT_EQ(0, Boxes().calls);
  EXPECT_EQ(0, CallListEnd);
  EXPECT_TRUE(std::filesystem::is_directory(kLog));
}

}  // namespace
}  // namespace nuvtest
