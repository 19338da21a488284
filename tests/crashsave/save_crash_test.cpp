// Saves of NUV.INI and CALLER.LOG against a crash at any step. Every file
// operation of a save is reported to a hook before it is taken; natively a
// child process runs the save and is killed at step k, for every k, and the
// file left behind must be the complete old one or the complete new one, and
// the program must start from it. On both platforms the steps of a settings
// save are checked against the one order both implementations follow.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "calls/callerlist.h"
#include "config/config.h"
#include "config/settings.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "support/box_recorder.h"
#include "support/fresh_folder.h"
#include "support/window_recorders.h"

#if !defined(_WIN32)
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadBytes(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string &name, const Bytes &bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(const std::string &s) { return Bytes(s.begin(), s.end()); }

struct Step {
  int kind;
  std::string name;
};
std::vector<Step> g_steps;
void RecordStep(int kind, const char *name) { g_steps.push_back({kind, name ? name : ""}); }

std::string BaseName(const std::string &path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// A save that starts from `old` (absent when `exists` is false) and is
// brought about by `save` on the state `prepare` sets up from that file.
struct Scenario {
  const char *what;
  const char *file;
  bool exists;
  Bytes old;
  std::function<void()> prepare;  // loads the old file and makes the change
  std::function<void()> save;
  // After a start from the file left behind: 1 when the program holds the
  // old state, 2 the new one, 0 neither.
  std::function<int()> started;
};

class CrashSave : public ::testing::Test {
 protected:
  void SetUp() override {
    // On a memory file system where there is one: a flush to disk costs
    // nothing there, and the test makes some ten thousand of them.
#if !defined(_WIN32)
    if (std::filesystem::is_directory("/dev/shm")) setenv("TMPDIR", "/dev/shm", 1);
#endif
    folder_ = nuvtest::EnterFreshFolder("nuv-crash-save-", &previous_);
    nuvtest::Boxes() = {};
    PlatSetMessageBoxHook(nuvtest::RecordBox);
    Reset();
  }
  void TearDown() override {
    PlatSetFileStepHook(nullptr);
    PlatSetMessageBoxHook(nullptr);
    Reset();
    nuvtest::LeaveFreshFolder(previous_, folder_);
  }
  static void Reset() {
    std::memset(&Config, 0, sizeof Config);
    CallerListReset();
    nuvtest::ResetWindowRecorders();
  }

  void Install(const Scenario &s) {
    std::error_code ec;
    std::filesystem::remove(s.file, ec);
    if (s.exists) WriteBytes(s.file, s.old);
  }

  // The file as it stands once the scenario is prepared (loading may save).
  static bool Before(const Scenario &s, Bytes *bytes) {
    const bool exists = std::filesystem::exists(s.file);
    *bytes = exists ? ReadBytes(s.file) : Bytes();
    return exists;
  }

  // Runs the save once, watching its steps; returns the new file.
  Bytes Rehearse(const Scenario &s) {
    Reset();
    Install(s);
    s.prepare();
    g_steps.clear();
    PlatSetFileStepHook(RecordStep);
    s.save();
    PlatSetFileStepHook(nullptr);
    return ReadBytes(s.file);
  }

  std::filesystem::path previous_, folder_;
};

// --- The order of a settings save, the same on both platforms ---------------

TEST_F(CrashSave, SettingsSaveWritesAStagingCopyAndReplacesTheFileLast) {
  WriteBytes("NUV.INI", Text("; kept\r\n[PARAMS]\r\nUSERID=(204) 555-3636\r\n[OTHER]\r\nA=1\r\n"));
  GetInfoFile();
  std::snprintf(Config.NAME1, kConfigFieldSize, "Office");
  g_steps.clear();
  PlatSetFileStepHook(RecordStep);
  ASSERT_EQ(1, SaveInfoFile());
  PlatSetFileStepHook(nullptr);

  // The steps around the key writes; the native writer's own steps for each
  // key (between the first and the last key) are its business.
  std::vector<std::string> frame;
  size_t first = g_steps.size(), last = 0;
  int keys = 0;
  for (size_t i = 0; i < g_steps.size(); ++i)
    if (g_steps[i].kind == kFileStepProfile) {
      first = std::min(first, i);
      last = i;
      ++keys;
      EXPECT_EQ("NUV.INI.new", BaseName(g_steps[i].name)) << "a key written into the file itself";
    }
  ASSERT_LT(first, g_steps.size());
  for (size_t i = 0; i < g_steps.size(); ++i) {
    if (i >= first && i <= last) continue;
    frame.push_back(std::to_string(g_steps[i].kind) + " " + BaseName(g_steps[i].name));
  }
  const std::vector<std::string> expected = {
      std::to_string(kFileStepCreate) + " NUV.INI.new", std::to_string(kFileStepWrite) + " NUV.INI.new",
      std::to_string(kFileStepClose) + " NUV.INI.new", std::to_string(kFileStepFlush) + " NUV.INI.new",
      std::to_string(kFileStepRename) + " NUV.INI"};
  EXPECT_EQ(expected, frame);
  EXPECT_GE(keys, kConfigFieldCount);

  // The save kept what it does not own and holds the change.
  char buf[64];
  EXPECT_EQ(1, GetInfoFile());
  EXPECT_STREQ("Office", Config.NAME1);
  // A full path: the system's profile reader looks for a bare name in the
  // Windows folder.
  const std::string ini = std::filesystem::absolute("NUV.INI").string();
  PlatGetProfileString("OTHER", "A", "", buf, sizeof buf, ini.c_str());
  EXPECT_STREQ("1", buf);
  EXPECT_FALSE(std::filesystem::exists("NUV.INI.new"));
}

#if !defined(_WIN32)

// A settings file that is there but cannot be opened is not replaced by a
// save of the keys alone (here a link that leads round in a circle: opening
// it fails, while a rename would put a new file in its place).
TEST_F(CrashSave, AFileThatCannotBeOpenedIsNotReplaced) {
  ASSERT_EQ(0, symlink("NUV.INI", "NUV.INI"));
  EXPECT_EQ(0, SaveInfoFile());
  EXPECT_TRUE(std::filesystem::is_symlink("NUV.INI"));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("NUV.INI.new")));
}

