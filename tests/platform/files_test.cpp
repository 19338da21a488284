#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/files.h"
#include "support/fresh_folder.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace {

std::string Full(const char *name) {
  char buf[1024];
  const int n = PlatFullPath(name, buf, sizeof buf);
  EXPECT_EQ(n, static_cast<int>(std::strlen(buf))) << name;
  return buf;
}

TEST(Files, RelativeNamesResolveAgainstTheCurrentFolder) {
  const std::string here = Full(".");
  ASSERT_FALSE(here.empty());
  const std::string sep(1, PlatPathSeparator());
  EXPECT_EQ(here + sep + "CALLER.LOG", Full("CALLER.LOG"));
  EXPECT_EQ(here + sep + "CALLER.LOG", Full("./sub/../CALLER.LOG"));
  EXPECT_EQ(here + sep + "a" + sep + "b.txt", Full("a/./b.txt"));
}

TEST(Files, FullPathFailsEmptyWhenItDoesNotFit) {
  const std::string full = Full("CALLER.LOG");
  char buf[1024];
  std::memset(buf, 'x', sizeof buf);
  const int size = static_cast<int>(full.size());  // one short for the terminator
  EXPECT_EQ(0, PlatFullPath("CALLER.LOG", buf, size));
  EXPECT_EQ('\0', buf[0]);
  EXPECT_EQ(size, PlatFullPath("CALLER.LOG", buf, size + 1));
  EXPECT_EQ(full, buf);
  EXPECT_EQ(0, PlatFullPath("", buf, sizeof buf));
  EXPECT_EQ(0, PlatFullPath(nullptr, buf, sizeof buf));
  EXPECT_EQ(0, PlatFullPath("x", nullptr, 10));
}

#ifndef _WIN32
TEST(Files, AbsoluteNamesAreTidiedNatively) {
  EXPECT_EQ("/a/c", Full("/a/b/../c"));
  EXPECT_EQ("/", Full("/.."));
  EXPECT_EQ("/a/", Full("//a/./"));
}
#endif

TEST(Files, TempFolderEndsInTheSeparator) {
  char buf[512];
  const int n = PlatTempFolder(buf, sizeof buf);
  ASSERT_GT(n, 0);
  EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
  EXPECT_EQ(PlatPathSeparator(), buf[n - 1]);
  char small[2] = {'x', 'x'};
  EXPECT_EQ(0, PlatTempFolder(small, sizeof small));
  EXPECT_EQ('\0', small[0]);
  EXPECT_EQ(0, PlatTempFolder(nullptr, 10));
}

// --- Whole files, each test in a fresh folder ---

class WholeFiles : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = nuvtest::EnterFreshFolder("nuv-files-", &previous_); }
  void TearDown() override { nuvtest::LeaveFreshFolder(previous_, folder_); }

  static std::string Read(const char *name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void Write(const char *name, const std::string &bytes) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
  }
  static std::string Beside(const char *name) { return std::string(name) + kPlatReplaceSuffix; }

 private:
  std::filesystem::path previous_, folder_;
};

// Bytes a text mode would change: line ends, a lone CR, NUL and 0x1A.
const std::string kBinary("a\r\nb\nc\rd\0e\x1a" "f\xff", 13);

TEST_F(WholeFiles, ExistenceOfFilesAndFolders) {
  EXPECT_EQ(0, PlatFileExists("absent"));
  Write("file", "x");
  EXPECT_EQ(1, PlatFileExists("file"));
  std::filesystem::create_directory("folder");
  EXPECT_EQ(1, PlatFileExists("folder"));
  EXPECT_EQ(0, PlatFileExists(""));
  EXPECT_EQ(0, PlatFileExists(nullptr));
}

TEST_F(WholeFiles, ReadTellsShortExactAndLongFiles) {
  Write("data", kBinary);
  char buf[64];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(13, PlatReadFile("data", buf, sizeof buf));  // shorter than asked
  EXPECT_EQ(kBinary, std::string(buf, 13));
  EXPECT_EQ('#', buf[13]);
  EXPECT_EQ(13, PlatReadFile("data", buf, 13));
  EXPECT_EQ(4, PlatReadFile("data", buf, 4));  // longer than asked: only what fits
  EXPECT_EQ('#', buf[13]);
  EXPECT_EQ(0, PlatReadFile("data", buf, 0));
  Write("empty", "");
  EXPECT_EQ(0, PlatReadFile("empty", buf, sizeof buf));
}

