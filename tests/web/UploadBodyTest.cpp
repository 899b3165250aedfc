#include "web/UploadBody.h"
#include "GatewaySim.h"

#include "web/GatewayHttpSession.h"
#include "web/SystemFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vornalix::web {
namespace {

class UploadBodyTest : public testing::Test {
protected:
    void SetUp() override {
        folder = test::MakeScratchFolder("upload-body");
        path = folder + "/fw.bin";
    }
    void TearDown() override {
        if (fd >= 0)
            CloseFile(fd);
        std::filesystem::remove_all(folder);
    }
    void Write(const std::string& bytes) { std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes; }
    int Open() {
        int error = 0;
        return fd = OpenForReading(path, error);
    }
    // Reads the whole body through a small odd buffer; stops at the end or at a failure.
    static std::string Drain(UploadBody& body, bool& failed) {
        std::string out;
        char buffer[700];
        failed = false;
        for (;;) {
            std::size_t n = body.Read(buffer, sizeof buffer);
            if (n == UploadBody::kReadFailed) {
                failed = true;
                return out;
            }
            if (n == 0)
                return out;
            out.append(buffer, n);
        }
    }
    static std::string Pattern(std::size_t size) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7 + 1);
        return bytes;
    }

    const std::string header = "HEADER\r\n\r\n";
    const std::string closing = "\r\n--" + std::string(kBoundary) + "--\r\n";
    std::string folder;
    std::string path;
    int fd = -1;
};

TEST_F(UploadBodyTest, FileThenZeroFillThenClosingDelimiter) {
    std::string file = Pattern(3000);
    Write(file);
    UploadBody body(header, Open(), 3000, 5000);
    std::vector<std::uint64_t> progress;
    body.onProgress = [&](std::uint64_t written) { progress.push_back(written); };
    bool failed;
    std::string out = Drain(body, failed);
    EXPECT_FALSE(failed);
    EXPECT_EQ(body.DeclaredLength(), header.size() + 5000 + closing.size());
    EXPECT_EQ(out, header + file + std::string(2000, '\0') + closing);
    EXPECT_EQ(body.FileBytesSent(), 3000u);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), body.DeclaredLength());
    // Pieces of the file and of the fill are at most 1024 bytes.
    for (std::size_t i = 1; i < progress.size(); ++i)
        EXPECT_LE(progress[i] - progress[i - 1], std::max<std::uint64_t>(1024, closing.size()));
}

TEST_F(UploadBodyTest, RewindProducesTheSameBytes) {
    Write(Pattern(2500));
    UploadBody body(header, Open(), 2500, 2500);
    bool failed;
    std::string first = Drain(body, failed);
    ASSERT_TRUE(body.Rewind());
    EXPECT_EQ(Drain(body, failed), first);
    EXPECT_EQ(first.size(), body.DeclaredLength());
}

TEST_F(UploadBodyTest, FileShorterThanMeasuredFailsInsteadOfZeroFilling) {
    Write(Pattern(3000));
    UploadBody body(header, Open(), 5000, 5000);
    bool failed;
    std::string out = Drain(body, failed);
    EXPECT_TRUE(failed);
    EXPECT_TRUE(body.Failed());
    EXPECT_EQ(body.FileError(), 0);
    EXPECT_LT(out.size(), body.DeclaredLength());
    EXPECT_EQ(out.find(closing), std::string::npos);
    EXPECT_FALSE(body.Rewind());
}

TEST_F(UploadBodyTest, FileLongerThanMeasuredIsCutAtTheDeclaredLength) {
    std::string file = Pattern(5000);
    Write(file);
    UploadBody body(header, Open(), 3000, 3000);
    bool failed;
    std::string out = Drain(body, failed);
    EXPECT_FALSE(failed);
    EXPECT_EQ(out, header + file.substr(0, 3000) + closing);
}

} // namespace
} // namespace vornalix::web
