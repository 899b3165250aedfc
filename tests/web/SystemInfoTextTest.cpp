#include "web/SystemInfoText.h"
#include "web/BodyLineReader.h"

#include <gtest/gtest.h>

#include <vector>

namespace vornalix::web {
namespace {

std::string StripLines(const std::vector<std::string>& lines, bool inTag = false) {
    std::string text;
    for (std::string line : lines) {
        StripTags(line, inTag);
        text += line;
    }
    return text;
}

TEST(StripTags, RemovesTagsSplitOverLines) {
    EXPECT_EQ(StripLines({"<tr><td>Hardware Version</td><td\n", "  class=\"value\">1.01</td></tr>\n"}),
              "Hardware Version1.01\n");
    EXPECT_EQ(StripLines({"a <b>bold</b> &amp; c\n"}), "a bold &amp; c\n");
    EXPECT_EQ(StripLines({"x > y\n"}), "x > y\n");
}

TEST(StripTags, OpenTagCarriesOverThroughTheState) {
    bool inTag = false;
    std::string first = "value<a href=\"x";
    StripTags(first, inTag);
    EXPECT_EQ(first, "value");
    EXPECT_TRUE(inTag);
    std::string second = "still inside\">after\n";
    StripTags(second, inTag);
    EXPECT_EQ(second, "after\n");
    EXPECT_FALSE(inTag);
}

struct FieldCase {
    const char* text;
    const char* expected;
};

class ExtractFieldCases : public testing::TestWithParam<FieldCase> {};

TEST_P(ExtractFieldCases, HardwareVersion) {
    EXPECT_EQ(ExtractField(GetParam().text, kHardwareLabel), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, ExtractFieldCases,
                         testing::Values(FieldCase{"Hardware Version1.01\nSoftware Version R1.10\n", "1.01"},
                                         FieldCase{"Hardware Version\n\t 1.01 \t\r\nnext\n", "1.01"},
                                         FieldCase{"Hardware Version: x 2 \n", ": x 2"},
                                         FieldCase{"Hardware Version 1.01", ""},
                                         FieldCase{"Hardware Version  \n \n", ""},
                                         FieldCase{"Software Version R1.10\n", ""},
                                         FieldCase{"Hardware Version A\nHardware Version B\n", "A"}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ExtractField, ShiftJisLabelsAndValues) {
    std::string page =
        std::string(kHardwareLabelSjis) + "\n1.01\n" + std::string(kSoftwareLabelSjis) + " R1.10 WEB Aug. 27, 2001\n";
    EXPECT_EQ(ExtractField(page, kHardwareLabelSjis), "1.01");
    EXPECT_EQ(ExtractField(page, kSoftwareLabelSjis), "R1.10 WEB Aug. 27, 2001");
    EXPECT_EQ(ExtractField(page, kHardwareLabel), "");
}

TEST(ExtractField, ShiftJisTrailBytesDoNotStartAMatch) {
    // 0x83 'H' is one Shift-JIS character; the label only starts after it.
    std::string page = "\x83Hardware Version X\nHardware Version 1.01\n";
    EXPECT_EQ(ExtractField(page, kHardwareLabel), "1.01");
    // The software label's second byte is a backslash: no search may stop inside it.
    std::string sjis = "\x83\x5c" + std::string(kSoftwareLabelSjis) + "R2\n";
    EXPECT_EQ(ExtractField(sjis, kSoftwareLabelSjis), "R2");
}

TEST(ExtractField, Utf8JapaneseLabels) {
    std::string page = std::string(kHardwareLabelUtf8) + "\n1.01\n" + std::string(kSoftwareLabelUtf8) + "\nR1.10\n";
    EXPECT_EQ(ExtractField(page, kHardwareLabelUtf8), "1.01");
    EXPECT_EQ(ExtractField(page, kSoftwareLabelUtf8), "R1.10");
}

TEST(SystemInfoText, EncodingHelpers) {
    EXPECT_TRUE(IsValidUtf8("plain ascii"));
    EXPECT_TRUE(IsValidUtf8(kHardwareLabelUtf8));
    EXPECT_FALSE(IsValidUtf8(kHardwareLabelSjis));
    EXPECT_FALSE(IsValidUtf8("\xE3\x83"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
    EXPECT_EQ(ShiftJisToUtf8(kHardwareLabelSjis), kHardwareLabelUtf8);
    EXPECT_EQ(ShiftJisToUtf8("1.01"), "1.01");
}

TEST(BodyLineReader, DropsCarriageReturnsKeepsLineFeedsAndCutsLongLines) {
    std::vector<std::string> pieces;
    BodyLineReader reader([&](std::string& line) { pieces.push_back(line); });
    std::string body = "one\r\n" + std::string(2100, 'x') + "\r\nlast";
    // Fed in small uneven chunks, as a socket delivers it.
    for (std::size_t i = 0; i < body.size(); i += 7)
        reader.Feed(body.data() + i, std::min<std::size_t>(7, body.size() - i));
    reader.Finish();
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0], "one\n");
    EXPECT_EQ(pieces[1], std::string(1022, 'x'));
    EXPECT_EQ(pieces[2], std::string(1022, 'x'));
    EXPECT_EQ(pieces[3], std::string(56, 'x') + "\n");
    EXPECT_EQ(pieces[4], "last");
}

} // namespace
} // namespace vornalix::web
