// What only Windows has in place of a firmware file: pipes and devices that open at once, names
// beyond the ANSI code page, handles opened for writing only.
#include "GatewaySim.h"
#include "WebFakes.h"

#include "common/fake/ScriptedPrompt.h"
#include "res/Resources.h"
#include "web/FirmwareFile.h"
#include "web/GatewayHttpSession.h"
#include "web/UploadBody.h"
#include "web/UploadStatus.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <future>

namespace vornalix::web {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPrefix = "The data file could not be\t\t  opened because of this error: ";

std::string NotRegular(const std::string& path) {
    return std::string(kPrefix) + "\"" + path + "\" is not a regular file (it is a named pipe, a device or a socket).";
}

class SystemFileTest : public testing::Test {
protected:
    void SetUp() override {
        res::OverrideLanguage(res::Language::English);
        folder = test::MakeScratchFolder("firmware-file");
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string folder;
};

// A pipe with a listening server opens at once, and is then seen for what it is: the check and
// the upload through its prompt refuse it without a byte read.
TEST_F(SystemFileTest, NamedPipeAndDeviceAreNotRegularFiles) {
    std::string pipe = "\\\\.\\pipe\\vornalix-firmware-" + std::to_string(::GetCurrentProcessId());
    // One listening instance for each open: the check's, the upload's.
    HANDLE servers[2];
    for (HANDLE& server : servers) {
        server = ::CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, PIPE_UNLIMITED_INSTANCES, 4096,
                                    4096, 0, nullptr);
        ASSERT_NE(server, INVALID_HANDLE_VALUE) << ::GetLastError();
    }
    auto checked = std::async(std::launch::async, [&] { return FirmwareFileProblem(pipe); });
    ASSERT_EQ(checked.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(checked.get(), NotRegular(pipe));

    GatewayHttpSession session;
    common::ScriptedPrompt prompt;
    session.firmwarePath = pipe;
    session.serverName = "127.0.0.1";
    session.serverPort = 9; // never reached
    test::RecordingSink sink;
    session.StartUpload(sink, prompt);
    session.JoinWorker();
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.Boxes()[0].text, NotRegular(pipe));
    EXPECT_EQ(sink.Statuses(), (std::vector<int>{Uploading, Failed}));
    for (HANDLE server : servers)
        ::CloseHandle(server);

    EXPECT_EQ(FirmwareFileProblem("NUL"), NotRegular("NUL"));
}

// Names are UTF-8 inside and reach the file system as UTF-16, whatever the ANSI code page.
TEST_F(SystemFileTest, NameOutsideTheAnsiCodePageIsOpened) {
    std::string name = "ファーム ウェア é.bin";
    std::filesystem::path wide =
        std::filesystem::path(folder) / std::filesystem::path(std::u8string(name.begin(), name.end()));
    std::ofstream(wide, std::ios::binary) << "image";
    std::string path = folder + "\\" + name;
    EXPECT_EQ(FirmwareFileProblem(path), "");
    FirmwareFile file(path);
    EXPECT_EQ(file.Error(), 0);
    EXPECT_EQ(file.Size(), 5u);
    EXPECT_EQ(FirmwareFileProblem(folder + "\\" + "ファーム.bin"),
              std::string(kPrefix) + "\"" + folder + "\\ファーム.bin\" was not found.");
}

TEST_F(SystemFileTest, UploadOfAnUnreadableFileFailsWithItsError) {
    std::string path = folder + "\\fw.bin";
    std::ofstream(path, std::ios::binary) << std::string(100, 'x');
    int fd = ::_open(path.c_str(), _O_WRONLY | _O_BINARY);
    ASSERT_GE(fd, 0);
    UploadBody body("HEADER\r\n\r\n", fd, 100, 100);
    char buffer[4096];
    EXPECT_EQ(body.Read(buffer, sizeof buffer), UploadBody::kReadFailed);
    EXPECT_TRUE(body.Failed());
    EXPECT_EQ(body.FileError(), EBADF);
    ::_close(fd);
}

} // namespace
} // namespace vornalix::web
