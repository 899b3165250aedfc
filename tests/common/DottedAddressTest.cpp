#include "common/DottedAddress.h"

#include <cstring>
#include <gtest/gtest.h>

using vornalix::common::FormatDottedAddress;

TEST(FormatDottedAddress, FirstOctetInMemoryComesFirst) {
    const std::uint8_t octets[4] = {192, 168, 1, 10};
    std::uint32_t address;
    std::memcpy(&address, octets, 4);
    EXPECT_EQ(FormatDottedAddress(address), "192.168.1.10");
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    const std::uint32_t widest = 0xFFFFFFFF;
    EXPECT_EQ(FormatDottedAddress(widest, buffer), buffer);
    EXPECT_STREQ(buffer, "255.255.255.255");
    EXPECT_EQ(FormatDottedAddress(0), "0.0.0.0");
}
