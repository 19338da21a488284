#pragma once
// A caller list test in a fresh folder of its own: the list back to its
// program-start state, the window recorders cleared, message boxes recorded,
// and the temporary folder (where the export goes) pointed at the fresh one.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "calls/active_call.h"
#include "calls/callerlist.h"
#include "platform/message_box.h"
#include "support/box_recorder.h"
#include "support/fresh_folder.h"

// The window recorders themselves are defined in recorders_test.cpp.
#define NUVTEST_WINDOW_RECORDS_ONLY
#include "support/window_recorders.h"
#undef NUVTEST_WINDOW_RECORDS_ONLY

namespace nuvtest {


using Bytes = std::vector<unsigned char>;

inline Bytes ReadBytes(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string &name, const Bytes &bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::int32_t Int32At(const Bytes &b, std::size_t at) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(b.at(at + i)) << (8 * i);
  return static_cast<std::int32_t>(u);
}

inline void PutInt32At(Bytes &b, std::size_t at, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i));
}

// A CALLER.LOG image: version, count, index in view, and records given as
// name, number, time, action (the rest of each slot zero).
struct StoredCall {
  const char *name, *number, *time, *action;
};

inline Bytes LogImage(std::int32_t count, std::int32_t inView,
                      const std::vector<StoredCall> &calls = {}, unsigned char version = 0x22) {
  Bytes b(kCallerLogFileSize, 0);
  b[0] = version;
  PutInt32At(b, 1, count);
  PutInt32At(b, 5, inView);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    unsigned char *slot = b.data() + 9 + i * 130;
    std::memcpy(slot, calls[i].name, std::strlen(calls[i].name));
    std::memcpy(slot + 30, calls[i].number, std::strlen(calls[i].number));
    std::memcpy(slot + 50, calls[i].time, std::strlen(calls[i].time));
    std::memcpy(slot + 80, calls[i].action, std::strlen(calls[i].action));
  }
  return b;
}

// The text of a record field as stored in a file image.
inline std::string FieldAt(const Bytes &b, int slot, int offset, int size) {
  const char *p = reinterpret_cast<const char *>(b.data() + 9 + slot * 130 + offset);
  std::size_t n = 0;
  while (n < static_cast<std::size_t>(size) && p[n]) ++n;
  return std::string(p, n);
}

class CallerListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = EnterFreshFolder("nuv-calls-", &previous_);
    SetTempFolder(folder_.string());
    CallerListReset();
    std::memset(Caller, 0, sizeof Caller);
    ResetWindowRecorders();
    Boxes() = BoxRecord();
    PlatSetMessageBoxHook(RecordBox);
  }

  void TearDown() override {
    PlatSetMessageBoxHook(nullptr);
    RestoreTempFolder();
    CallerListReset();
    LeaveFreshFolder(previous_, folder_);
  }

  static void SetCall(int slot, const char *name, const char *number, const char *time) {
    ActiveCall &c = Caller[slot];
    std::memset(&c, 0, sizeof c);
    std::snprintf(c.name, sizeof c.name, "%s", name);
    std::snprintf(c.number, sizeof c.number, "%s", number);
    std::snprintf(c.time, sizeof c.time, "%s", time);
    c.callId = 7;
    c.sessionId = 1;
  }

  static bool Exists(const std::string &name) { return std::filesystem::exists(name); }

  std::filesystem::path folder_;

 private:
  // The export goes to the user's temporary folder: natively TMPDIR, on
  // Windows TMP (GetTempPath reads it first).
#ifdef _WIN32
  static constexpr const char *kTempVar = "TMP";
#else
  static constexpr const char *kTempVar = "TMPDIR";
#endif

  void SetTempFolder(const std::string &path) {
    const char *old = std::getenv(kTempVar);
    hadTemp_ = old != nullptr;
    oldTemp_ = old ? old : "";
#ifdef _WIN32
    _putenv_s(kTempVar, path.c_str());
#else
    setenv(kTempVar, path.c_str(), 1);
#endif
  }

  void RestoreTempFolder() {
#ifdef _WIN32
    _putenv_s(kTempVar, hadTemp_ ? oldTemp_.c_str() : "");
#else
    if (hadTemp_)
      setenv(kTempVar, oldTemp_.c_str(), 1);
    else
      unsetenv(kTempVar);
#endif
  }

  std::filesystem::path previous_;
  bool hadTemp_ = false;
  std::string oldTemp_;
};

}  // namespace nuvtest
