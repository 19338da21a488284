#include <gtest/gtest.h>

#include <cstring>

#include "config/config.h"

TEST(ConfigRecord, TablesRunInFileOrderAndPointIntoTheRecord) {
  EXPECT_STREQ("SERVICE", ProfileKeys[0]);
  EXPECT_STREQ("DUTY", ProfileKeys[25]);
  EXPECT_STREQ("CUSTOMANSWER", ProfileKeys[43]);
  EXPECT_STREQ("120", IniDefault[25]);
  EXPECT_STREQ("(XXX) XXX-XXXX", IniDefault[40]);
  for (int i = 0; i < kConfigFieldCount; ++i)
    EXPECT_EQ(reinterpret_cast<char *>(&Config) + i * kConfigFieldSize, ConfigField[i]) << i;
}
