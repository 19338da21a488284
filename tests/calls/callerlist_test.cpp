// The caller list in memory: adding, stepping, deleting and clearing, with
// what each change shows in the windows and writes to CALLER.LOG.
#include <string>

#include "calls/calls_fixture.h"

namespace nuvtest {
namespace {

constexpr const char *kStamp = "1999-03-15-1432";

class CallerList : public CallerListTest {
 protected:
  void SetUp() override {
    CallerListTest::SetUp();
    ASSERT_EQ(1, VcLoadList());  // no file yet: an empty log is made
    ResetWindowRecorders();
  }

  // Logs calls named by the letters of names, oldest first.
  static void AddCalls(const std::string &names) {
    for (char c : names) {
      const char name[2] = {c, '\0'};
      SetCall(0, name, "(204) 555-3636", kStamp);
      AddCallerToList(0, "Answered");
    }
  }

  static std::string Names() {
    std::string s;
    for (int i = 0; i < CallListEnd; ++i) s += CallerLog[i].name;
    return s;
  }

  static void ExpectEmptyState() {
    EXPECT_EQ(0, CallListEnd);
    EXPECT_EQ(0, CallListInView);
    for (const CallerRecord &r : CallerLog) {
      ASSERT_STREQ("No Callers", r.name);
      ASSERT_STREQ("", r.number);
      ASSERT_STREQ("", r.time);
      ASSERT_STREQ("", r.action);
    }
    EXPECT_STREQ("", Windows().lastSpot);
    EXPECT_STREQ("No Callers", Windows().lastEntry.name);
    EXPECT_EQ(0, Windows().menuState);
    const Bytes file = ReadBytes("CALLER.LOG");
    ASSERT_EQ(static_cast<size_t>(kCallerLogFileSize), file.size());
    EXPECT_EQ(0x22, file[0]);
    EXPECT_EQ(0, Int32At(file, 1));
    EXPECT_EQ(0, Int32At(file, 5));
    EXPECT_EQ("No Callers", FieldAt(file, 0, 0, 30));
  }
};

TEST_F(CallerList, AddedCallIsShownLoggedAndSaved) {
  SetCall(1, "JOHN SMITH", "(204) 555-3636", kStamp);
  AddCallerToList(1, "Answered");

  ASSERT_EQ(1, CallListEnd);
  EXPECT_EQ(0, CallListInView);
  const CallerRecord &r = CallerLog[0];
  EXPECT_STREQ("JOHN SMITH", r.name);
  EXPECT_STREQ("(204) 555-3636", r.number);
  EXPECT_STREQ("Answered", r.action);
  char expectedTime[30];
  MakeNiceTimeDate(expectedTime, kStamp, sizeof expectedTime);
  EXPECT_STRNE("", expectedTime);
  EXPECT_STREQ(expectedTime, r.time);

  const WindowRecord &w = Windows();
  EXPECT_STREQ("JOHN SMITH", w.lastEntry.name);
  EXPECT_STREQ("1/1", w.lastSpot);
  EXPECT_EQ(1, w.menuState);
  EXPECT_EQ(1, w.notifications);
  EXPECT_EQ(1, w.lastNotifyCount);
  EXPECT_EQ(0, w.lastDisableDelete);

  const Bytes file = ReadBytes("CALLER.LOG");
  ASSERT_EQ(static_cast<size_t>(kCallerLogFileSize), file.size());
  EXPECT_EQ(0x22, file[0]);
  EXPECT_EQ(1, Int32At(file, 1));
  EXPECT_EQ(0, Int32At(file, 5));
  EXPECT_EQ("JOHN SMITH", FieldAt(file, 0, 0, 30));
  EXPECT_EQ("(204) 555-3636", FieldAt(file, 0, 30, 20));
  EXPECT_EQ(expectedTime, FieldAt(file, 0, 50, 30));
  EXPECT_EQ("Answered", FieldAt(file, 0, 80, 50));
  EXPECT_EQ(0, Boxes().calls);
}

TEST_F(CallerList, EightyFirstCallDropsTheOldest) {
  for (int i = 0; i <= kCallerListMax; ++i) {
    const std::string name = "CALLER " + std::to_string(i);
    SetCall(i % kPopupSlots, name.c_str(), "(204) 555-3636", kStamp);
    AddCallerToList(i % kPopupSlots, "Missed Call");
  }
  EXPECT_EQ(kCallerListMax, CallListEnd);
  EXPECT_EQ(kCallerListMax - 1, CallListInView);
  EXPECT_STREQ("CALLER 1", CallerLog[0].name);
  EXPECT_STREQ("CALLER 79", CallerLog[78].name);
  EXPECT_STREQ("CALLER 80", CallerLog[79].name);
  EXPECT_STREQ("CALLER 80", Windows().lastEntry.name);
  EXPECT_STREQ("80/80", Windows().lastSpot);
  const Bytes file = ReadBytes("CALLER.LOG");
  EXPECT_EQ(80, Int32At(file, 1));
  EXPECT_EQ(79, Int32At(file, 5));
  EXPECT_EQ("CALLER 1", FieldAt(file, 0, 0, 30));
}

TEST_F(CallerList, LongTextsAreCutToTheirFields) {
  // Every text of the active call fills its whole field, without terminator.
  ActiveCall &c = Caller[2];
  std::memset(c.name, 'N', sizeof c.name);
  std::memset(c.number, '5', sizeof c.number);
  std::memcpy(c.time, kStamp, 15);
  std::memset(c.time + 15, '9', sizeof c.time - 15);
  const std::string action = "Sent to " + std::string(45, '7');
  AddCallerToList(2, action.c_str());

  const CallerRecord &r = CallerLog[0];
  EXPECT_EQ(std::string(29, 'N'), r.name);
  EXPECT_EQ(std::string(19, '5'), r.number);
  EXPECT_EQ(action.substr(0, 49), r.action);
  char expectedTime[30];
  MakeNiceTimeDate(expectedTime, kStamp, sizeof expectedTime);
  EXPECT_STREQ(expectedTime, r.time);  // the stamp is read from its first 15 characters
}

TEST_F(CallerList, NoActionOrSlotOutsideTheTableIsHandled) {
  SetCall(0, "A", "(204) 555-3636", kStamp);
  AddCallerToList(0, nullptr);
  ASSERT_EQ(1, CallListEnd);
  EXPECT_STREQ("", CallerLog[0].action);
  for (int slot : {-1, kPopupSlots, 1000}) AddCallerToList(slot, "Answered");
  EXPECT_EQ(1, CallListEnd);
}

TEST_F(CallerList, StepsStopAtBothEndsButStillRedraw) {
  AddCalls("ABC");
  const int draws = Windows().entryDraws;
  VcNext();  // already on the newest
  EXPECT_EQ(2, CallListInView);
  EXPECT_EQ(draws + 1, Windows().entryDraws);
  EXPECT_STREQ("3/3", Windows().lastSpot);
  VcPrev();
  VcPrev();
  VcPrev();  // already on the oldest
  EXPECT_EQ(0, CallListInView);
  EXPECT_EQ(draws + 4, Windows().entryDraws);
  EXPECT_STREQ("A", Windows().lastEntry.name);
  EXPECT_STREQ("1/3", Windows().lastSpot);
  VcNext();
  EXPECT_STREQ("B", Windows().lastEntry.name);
  EXPECT_STREQ("2/3", Windows().lastSpot);
}

TEST_F(CallerList, StepsOnAnEmptyListDoNothing) {
  VcNext();
  VcPrev();
  VcClearOne();
  EXPECT_EQ(0, Windows().entryDraws);
  EXPECT_EQ(0, Windows().spotDraws);
  EXPECT_EQ(0, CallListEnd);
}

TEST_F(CallerList, ViewGoesOnlyToEntriesOfTheList) {
  AddCalls("AB");
  ResetWindowRecorders();
  for (int index : {-1, 2, 79, 80, 100000}) VcList(index);
  EXPECT_EQ(0, Windows().entryDraws);
  EXPECT_EQ(1, CallListInView);
  VcList(0);
  EXPECT_EQ(0, CallListInView);
  EXPECT_STREQ("1/2", Windows().lastSpot);
}

TEST_F(CallerList, ClearOneDeletesTheEntryInView) {
  struct Case {
    const char *before;
    int inView;
    const char *after;
    int viewAfter;
    const char *shown;
    const char *spot;
  };
  const Case cases[] = {
      {"ABC", 1, "AC", 1, "C", "2/2"},  // a middle entry: the next newer one takes its place
      {"ABC", 0, "BC", 0, "B", "1/2"},
      {"ABC", 2, "AB", 1, "B", "2/2"},  // the newest: the new newest is shown
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.before) + " in view " + std::to_string(c.inView));
    VcClearAll();
    AddCalls(c.before);
    VcList(c.inView);
    ResetWindowRecorders();
    VcClearOne();
    EXPECT_EQ(c.after, Names());
    EXPECT_EQ(c.viewAfter, CallListInView);
    EXPECT_STREQ(c.shown, Windows().lastEntry.name);
    EXPECT_STREQ(c.spot, Windows().lastSpot);
    EXPECT_EQ(1, Windows().notifications);
    EXPECT_EQ(2, Windows().lastNotifyCount);
    const Bytes file = ReadBytes("CALLER.LOG");
    EXPECT_EQ(2, Int32At(file, 1));
    EXPECT_EQ(c.viewAfter, Int32At(file, 5));
    EXPECT_EQ(std::string(1, c.after[1]), FieldAt(file, 1, 0, 30));
  }
}

