#pragma once
// A fresh folder per test that is also the current folder while the test
// runs, so nothing touches the source or build tree.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/profile.h"
#include "support/fresh_folder.h"

// True where the profile functions are the system's own.
#ifdef _WIN32
constexpr bool kSystemProfile = true;
#else
constexpr bool kSystemProfile = false;
#endif

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = nuvtest::EnterFreshFolder("nuv-h5-", &previous_);
    ini_ = (folder_ / "NUV.INI").string();
  }
  void TearDown() override {
    nuvtest::LeaveFreshFolder(previous_, folder_);
  }

  static void PutFile(const std::string &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void Put(std::string_view bytes) const { PutFile(ini_, bytes); }
  std::string Slurp() const { return ReadFile(ini_); }

  // One profile read with a default that cannot be mistaken for a value.
  std::string Get(const char *section, const char *key, const char *def = "<default>",
                  int size = 256) const {
    char buf[256];
    const int n = PlatGetProfileString(section, key, def, buf, size, ini_.c_str());
    EXPECT_EQ(static_cast<size_t>(n), std::string(buf).size()) << section << "/" << key;
    return buf;
  }
  int Write(const char *section, const char *key, const char *value) const {
    return PlatWriteProfileString(section, key, value, ini_.c_str());
  }

  std::filesystem::path previous_;
  std::filesystem::path folder_;
  std::string ini_;
};
