// What the caller log window shows: rows newest first, the sort orders of
// each column, deleting chosen entries, column widths and the export path.
#include <algorithm>
#include <string>
#include <vector>

#include "calls/calls_fixture.h"
#include "calls/log_view.h"

namespace nuvtest {
namespace {

class LogView : public CallerListTest {
 protected:
  // Five calls, oldest first; names, numbers and actions in mixed case and
  // with a byte above 127, so that case and signedness show in the orders.
  void LoadFive() {
    WriteBytes("CALLER.LOG", LogImage(5, 4,
                                      {{"bob", "(204) 555-0003", "t0", "Missed Call"},
                                       {"Alice", "(204) 555-0001", "t1", "answered"},
                                       {"\xC9mile", "(800) 555-0002", "t2", "Ignored"},
                                       {"carol", "(a04) 555-0000", "t3", "Acknowledged"},
                                       {"Dave", "(A04) 555-0009", "t4", "Sent to 555"}}));
    ASSERT_EQ(1, VcLoadList());
    ASSERT_EQ(5, CallListEnd);
  }

  // The records of the rows as the window first fills them, then sorted
  // with the column's comparison.
  static std::vector<int> Sorted(int column, int direction) {
    std::vector<int> rows;
    for (int row = 0; row < CallListEnd; ++row) rows.push_back(LogRowRecord(CallListEnd, row));
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
      return LogCompare(column, a, b, direction) < 0;
    });
    return rows;
  }

  static std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < CallListEnd; ++i) names.push_back(CallerLog[i].name);
    return names;
  }
};

TEST_F(LogView, RowsAreNewestFirstAndCellsAreTheRecordsFields) {
  LoadFive();
  std::vector<int> rows;
  for (int row = 0; row < 5; ++row) rows.push_back(LogRowRecord(5, row));
  EXPECT_EQ((std::vector<int>{4, 3, 2, 1, 0}), rows);
  EXPECT_STREQ("t3", LogCellText(3, kLogColTime));
  EXPECT_STREQ("carol", LogCellText(3, kLogColName));
  EXPECT_STREQ("(a04) 555-0000", LogCellText(3, kLogColNumber));
  EXPECT_STREQ("Acknowledged", LogCellText(3, kLogColAction));
  // A cell shows what stands in the record now, not a copy.
  CallerLog[3].name[0] = 'K';
  EXPECT_STREQ("Karol", LogCellText(3, kLogColName));
  for (int bad : {-1, kCallerListMax}) EXPECT_STREQ("", LogCellText(bad, kLogColName));
  EXPECT_STREQ("", LogCellText(0, 4));
  EXPECT_STREQ("", LogCellText(0, -1));
}

TEST_F(LogView, AnEmptyListHasNoRows) {
  ASSERT_EQ(1, VcLoadList());
  ASSERT_EQ(0, CallListEnd);
  EXPECT_TRUE(Sorted(kLogColTime, 1).empty());
  EXPECT_EQ(0, LogDeleteRecords(nullptr, 0));
}

TEST_F(LogView, EachColumnSortsBothWays) {
  LoadFive();
  struct Case {
    int column, direction;
    std::vector<int> records;
  };
  const Case cases[] = {
      {kLogColTime, 1, {4, 3, 2, 1, 0}},  // newest first
      {kLogColTime, 0, {0, 1, 2, 3, 4}},
      // Names ignore case; 0xC9 counts as a byte above every letter.
      {kLogColName, 1, {1, 0, 3, 4, 2}},
      {kLogColName, 0, {2, 4, 3, 0, 1}},
      // Numbers are byte-wise: digits, then 'A', then 'a'.
      {kLogColNumber, 1, {1, 0, 2, 4, 3}},
      {kLogColNumber, 0, {3, 4, 2, 0, 1}},
      {kLogColAction, 1, {3, 1, 2, 0, 4}},
      {kLogColAction, 0, {4, 0, 2, 1, 3}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(c.records, Sorted(c.column, c.direction)) << "column " << c.column << " direction "
                                                        << c.direction;
  // Equal texts compare equal in both directions.
  EXPECT_EQ(0, Log_CompareName(0, 0, 1));
  EXPECT_EQ(0, Log_CompareNumber(2, 2, 0));
  EXPECT_EQ(3, Log_CompareIndex(1, 4, 1));
  EXPECT_EQ(-3, Log_CompareIndex(1, 4, 0));
}

TEST_F(LogView, HeaderClicksTurnTheDirectionOrChangeTheColumn) {
  LogSortState s;
  EXPECT_EQ(0, s.column);
  EXPECT_EQ(1, s.direction);
  const struct {
    int click, column, direction;
  } steps[] = {{kLogColName, 1, 1}, {kLogColName, 1, 0}, {kLogColTime, 0, 1},
               {kLogColTime, 0, 0}, {kLogColTime, 0, 1}, {kLogColAction, 3, 1},
               {7, 3, 1}, {-1, 3, 1}};
  for (const auto &step : steps) {
    LogSortClick(s, step.click);
    EXPECT_EQ(step.column, s.column) << "after a click on " << step.click;
    EXPECT_EQ(step.direction, s.direction) << "after a click on " << step.click;
  }
}

TEST_F(LogView, DeletingChosenRecordsKeepsTheOthersInOrder) {
  LoadFive();
  // The two oldest, named in any order, once twice, beside names of nothing.
  const int chosen[] = {0, 1, 0, 5, -1, 79};
  EXPECT_EQ(3, LogDeleteRecords(chosen, 6));
  EXPECT_EQ((std::vector<std::string>{"\xC9mile", "carol", "Dave"}), Names());
  EXPECT_EQ(2, CallListInView);

  const int all[] = {2, 0, 1};
  EXPECT_EQ(0, LogDeleteRecords(all, 3));
  EXPECT_EQ(0, CallListEnd);
  EXPECT_STREQ("No Callers", CallerLog[0].name);
  EXPECT_EQ(0, Windows().menuState);
  EXPECT_EQ(1, Windows().lastDisableDelete);
}

TEST_F(LogView, ColumnWidthsFollowTheCharacterWidth) {
  const int chars[kLogColumns] = {17, 20, 15, 18};
  const unsigned titles[kLogColumns] = {1034, 1032, 1033, 1035};
  for (int c = 0; c < kLogColumns; ++c) {
    EXPECT_EQ(chars[c] * 7, LogColumnWidth(c, 7));
    EXPECT_EQ(titles[c], LogColumnTitleId(c));
  }
  // The list view takes 16 bits of width.
  EXPECT_EQ((20 * 4000) & 0xFFFF, LogColumnWidth(kLogColName, 4000));
  EXPECT_EQ(0, LogColumnWidth(4, 7));
  EXPECT_EQ(0u, LogColumnTitleId(4));
}

TEST_F(LogView, ExportPathIsTheFileTheExportWrites) {
  ASSERT_EQ(1, VcLoadList());
  char path[256];
  ASSERT_EQ(1, LogExportPath(path, sizeof path));
  ASSERT_EQ(1, SaveCallerFile(nullptr));
  EXPECT_TRUE(std::filesystem::equivalent(folder_ / "callers.txt", path)) << path;
  char tiny[4] = "xyz";
  EXPECT_EQ(0, LogExportPath(tiny, sizeof tiny));
  EXPECT_STREQ("", tiny);
}

}  // namespace
}  // namespace nuvtest
