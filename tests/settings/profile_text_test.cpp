// The native profile functions on a file image in memory: the same reads and
// writes on a file and on its image must give the same results and the same
// bytes, and an image write never goes past the room it is given.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/profile_text.h"
#include "platform/profile.h"
#include "temp_folder.h"

namespace {

using ProfileText = TempFolderTest;

// Files of every shape the reader meets; "" with missing set is no file.
struct Shape {
  const char *what;
  std::string bytes;
  bool missing;
};

std::vector<Shape> Shapes() {
  const std::string longLine(5000, 'x');  // longer than the part of a line examined
  return {
      {"no file", "", true},
      {"empty", "", false},
      {"crlf", "[PARAMS]\r\nSERVICE=4\r\nNAME1=Bob\r\n[Other]\r\nK=v\r\n", false},
      {"lf, no final break", "[params]\nservice = \"4\" \nname1=Bob", false},
      {"bom and junk", "\xEF\xBB\xBF[PARAMS]\r\n\x01\x02=\xFF\r\nSERVICE\r\n[PARAMS]\r\nSERVICE=9\r\n",
       false},
      {"long lines", "[PARAMS]\n" + longLine + "=1\nSERVICE=" + longLine + "\nNAME1=a\n" + longLine,
       false},
  };
}

struct Op {
  const char *section, *key, *value;
};

TEST_F(ProfileText, ReadsAndWritesAgreeWithTheFileFunctions) {
  const Op ops[] = {
      {"PARAMS", "SERVICE", "7"},        // replace
      {"params", "service", "  4"},      // maybe the same value: nothing changes
      {"PARAMS", "NEW", "x\r\ny"},       // added after the last entry, first line only
      {"NEWSEC", "K", "v"},              // a new section at the end
      {"PARAMS", "NAME1", nullptr},      // delete a key
      {"PARAMS", "NOSUCH", nullptr},     // delete a missing key
      {"Other", nullptr, nullptr},       // delete a section
      {"", "K", "v"},                    // refused
      {"PARAMS", " ", "v"},              // refused
  };
  const char *reads[][2] = {{"PARAMS", "SERVICE"}, {"PARAMS", "NAME1"}, {"other", "k"},
                            {"PARAMS", "NEW"},     {"NEWSEC", "K"},     {"PARAMS", "x"}};
  for (const Shape &shape : Shapes()) {
    for (const Op &op : ops) {
      std::filesystem::remove(ini_);
      if (!shape.missing) Put(shape.bytes);
      const char *image = shape.missing ? nullptr : shape.bytes.data();

      std::vector<char> out(shape.bytes.size() + 200);
      size_t outLen = 99;
      const int imageOk = PlatProfileTextWriteString(image, shape.bytes.size(), op.section, op.key,
                                                      op.value, out.data(), out.size(), &outLen);
      const int fileOk = Write(op.section, op.key, op.value);
      const std::string context = std::string(shape.what) + " " + op.section + "/" +
                                  (op.key ? op.key : "(section)");
      ASSERT_EQ(fileOk, imageOk) << context;
      if (!fileOk) {
        EXPECT_EQ(0u, outLen) << context;
        continue;
      }
      const bool fileThere = std::filesystem::exists(ini_);
      const std::string after = fileThere ? Slurp() : "";
      ASSERT_EQ(after, std::string(out.data(), outLen)) << context;

      for (const auto &r : reads) {
        for (int size : {1, 3, 256}) {
          char fromFile[256], fromImage[256];
          const int a = PlatGetProfileString(r[0], r[1], "dflt ", fromFile, size, ini_.c_str());
          const int b = PlatProfileTextGetString(fileThere ? out.data() : nullptr, outLen, r[0],
                                                 r[1], "dflt ", fromImage, size);
          EXPECT_EQ(a, b) << context << " read " << r[0] << "/" << r[1];
          EXPECT_STREQ(fromFile, fromImage) << context << " read " << r[0] << "/" << r[1];
        }
        EXPECT_EQ(PlatGetProfileInt(r[0], r[1], -5, ini_.c_str()),
                  PlatProfileTextGetInt(fileThere ? out.data() : nullptr, outLen, r[0], r[1], -5))
            << context;
      }
    }
  }
}

TEST(ProfileTextRoom, AWriteThatDoesNotFitFailsInsideItsRoom) {
  const std::string ini = "[PARAMS]\r\nSERVICE=4\r\n";
  const std::string want = "[PARAMS]\r\nSERVICE=4\r\nNAME1=Bob\r\n";
  for (size_t room = 0; room <= want.size() + 1; ++room) {
    std::vector<char> out(room + 8, '#');
    size_t len = 99;
    const int ok = PlatProfileTextWriteString(ini.data(), ini.size(), "PARAMS", "NAME1", "Bob",
                                              out.data(), room, &len);
    EXPECT_EQ(room >= want.size() ? 1 : 0, ok) << room;
    EXPECT_EQ(ok ? want.size() : 0u, len) << room;
    if (ok) {
      EXPECT_EQ(want, std::string(out.data(), len));
    }
    for (size_t i = room; i < out.size(); ++i) ASSERT_EQ('#', out[i]) << "wrote past the room at " << room;
  }
}

}  // namespace

#endif  // _WIN32