TEST_F(WholeFiles, ReadOfWhatIsNoFileFails) {
  char buf[16];
  std::filesystem::create_directory("folder");
  EXPECT_EQ(-1, PlatReadFile("absent", buf, sizeof buf));
  EXPECT_EQ(-1, PlatReadFile("folder", buf, sizeof buf));
  EXPECT_EQ(-1, PlatReadFile("", buf, sizeof buf));
  EXPECT_EQ(-1, PlatReadFile(nullptr, buf, sizeof buf));
  Write("data", "x");
  EXPECT_EQ(-1, PlatReadFile("data", nullptr, 4));
  EXPECT_EQ(-1, PlatReadFile("data", buf, -1));
}

TEST_F(WholeFiles, ReplaceWritesExactBytesAndLeavesNothingBeside) {
  EXPECT_EQ(1, PlatReplaceFile("data", kBinary.data(), static_cast<int>(kBinary.size())));
  EXPECT_EQ(kBinary, Read("data"));
  const std::string longer(10409, 'L');
  EXPECT_EQ(1, PlatReplaceFile("data", longer.data(), static_cast<int>(longer.size())));
  EXPECT_EQ(longer, Read("data"));
  EXPECT_EQ(1, PlatReplaceFile("data", "abc", 3));  // no tail of the longer content
  EXPECT_EQ("abc", Read("data"));
  EXPECT_EQ(1, PlatReplaceFile("data", nullptr, 0));
  EXPECT_TRUE(std::filesystem::exists("data"));
  EXPECT_EQ("", Read("data"));
  EXPECT_FALSE(std::filesystem::exists(Beside("data")));
}

TEST_F(WholeFiles, ReplaceOverwritesAFileLeftBesideByAnEarlierCrash) {
  Write("data", "old");
  Write(Beside("data").c_str(), "torn half of an earlier wri");
  EXPECT_EQ(1, PlatReplaceFile("data", "new", 3));
  EXPECT_EQ("new", Read("data"));
  EXPECT_FALSE(std::filesystem::exists(Beside("data")));
}

TEST_F(WholeFiles, FailedReplaceLeavesTheOldFileAndNoPartialOne) {
  // The new file cannot be made beside the old one.
  Write("data", "old");
  std::filesystem::create_directory(Beside("data"));
  EXPECT_EQ(0, PlatReplaceFile("data", "new", 3));
  EXPECT_EQ("old", Read("data"));
  EXPECT_TRUE(std::filesystem::is_directory(Beside("data")));

  // The new file is written but cannot take the target's place.
  std::filesystem::create_directory("folder");
  EXPECT_EQ(0, PlatReplaceFile("folder", "new", 3));
  EXPECT_TRUE(std::filesystem::is_directory("folder"));
  EXPECT_FALSE(std::filesystem::exists(Beside("folder")));

  // No folder to write into.
  EXPECT_EQ(0, PlatReplaceFile("absent/data", "new", 3));
  EXPECT_FALSE(std::filesystem::exists("absent"));

  EXPECT_EQ(0, PlatReplaceFile("", "new", 3));
  EXPECT_EQ(0, PlatReplaceFile(nullptr, "new", 3));
  EXPECT_EQ(0, PlatReplaceFile("data", nullptr, 3));
  EXPECT_EQ(0, PlatReplaceFile("data", "new", -1));
  EXPECT_EQ("old", Read("data"));
}

#ifndef _WIN32
// A disk that fills up during the write: the file size limit makes writes
// past 100 bytes fail as a full disk would.
TEST_F(WholeFiles, WriteThatRunsOutOfSpaceLeavesTheOldFile) {
  Write("data", "old");
  const std::string big(10409, 'B');
  struct rlimit saved;
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
  struct rlimit small = saved;
  small.rlim_cur = 100;
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  const int result = PlatReplaceFile("data", big.data(), static_cast<int>(big.size()));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(0, result);
  EXPECT_EQ("old", Read("data"));
  EXPECT_FALSE(std::filesystem::exists(Beside("data")));
}
#endif

}  // namespace
