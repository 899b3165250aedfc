#include "recovery/TftpPacket.h"

#include "support/UdpPeer.h"

#include <gtest/gtest.h>

using namespace vornalix::recovery;
using vornalix::recovery::test::Bytes;
using vornalix::recovery::test::Request;

namespace {

struct Parsed {
    bool recognised;
    TftpPacket::Options options;
};

Parsed Parse(const std::vector<std::string>& options, std::size_t limit = 4096) {
    const Bytes packet = Request(1, "fw.bin", options);
    Parsed parsed{};
    parsed.recognised = TftpPacket::ParseOptions(packet, limit, parsed.options);
    return parsed;
}

} // namespace

TEST(TftpOptions, BlockSizeIsClampedAndBadValuesAreIgnored) {
    EXPECT_EQ(Parse({"blksize", "4096"}).options.blockSize, 1024);
    EXPECT_EQ(Parse({"BLKSIZE", "800"}).options.blockSize, 800);
    EXPECT_EQ(Parse({"BlkSize", "8"}).options.blockSize, 8);
    for (const char* bad : {"7", "0", "", "abc", "12x", "-5"}) {
        const Parsed parsed = Parse({"blksize", bad});
        EXPECT_FALSE(parsed.recognised) << bad;
        EXPECT_EQ(parsed.options.blockSize, 512) << bad;
    }
}

TEST(TftpOptions, TimeoutAndTsize) {
    EXPECT_EQ(Parse({"timeout", "200"}).options.timeout, 60);
    EXPECT_EQ(Parse({"TIMEOUT", "3"}).options.timeout, 3);
    EXPECT_FALSE(Parse({"timeout", "0"}).recognised);
    const Parsed tsize = Parse({"tsize", "123456"});
    EXPECT_TRUE(tsize.recognised);
    EXPECT_EQ(tsize.options.tsize, 123456u);
    EXPECT_EQ(tsize.options.blockSize, 512);
    EXPECT_FALSE(Parse({"windowsize", "4", "multicast", ""}).recognised);
    const Parsed mixed = Parse({"windowsize", "4", "blksize", "1024", "timeout", "9"});
    EXPECT_TRUE(mixed.recognised);
    EXPECT_EQ(mixed.options.blockSize, 1024);
    EXPECT_EQ(mixed.options.timeout, 9);
}

TEST(TftpOptions, OnlyTheReceivedLengthIsRead) {
    EXPECT_FALSE(Parse({"blksize", "1024"}, 0).recognised);
    const Bytes full = Request(1, "fw.bin", {"blksize", "1024"});
    EXPECT_FALSE(Parse({"blksize", "1024"}, full.size() - 1).recognised); // value's zero cut off
    EXPECT_TRUE(Parse({"blksize", "1024"}, full.size()).recognised);
}

TEST(TftpOptions, UnterminatedTextsEndTheWalk) {
    TftpPacket::Options options;
    const Bytes noModeEnd = {0, 1, 'f', 0, 'o', 'c'};
    EXPECT_FALSE(TftpPacket::ParseOptions(noModeEnd, noModeEnd.size(), options));
    EXPECT_FALSE(TftpPacket::OptionsOffset(noModeEnd).has_value());
    const Bytes noNameEnd = {0, 1, 'f', 'w'};
    EXPECT_EQ(TftpPacket::TextAt(noNameEnd, 2), "fw");
    EXPECT_EQ(TftpPacket::TextAt(Bytes{0, 1}, 2), "");
    EXPECT_EQ(TftpPacket::TextAt(Bytes(600, 'a'), 2).size(), TftpPacket::kMaxTextLength);
}

TEST(TftpPackets, OptionAckCarriesExactlyBlockSizeAndTimeout) {
    const Bytes expected1024 = {0,   6, 'b', 'l', 'k', 's', 'i', 'z', 'e', 0, '1', '0', '2',
                                '4', 0, 't', 'i', 'm', 'e', 'o', 'u', 't', 0, '5', 0};
    EXPECT_EQ(TftpPacket::OptionAck(1024, 5), expected1024);
    EXPECT_EQ(expected1024.size(), 25u);
    const Bytes expected512 = {0,   6, 'b', 'l', 'k', 's', 'i', 'z', 'e', 0, '5', '1',
                               '2', 0, 't', 'i', 'm', 'e', 'o', 'u', 't', 0, '5', 0};
    EXPECT_EQ(TftpPacket::OptionAck(512, 5), expected512);
}

TEST(TftpPackets, ErrorAckAndDataHeaders) {
    const Bytes error = TftpPacket::Error(1, "x");
    EXPECT_EQ(error, (Bytes{0, 5, 0, 1, 'x', 0}));
    EXPECT_EQ(TftpPacket::Ack(0x1234), (Bytes{0, 4, 0x12, 0x34}));
    Bytes data(4);
    TftpPacket::PutDataHeader(data, 65535);
    EXPECT_EQ(data, (Bytes{0, 3, 0xFF, 0xFF}));
    EXPECT_EQ(TftpPacket::OpcodeOf(Bytes{0}), 0);
    EXPECT_EQ(TftpPacket::BlockOf(Bytes{0, 4, 1}), 0);
}
