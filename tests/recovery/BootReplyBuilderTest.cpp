#include "recovery/BootReplyBuilder.h"

#include "common/DottedAddress.h"
#include "common/Socket.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vornalix::recovery;

namespace {

using Record = std::array<std::uint8_t, BootReplyBuilder::kRecordSize>;

Record Request() {
    Record record{};
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t>(0x30 + i % 71); // every byte recognisable
    record[BootReplyBuilder::kOp] = 1;
    record[BootReplyBuilder::kHtype] = 1;
    record[BootReplyBuilder::kHlen] = 6;
    return record;
}

std::string Dotted(in_addr_t address) {
    return vornalix::common::FormatDottedAddress(address);
}

} // namespace

struct OfferCase {
    const char* server;
    const char* offered;
};

void PrintTo(const OfferCase& c, std::ostream* out) {
    *out << c.server << " gives " << c.offered;
}

class OfferedAddress : public testing::TestWithParam<OfferCase> {};

TEST_P(OfferedAddress, FollowsTheServerAddress) {
    EXPECT_EQ(Dotted(BootReplyBuilder::ClientAddressFor(inet_addr(GetParam().server))), GetParam().offered);
    const BootReplyBuilder builder(inet_addr(GetParam().server), "/fw/a.bin");
    EXPECT_EQ(builder.clientAddressText, GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(LastOctet, OfferedAddress,
                         testing::Values(OfferCase{"192.168.1.1", "192.168.1.2"},
                                         OfferCase{"192.168.1.2", "192.168.1.3"}, OfferCase{"10.0.0.252", "10.0.0.253"},
                                         OfferCase{"10.0.0.253", "10.0.0.1"}, OfferCase{"10.0.0.254", "10.0.0.1"},
                                         OfferCase{"10.0.0.255", "10.0.0.1"}, OfferCase{"10.0.0.0", "10.0.0.1"}));

TEST(BootReplyBuilder, ReplyIsTheRequestChangedInPlace) {
    const Record request = Request();
    Record reply = request;
    const BootReplyBuilder builder(inet_addr("192.168.1.1"), "/home/user/fw/gw_image.bin");
    ASSERT_TRUE(builder.Build(reply));

    EXPECT_EQ(reply[0], 2);
    const std::uint8_t yiaddr[] = {192, 168, 1, 2};
    const std::uint8_t siaddr[] = {192, 168, 1, 1};
    EXPECT_EQ(std::memcmp(&reply[16], yiaddr, 4), 0);
    EXPECT_EQ(std::memcmp(&reply[20], siaddr, 4), 0);
    EXPECT_EQ(std::memcmp(&reply[108], "GW_IMAGE.BIN", 12), 0);
    EXPECT_EQ(reply[120], 0);
    for (std::size_t i = 0; i < reply.size(); ++i) {
        const bool changed = i == 0 || (i >= 16 && i < 24) || (i >= 108 && i <= 120);
        if (!changed) {
            EXPECT_EQ(reply[i], request[i]) << "byte " << i;
        }
    }
}

TEST(BootReplyBuilder, FileFieldAfterTheNameKeepsTheRequestBytes) {
    Record request = Request();
    std::memset(&request[108], 0, 128);
    std::memcpy(&request[108], "abc", 3);
    const BootReplyBuilder builder(inet_addr("192.168.1.1"), "/srv/fw.bin");
    ASSERT_TRUE(builder.Build(request));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&request[108])), "FW.BIN");
    for (std::size_t i = 108 + 7; i < 236; ++i)
        EXPECT_EQ(request[i], 0) << i;
}

TEST(BootReplyBuilder, PathWithoutSeparatorIsTheWholeNameUpperCasedLettersOnly) {
    Record record = Request();
    const BootReplyBuilder builder(inet_addr("192.168.1.1"), "fw-1.2_a~b.bin");
    ASSERT_TRUE(builder.Build(record));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record[108])), "FW-1.2_A~B.BIN");
}

TEST(BootReplyBuilder, NameAfterTheSystemsLastSeparator) {
    const bool windows = std::filesystem::path::preferred_separator == '\\';
    EXPECT_EQ(BootReplyBuilder::BootFileNameOf("C:\\fw\\qel.bin"), windows ? "qel.bin" : "C:\\fw\\qel.bin");
    EXPECT_EQ(BootReplyBuilder::BootFileNameOf("Z:\\tmp/sub\\qel.bin"), windows ? "qel.bin" : "sub\\qel.bin");
}

TEST(BootReplyBuilder, ChaddrWithLetterBytesComesBackUnchanged) {
    Record record = Request();
    const std::uint8_t chaddr[16] = {'a', 'b', 'z', 'q', 0x61, 0x7a, 'x', 'y', 'm', 'n', 'o', 'p', 'r', 's', 't', 'u'};
    std::memcpy(&record[28], chaddr, 16);
    std::memcpy(&record[44], "sname-lower", 11);
    const BootReplyBuilder builder(inet_addr("192.168.1.1"), "/fw/x.bin");
    ASSERT_TRUE(builder.Build(record));
    EXPECT_EQ(std::memcmp(&record[28], chaddr, 16), 0);
    EXPECT_EQ(std::memcmp(&record[44], "sname-lower", 11), 0);
}

TEST(BootReplyBuilder, WrongHardwareTypeOrLengthIsRefusedUntouched) {
    const BootReplyBuilder builder(inet_addr("192.168.1.1"), "/fw/x.bin");
    for (auto [htype, hlen] : {std::pair{6, 6}, std::pair{1, 8}, std::pair{0, 0}}) {
        Record record = Request();
        record[1] = static_cast<std::uint8_t>(htype);
        record[2] = static_cast<std::uint8_t>(hlen);
        const Record before = record;
        EXPECT_FALSE(builder.Build(record));
        EXPECT_EQ(record, before);
    }
}

TEST(BootReplyBuilder, OverlongNameStaysInsideTheFileField) {
    Record record = Request();
    const BootReplyBuilder builder(inet_addr("192.168.1.1"), "/fw/" + std::string(200, 'n'));
    EXPECT_FALSE(builder.NameFits());
    ASSERT_TRUE(builder.Build(record));
    EXPECT_EQ(record[108 + 127], 0);
    EXPECT_EQ(record[236], Request()[236]);
    EXPECT_TRUE(BootReplyBuilder(0, "/fw/" + std::string(127, 'n')).NameFits());
    EXPECT_FALSE(BootReplyBuilder(0, "/fw/" + std::string(128, 'n')).NameFits());
}
