// Files that Windows marks hidden or system ("desktop.ini") are neither read nor replaced.
#include "recovery/ServedFolder.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace vornalix::recovery;
namespace fs = std::filesystem;

TEST(ServedFolderHidden, FilesMarkedHiddenOrSystemAreRefusedButTheFirmware) {
    const fs::path root = fs::temp_directory_path() / ("vx-hidden-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(root);
    fs::create_directories(root);
    for (const char* name : {"Image.bin", "desktop.ini", "notes.txt", "plain.txt"})
        std::ofstream(root / name) << "x";
    ASSERT_TRUE(SetFileAttributesW((root / "desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributesW((root / "notes.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW((root / "Image.bin").c_str(), FILE_ATTRIBUTE_HIDDEN));

    const ServedFolder folder((root / "Image.bin").string());
    EXPECT_FALSE(folder.FindForReading("desktop.ini"));
    EXPECT_FALSE(folder.FindForReading("NOTES.TXT"));
    EXPECT_FALSE(folder.TargetForWriting("desktop.ini"));
    EXPECT_FALSE(folder.TargetForWriting("notes.txt"));
    EXPECT_TRUE(folder.FindForReading("plain.txt"));
    EXPECT_TRUE(folder.FindForReading("image.bin"));
    for (const char* name : {"desktop.ini", "notes.txt", "Image.bin"})
        SetFileAttributesW((root / name).c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(root);
}
