// What only POSIX systems have in place of a firmware file: named pipes that block an open,
// devices, folders that open but do not read.
#include "GatewaySim.h"
#include "WebFakes.h"

#include "common/fake/ScriptedPrompt.h"
#include "res/Resources.h"
#include "web/FirmwareFile.h"
#include "web/GatewayHttpSession.h"
#include "web/UploadBody.h"
#include "web/UploadStatus.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <future>

namespace vornalix::web {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPrefix = "The data file could not be\t\t  opened because of this error: ";

class SystemFileTest : public testing::Test {
protected:
    void SetUp() override {
        res::OverrideLanguage(res::Language::English);
        folder = test::MakeScratchFolder("firmware-file");
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string folder;
};

// A named pipe without a writer would hold open() for ever: the check, and the upload through its
// prompt, refuse it at once. Should they block, a writer is opened to release them.
TEST_F(SystemFileTest, NamedPipeIsRefusedWithoutBlocking) {
    std::string pipe = folder + "/fw.bin";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto release = [&](std::future<std::string>& result) {
        if (result.wait_for(2s) == std::future_status::ready)
            return result.get();
        int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        std::string text = "blocked: " + result.get();
        if (writer >= 0)
            ::close(writer);
        return text;
    };
    std::string notRegular =
        std::string(kPrefix) + "\"" + pipe + "\" is not a regular file (it is a named pipe, a device or a socket).";

    auto checked = std::async(std::launch::async, [&] { return FirmwareFileProblem(pipe); });
    EXPECT_EQ(release(checked), notRegular);

    GatewayHttpSession session;
    common::ScriptedPrompt prompt;
    session.firmwarePath = pipe;
    session.serverName = "127.0.0.1";
    session.serverPort = 9; // never reached
    test::RecordingSink sink;
    auto uploaded = std::async(std::launch::async, [&] {
        session.StartUpload(sink, prompt);
        session.JoinWorker();
        return prompt.Count() == 1 ? prompt.Boxes()[0].text : "";
    });
    EXPECT_EQ(release(uploaded), notRegular);
    EXPECT_EQ(sink.Statuses(), (std::vector<int>{Uploading, Failed}));
}

TEST_F(SystemFileTest, DeviceIsNotARegularFile) {
    EXPECT_EQ(FirmwareFileProblem("/dev/null"),
              std::string(kPrefix) + "\"/dev/null\" is not a regular file (it is a named pipe, a device or a socket).");
}

TEST_F(SystemFileTest, UploadOfAnUnreadableFileFailsWithItsError) {
    int fd = ::open("/", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    UploadBody body("HEADER\r\n\r\n", fd, 100, 100);
    char buffer[4096];
    EXPECT_EQ(body.Read(buffer, sizeof buffer), UploadBody::kReadFailed);
    EXPECT_TRUE(body.Failed());
    EXPECT_EQ(body.FileError(), EISDIR);
    ::close(fd);
}

} // namespace
} // namespace vornalix::web
