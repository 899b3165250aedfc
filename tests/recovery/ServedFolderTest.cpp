#include "recovery/ServedFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vornalix::recovery;
namespace fs = std::filesystem;

class ServedFolderTest : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("vx-served-" + std::to_string(getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "fw");
        Write(root / "secret.txt");
        Write(root / "fw" / "Image.BIN");
        Write(root / "fw" / "param.ini");
        fs::create_directory(root / "fw" / "sub");
    }
    void TearDown() override { fs::remove_all(root); }
    static void Write(const fs::path& path) { std::ofstream(path) << "x"; }

    fs::path root;
};

TEST_F(ServedFolderTest, NamesThatWouldLeaveTheFolderAreRefused) {
    const ServedFolder folder((root / "fw" / "Image.BIN").string());
    for (const char* name : {"../secret.txt", "/etc/passwd", "..", ".", "", "sub/../param.ini", "..\\secret.txt",
                             "C:\\fw\\param.ini", "c:param.ini", "\\\\server\\share\\param.ini", "\\secret.txt",
                             "sub\\..\\..\\secret.txt", "sub", "param.ini\n"}) {
        EXPECT_FALSE(folder.FindForReading(name)) << name;
    }
    EXPECT_FALSE(folder.TargetForWriting("../escape.bin"));
    EXPECT_FALSE(folder.TargetForWriting("/tmp/escape.bin"));
    EXPECT_FALSE(folder.TargetForWriting("..\\escape.bin"));
    EXPECT_FALSE(folder.TargetForWriting("C:escape.bin"));
    EXPECT_FALSE(folder.TargetForWriting("sub"));
    // Hidden files beside the firmware (a firmware kept in a home folder) are neither read nor replaced.
    Write(root / "fw" / ".profile");
    EXPECT_FALSE(folder.FindForReading(".profile"));
    EXPECT_FALSE(folder.TargetForWriting(".profile"));
    EXPECT_FALSE(folder.TargetForWriting(".bashrc"));
    Write(root / "fw" / ".fw.bin");
    EXPECT_EQ(ServedFolder((root / "fw" / ".fw.bin").string()).FindForReading(".FW.BIN"),
              fs::canonical(root / "fw" / ".fw.bin"));
}

TEST_F(ServedFolderTest, NamesAreFoundWithoutRegardToCase) {
    const ServedFolder folder((root / "fw" / "Image.BIN").string());
    EXPECT_EQ(folder.FindForReading("IMAGE.BIN"), fs::canonical(root / "fw" / "Image.BIN"));
    EXPECT_EQ(folder.FindForReading("image.bin"), fs::canonical(root / "fw" / "Image.BIN"));
    EXPECT_EQ(folder.FindForReading("PARAM.INI"), fs::canonical(root / "fw" / "param.ini"));
    EXPECT_FALSE(folder.FindForReading("missing.bin"));
}

TEST_F(ServedFolderTest, WritesGoBesideTheFirmwareButNeverOverIt) {
    const ServedFolder folder((root / "fw" / "Image.BIN").string());
    EXPECT_FALSE(folder.TargetForWriting("image.bin"));
    EXPECT_FALSE(folder.TargetForWriting("Image.BIN"));
    EXPECT_EQ(folder.TargetForWriting("PARAM.INI"), fs::canonical(root / "fw") / "param.ini");
    EXPECT_EQ(folder.TargetForWriting("new.bin"), fs::canonical(root / "fw") / "new.bin");
}

TEST_F(ServedFolderTest, PathWithoutSeparatorServesTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(root / "fw");
    const ServedFolder folder("Image.BIN");
    fs::current_path(root);
    const ServedFolder relative("fw/Image.BIN");
    fs::current_path(before);
    EXPECT_EQ(folder.directory(), fs::canonical(root / "fw"));
    EXPECT_EQ(relative.directory(), fs::canonical(root / "fw"));
    EXPECT_TRUE(relative.FindForReading("param.ini"));
    EXPECT_FALSE(relative.TargetForWriting("IMAGE.bin"));
}
