#pragma once
// A fresh folder of its own for a test, entered as the current folder, so
// nothing the test writes lands in the source or build tree.

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace nuvtest {

// Makes a folder named prefix plus random digits under the system's
// temporary folder and enters it; *previous gets the folder to go back to.
inline std::filesystem::path EnterFreshFolder(const std::string &prefix,
                                              std::filesystem::path *previous) {
  namespace fs = std::filesystem;
  *previous = fs::current_path();
  std::random_device rd;
  const fs::path folder =
      fs::temp_directory_path() / (prefix + std::to_string(rd()) + "-" + std::to_string(rd()));
  fs::create_directories(folder);
  fs::current_path(folder);
  return folder;
}

// Back to the previous folder; the fresh one goes with all in it. Failures
// are left unreported: a stray temporary folder fails no test.
inline void LeaveFreshFolder(const std::filesystem::path &previous,
                             const std::filesystem::path &folder) {
  std::error_code ec;
  std::filesystem::current_path(previous, ec);
  std::filesystem::remove_all(folder, ec);
}

}  // namespace nuvtest
