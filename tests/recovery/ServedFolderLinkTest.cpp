// Symbolic links in the served folder are judged by what they lead to.
#include "recovery/ServedFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vornalix::recovery;
namespace fs = std::filesystem;

namespace {

class ServedFolderLinkTest : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("vx-links-" + std::to_string(getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "fw");
        Write(root / "secret.txt");
        Write(root / "fw" / "Image.BIN");
        Write(root / "fw" / "param.ini");
        Write(root / "fw" / ".profile");
        fs::create_symlink(root / "secret.txt", root / "fw" / "outside.lnk");
        fs::create_symlink("param.ini", root / "fw" / "inside.lnk");
        fs::create_symlink(".profile", root / "fw" / "profile.lnk");
    }
    void TearDown() override { fs::remove_all(root); }
    static void Write(const fs::path& path) { std::ofstream(path) << "x"; }

    fs::path root;
};

} // namespace

TEST_F(ServedFolderLinkTest, LinksLeavingTheFolderOrToHiddenFilesAreRefused) {
    const ServedFolder folder((root / "fw" / "Image.BIN").string());
    EXPECT_FALSE(folder.FindForReading("outside.lnk"));
    EXPECT_FALSE(folder.TargetForWriting("outside.lnk"));
    // Also through a link whose own name is not hidden.
    EXPECT_FALSE(folder.FindForReading("PROFILE.LNK"));
    EXPECT_FALSE(folder.TargetForWriting("profile.lnk"));
    EXPECT_EQ(folder.FindForReading("inside.lnk"), fs::canonical(root / "fw" / "param.ini"));
}
