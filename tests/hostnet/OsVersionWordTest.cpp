#include "hostnet/OsVersionWord.h"

#include <gtest/gtest.h>

using namespace vornalix::hostnet;

namespace {

TEST(OsVersionWord, IsZeroOnLinuxAndCanBeSet) {
    EXPECT_EQ(OsVersionWord(), 0);
    SetOsVersionWord(0x0501);
    EXPECT_EQ(OsVersionWord(), 0x0501);
    SetOsVersionWord(0);
    EXPECT_TRUE(IsMajorVersion5(0x05FF));
    EXPECT_FALSE(IsMajorVersion5(0x0400));
    EXPECT_TRUE(IsWindowsMe(0x045A));
    EXPECT_FALSE(IsWindowsMe(0x040A));
    EXPECT_TRUE(IsVersion40(0x0400));
    EXPECT_FALSE(IsVersion40(0x0401));
}

} // namespace