TEST_F(CallerList, ClearingTheOnlyEntryLeavesTheEmptyState) {
  AddCalls("A");
  VcClearOne();
  ExpectEmptyState();
  EXPECT_EQ(0, Windows().lastNotifyCount);
}

TEST_F(CallerList, ClearAllLeavesTheEmptyState) {
  AddCalls("ABCDE");
  VcList(2);
  VcClearAll();
  ExpectEmptyState();
  EXPECT_EQ(0, Windows().lastNotifyCount);
}

TEST_F(CallerList, DeleteFromTheLogWindowNeitherSavesNorRedraws) {
  AddCalls("ABCD");
  VcList(0);
  const Bytes saved = ReadBytes("CALLER.LOG");
  ResetWindowRecorders();

  for (int index : {4, -1, 1000}) EXPECT_EQ(4, DeleteCallerFromList(index));
  EXPECT_EQ("ABCD", Names());
  EXPECT_EQ(0, CallListInView);

  EXPECT_EQ(3, DeleteCallerFromList(1));
  EXPECT_EQ("ACD", Names());
  EXPECT_EQ(2, CallListInView);  // the newest
  EXPECT_EQ(2, DeleteCallerFromList(2));
  EXPECT_EQ("AC", Names());
  EXPECT_EQ(1, CallListInView);
  EXPECT_EQ(0, Windows().entryDraws);
  EXPECT_EQ(0, Windows().notifications);
  EXPECT_EQ(saved, ReadBytes("CALLER.LOG"));

  EXPECT_EQ(1, DeleteCallerFromList(0));
  EXPECT_EQ(0, DeleteCallerFromList(0));
  EXPECT_EQ(0, CallListInView);
  EXPECT_STREQ("No Callers", CallerLog[0].name);
  EXPECT_STREQ("", CallerLog[0].action);
  EXPECT_EQ(0, Windows().menuState);
  EXPECT_EQ(1, Windows().lastDisableDelete);  // the log window's Delete is greyed
  EXPECT_EQ(0, DeleteCallerFromList(0));

  // The log window then redraws and saves.
  RequestUpdateLedDisplay();
  EXPECT_STREQ("No Callers", Windows().lastEntry.name);
  EXPECT_EQ(1, VcSaveList());
  EXPECT_EQ(0, Int32At(ReadBytes("CALLER.LOG"), 1));
}

TEST_F(CallerList, RedrawRequestKeepsThePositionText) {
  AddCalls("AB");
  VcList(0);
  UpdateCallerSpot("untouched");
  RequestUpdateLedDisplay();
  EXPECT_STREQ("A", Windows().lastEntry.name);
  EXPECT_STREQ("untouched", Windows().lastSpot);
  EXPECT_EQ(2, GetCallerListEnd());
  EXPECT_EQ(2, GetCallListNumber());
  EXPECT_EQ(0, GetCallerInView());
}

}  // namespace
}  // namespace nuvtest
