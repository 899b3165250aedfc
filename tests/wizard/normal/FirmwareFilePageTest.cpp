#include "wizard/normal/FirmwareFilePage.h"
#include "ModalScript.h"
#include "NamedPipe.h"
#include "web/FirmwareFile.h"
#include "wizard/FirmwareFile.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

using namespace vornalix;
using namespace vornalix::wizard;
using ::testing::AnyOf;
using vornalix::testing::PromptScope;
using vornalix::testing::RunModal;

namespace fs = std::filesystem;

namespace {

constexpr int kPath = FirmwareFilePage::IDC_PATH;
const std::string kOpenErrorPrefix = "The data file could not be\t\t  opened because of this error: ";

class FirmwareFilePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "firmware-page-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        savedDirectory = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(savedDirectory);
        wizard::SetFirmwareArgument("");
        fs::remove_all(folder);
    }
    std::string Write(const std::string& name, const std::string& bytes = "firmware") {
        std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string folder;
    fs::path savedDirectory;
};

} // namespace

TEST_F(FirmwareFilePageTest, DefaultPathFromTheArgumentOrTheFirstBinFile) {
    // The argument is a name relative to the folder, whether or not it exists.
    EXPECT_EQ(DefaultPath("  image.bin \t", "/work/images"), "/work/images/image.bin");
    EXPECT_EQ(DefaultPath("sub/image.bin", "/work/images"), "/work/images/sub/image.bin");
    // In the root folder there is exactly one separator.
    EXPECT_EQ(DefaultPath("image.bin", "/"), "/image.bin");
    EXPECT_EQ(DefaultPath("image.bin", "/work/"), "/work/image.bin");
    // An absolute argument already names the file.
    EXPECT_EQ(DefaultPath("/srv/fw/image.bin", "/work"), "/srv/fw/image.bin");

    // No argument: the folder's ".bin" files, folders named so excluded.
    EXPECT_EQ(DefaultPath("", folder), "");
    Write("notes.txt");
    Write("image.bin.txt");
    fs::create_directory(folder + "/old.bin");
    EXPECT_EQ(DefaultPath(" ", folder), "");
    Write("first.bin");
    EXPECT_EQ(DefaultPath("", folder), folder + "/first.bin");
    Write("SECOND.BIN");
    // Several: the first in case-insensitive alphabetical order, whatever order the folder holds them in.
    EXPECT_EQ(DefaultPath("", folder), folder + "/first.bin");
    for (const char* name : {"fw-2mib.bin", "zeta.bin", "Empty.BIN", "m.bin", "c.bin", "Y.bin", "q.bin", "k.bin"})
        Write(name);
    EXPECT_EQ(DefaultPath("", folder), folder + "/c.bin");
    Write("BETA.bin");
    EXPECT_EQ(DefaultPath("", folder), folder + "/BETA.bin");
    EXPECT_EQ(DefaultPath("", folder + "/"), DefaultPath("", folder));
}

TEST_F(FirmwareFilePageTest, OpeningFillsAnEmptyPathOnly) {
    Write("only.bin");
    fs::current_path(folder);
    std::string cwd = fs::current_path().string();

    FirmwareFilePage fromFolder("");
    fromFolder.InitializeForDisplay();
    EXPECT_EQ(fromFolder.ItemText(kPath), cwd + "/only.bin");

    wizard::SetFirmwareArgument("given.bin");
    FirmwareFilePage fromArgument("");
    fromArgument.InitializeForDisplay();
    EXPECT_EQ(fromArgument.ItemText(kPath), cwd + "/given.bin");

    // Back from a later page: the path chosen before.
    FirmwareFilePage again("/chosen/before.bin");
    again.InitializeForDisplay();
    EXPECT_EQ(again.ItemText(kPath), "/chosen/before.bin");
    EXPECT_EQ(again.pathText, "/chosen/before.bin");
}

TEST_F(FirmwareFilePageTest, NextAcceptsOnlyAFileThatOpens) {
    PromptScope prompts;
    std::string good = Write("good.bin");
    std::string missing = folder + "/missing.bin";
    FirmwareFilePage page(missing);
    bool open = false;
    int result = RunModal(page, [&](ui::Dialog& d) {
        d.Command(common::IDOK);
        d.SetItemText(kPath, folder);
        d.PressEnter();
        d.SetItemText(kPath, "");
        d.Command(common::IDOK);
        open = d.IsVisible() && d.ItemText(kPath).empty();
        d.SetItemText(kPath, good);
        d.Command(common::IDOK);
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(result, common::IDOK);
    EXPECT_EQ(page.pathText, good);
    auto boxes = prompts.prompt.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, kOpenErrorPrefix + "\"" + missing + "\" was not found.");
    EXPECT_EQ(boxes[1].text, kOpenErrorPrefix + "\"" + folder + "\" is a folder, not a file.");
    EXPECT_EQ(boxes[2].text, kOpenErrorPrefix + "\"\" was not found.");
    for (const auto& box : boxes)
        EXPECT_EQ(box.type, common::MB_OK | common::MB_ICONEXCLAMATION);
}

TEST_F(FirmwareFilePageTest, NextRefusesAnEmptyFileAndANamedPipeWithoutBlocking) {
    PromptScope prompts;
    std::string empty = Write("empty.bin", "");
    vornalix::testing::NamedPipe pipe(folder + "/pipe.bin");
    ASSERT_TRUE(pipe.Created());
    FirmwareFilePage page(empty);
    bool open = false;
    int result = RunModal(page, [&](ui::Dialog& d) {
        d.Command(common::IDOK);
        d.SetItemText(kPath, pipe.Path());
        d.Command(common::IDOK);
        open = d.IsVisible();
        d.Command(wizard::IDC_BACK);
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(result, wizard::IDC_BACK);
    EXPECT_FALSE(pipe.Opened());
    auto boxes = prompts.prompt.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, web::EmptyFileText(empty));
    EXPECT_THAT(boxes[0].text, ::testing::HasSubstr("\"" + empty + "\" is empty"));
    EXPECT_EQ(boxes[1].text, kOpenErrorPrefix + "\"" + pipe.Path() +
                                 "\" is not a regular file (it is a named pipe, a device or a socket).");
    for (const auto& box : boxes)
        EXPECT_EQ(box.type, common::MB_OK | common::MB_ICONEXCLAMATION);
}