// --- Killed at every step --------------------------------------------------

std::vector<Scenario> Scenarios() {
  const auto settingsSave = [] { SaveInfoFile(); };
  const auto settingsChange = [] {
    GetInfoFile();
    std::snprintf(Config.NAME1, kConfigFieldSize, "Changed name");
    std::snprintf(Config.SOUND, kConfigFieldSize, "0");
  };
  const auto settingsStarted = [] {
    std::memset(&Config, 0, sizeof Config);
    GetInfoFile();
    const bool name = std::strcmp(Config.NAME1, "Changed name") == 0;
    const bool sound = std::strcmp(Config.SOUND, "0") == 0;
    return name && sound ? 2 : !name && !sound ? 1 : 0;
  };
  // The first start: no file, and the load writes every key with its default.
  const auto firstStart = [] { GetInfoFile(); };
  const auto firstStarted = [] {
    const bool exists = std::filesystem::exists("NUV.INI");
    std::memset(&Config, 0, sizeof Config);
    GetInfoFile();
    return std::strcmp(Config.DUTY, "120") == 0 ? (exists ? 2 : 1) : 0;
  };
  Bytes stored = Text(
      "; written by hand\r\n[PARAMS]\r\nUSERID=(204) 555-3636\r\nPASSWORD=secret1\r\nNAME1=Office\r\n"
      "SERVERLIST=0:2\r\nSERVER0=192.0.2.1/10002\r\nSERVER1=192.0.2.2/10002\r\nOBXPROTOWIN=W\r\n"
      "[Elsewhere]\r\nkept=yes\r\n");
  Bytes damaged = Text("[PARAMS]\r\nNAME1=half a line without end");
  damaged.insert(damaged.end(), 3000, 'x');
  damaged.push_back(0);
  damaged.push_back(0xFF);

  Bytes log(kCallerLogFileSize, 0);
  log[0] = 0x22;
  log[1] = 5;  // five entries, the newest in view
  log[5] = 4;
  for (int i = 0; i < 5; ++i) {
    unsigned char *slot = log.data() + 9 + i * 130;
    std::snprintf(reinterpret_cast<char *>(slot), 30, "Caller %d", i);
    std::snprintf(reinterpret_cast<char *>(slot + 30), 20, "(204) 555-000%d", i);
  }
  const auto logChange = [] {
    VcLoadList();
    DeleteCallerFromList(2);
  };
  const auto logSave = [] { VcSaveList(); };
  const auto logStarted = [] {
    CallerListReset();
    VcLoadList();
    const int n = GetCallListNumber();
    return n == 5 ? 1 : n == 4 ? 2 : 0;
  };

  // The configuration window's save: the transfer numbers, their names and
  // times and the general settings all changed at once.
  const auto everythingChange = [] {
    GetInfoFile();
    char *const fields[] = {Config.NAME1, Config.NUMBER1, Config.TIME1, Config.NAME2,
                            Config.NUMBER2, Config.TIME2, Config.NAME3, Config.NUMBER3,
                            Config.TIME3, Config.NAME4, Config.NUMBER4, Config.TIME4};
    for (size_t i = 0; i < std::size(fields); ++i)
      std::snprintf(fields[i], kConfigFieldSize, "changed %zu", i);
    std::snprintf(Config.SOUND, kConfigFieldSize, "0");
    std::snprintf(Config.AUTOLOG, kConfigFieldSize, "0");
    std::snprintf(Config.DUTY, kConfigFieldSize, "90");
    std::snprintf(Config.PASSWORD, kConfigFieldSize, "newpass7");
  };
  const auto everythingStarted = [] {
    std::memset(&Config, 0, sizeof Config);
    GetInfoFile();
    const bool first = std::strcmp(Config.NAME1, "changed 0") == 0;
    const bool last = std::strcmp(Config.TIME4, "changed 11") == 0;
    const bool password = std::strcmp(Config.PASSWORD, "newpass7") == 0;
    return first && last && password ? 2 : !first && !last && !password ? 1 : 0;
  };
  // A settings file of a version the program does not know is rewritten
  // whole at the start.
  Bytes foreign = Text("[PARAMS]\r\nVERSION=5.1\r\nUSERID=(204) 555-3636\r\nDUTY=60\r\n");
  const auto foreignStarted = [] {
    std::memset(&Config, 0, sizeof Config);
    const bool rewritten = [] {
      char version[16];
      PlatGetProfileString("PARAMS", "VERSION", "", version, sizeof version, "NUV.INI");
      return std::strcmp(version, "7.0") == 0;
    }();
    GetInfoFile();
    return std::strcmp(Config.DUTY, "60") == 0 ? (rewritten ? 2 : 1) : 0;
  };
  // A crash of an earlier save left its staging copy behind.
  const auto staleStaging = [] { WriteBytes("NUV.INI.new", Text("[PARAMS]\r\nDUTY=1\r\nhalf")); };

  // CALLER.LOG: the list cleared (the clearing saves at once).
  const auto logLoad = [] { VcLoadList(); };
  const auto logClear = [] { VcClearAll(); };
  const auto logClearStarted = [] {
    CallerListReset();
    VcLoadList();
    const int n = GetCallListNumber();
    return n == 5 ? 1 : n == 0 ? 2 : 0;
  };

  return {
      {"NUV.INI kept by hand", "NUV.INI", true, stored, settingsChange, settingsSave, settingsStarted},
      {"every setting changed", "NUV.INI", true, stored, everythingChange, settingsSave,
       everythingStarted},
      {"NUV.INI of an unknown version", "NUV.INI", true, foreign, [] {}, firstStart, foreignStarted},
      {"first NUV.INI over a stale staging copy", "NUV.INI", false, {}, staleStaging, firstStart,
       firstStarted},
      {"damaged NUV.INI, every setting changed", "NUV.INI", true, damaged, everythingChange,
       settingsSave, everythingStarted},
      {"first NUV.INI", "NUV.INI", false, {}, [] {}, firstStart, firstStarted},
      {"damaged NUV.INI", "NUV.INI", true, damaged, settingsChange, settingsSave, settingsStarted},
      {"CALLER.LOG", "CALLER.LOG", true, log, logChange, logSave, logStarted},
      {"CALLER.LOG cleared", "CALLER.LOG", true, log, logLoad, logClear, logClearStarted},
  };
}

