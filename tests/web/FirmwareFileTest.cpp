// The firmware file check: what it refuses and in which words. Pipes and devices: SystemFileTest.
#include "web/FirmwareFile.h"
#include "GatewaySim.h"

#include "res/Resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vornalix::web {
namespace {

constexpr const char* kPrefix = "The data file could not be\t\t  opened because of this error: ";

class FirmwareFileTest : public testing::Test {
protected:
    void SetUp() override {
        res::OverrideLanguage(res::Language::English);
        folder = test::MakeScratchFolder("firmware-file");
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string folder;
};

TEST_F(FirmwareFileTest, RefusesWhatIsNotAUsableFileInTheUiLanguage) {
    std::string empty = folder + "/empty.bin";
    std::ofstream(empty).close();
    std::string good = folder + "/fw.bin";
    std::ofstream(good) << "image";
    EXPECT_EQ(FirmwareFileProblem(good), "");
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
