// The firmware file check: what it refuses, in which words, and that it never blocks.
#include "web/FirmwareFile.h"
#include "WebFakes.h"

#include "common/fake/ScriptedPrompt.h"
#include "res/Resources.h"
#include "web/GatewayHttpSession.h"
#include "web/UploadStatus.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>

namespace vornalix::web {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPrefix = "The data file could not be\t\t  opened because of this error: ";

class FirmwareFileTest : public testing::Test {
protected:
    void SetUp() override {
        res::OverrideLanguage(res::Language::English);
        std::string pattern = (std::filesystem::temp_directory_path() / "firmware-file-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string folder;
};

// A named pipe without a writer would hold open() for ever: the check, and the upload through its
// prompt, refuse it at once. Should they block, a writer is opened to release them.
TEST_F(FirmwareFileTest, NamedPipeIsRefusedWithoutBlocking) {
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

TEST_F(FirmwareFileTest, RefusesWhatIsNotAUsableFileInTheUiLanguage) {
    std::string empty = folder + "/empty.bin";
    std::ofstream(empty).close();
    std::string good = folder + "/fw.bin";
    std::ofstream(good) << "image";
    EXPECT_EQ(FirmwareFileProblem(good), "");
    EXPECT_EQ(FirmwareFileProblem("/dev/null"),
              std::string(kPrefix) + "\"/dev/null\" is not a regular file (it is a named pipe, a device or a socket).");
    EXPECT_EQ(FirmwareFileProblem(folder), std::string(kPrefix) + "\"" + folder + "\" is a folder, not a file.");

    res::OverrideLanguage(res::Language::Japanese);
    EXPECT_EQ(FirmwareFileProblem(empty),
              "ファームウェア ファイル \"" + empty +
                  "\" は空です (0 バイト)。\nファームウェア イメージ ファイルを選択してください。");
    EXPECT_EQ(FirmwareFileProblem(folder + "/missing.bin"),
              std::string(kPrefix) + "\"" + folder + "/missing.bin\" が見つかりませんでした。");
    // The cause is cut to its limit without splitting a character.
    std::string cut = FirmwareFileProblem(folder + "/missing.bin", folder.size() + 20);
    EXPECT_EQ(cut, std::string(kPrefix) + "\"" + folder + "/missing.bin\" が");
}

} // namespace
} // namespace vornalix::web