TEST_F(CrashSave, AKillAtAnyStepLeavesTheOldFileOrTheNewOne) {
  int killPoints = 0;
  for (const Scenario &s : Scenarios()) {
    SCOPED_TRACE(s.what);
    const Bytes fresh = Rehearse(s);
    const int steps = static_cast<int>(g_steps.size());
    ASSERT_GT(steps, 0);
    int renameAt = 0;  // the step that puts the new file in place
    for (int i = 0; i < steps; ++i)
      if (g_steps[size_t(i)].kind == kFileStepRename && BaseName(g_steps[size_t(i)].name) == s.file)
        renameAt = i + 1;
    ASSERT_GT(renameAt, 0);

    int olds = 0, news = 0;
    for (int k = 1; k <= steps + 1; ++k) {
      Reset();
      Install(s);
      s.prepare();
      Bytes before;
      const bool existed = Before(s, &before);
      std::fflush(nullptr);
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        static int seen, killAt;
        seen = 0;
        killAt = k;
        PlatSetFileStepHook([](int, const char *) {
          if (++seen == killAt) raise(SIGKILL);
        });
        s.save();
        _exit(0);
      }
      int status = 0;
      ASSERT_EQ(child, waitpid(child, &status, 0));
      ASSERT_EQ(k <= steps, WIFSIGNALED(status) != 0) << "k=" << k;
      ++killPoints;

      const bool exists = std::filesystem::exists(s.file);
      const Bytes left = exists ? ReadBytes(s.file) : Bytes();
      const bool isOld = existed ? exists && left == before : !exists;
      const bool isNew = exists && left == fresh;
      ASSERT_TRUE(isOld || isNew) << "k=" << k << " of " << steps << ": a mixture of "
                                  << left.size() << " bytes";
      // Before the rename the old file stands, from it on the new one.
      EXPECT_EQ(k > renameAt, isNew) << "k=" << k;
      olds += isOld;
      news += isNew;
      EXPECT_EQ(isNew ? 2 : 1, s.started()) << "k=" << k;
    }
    EXPECT_GT(olds, 0);
    EXPECT_GT(news, 0);
    std::printf("[ crash    ] %s: %d steps, killed at each: %d old, %d new\n", s.what, steps, olds,
                news);
  }
  std::printf("[ crash    ] %d kill points\n", killPoints);
}

#endif

}  // namespace
