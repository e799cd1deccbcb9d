#include "base/file_tools.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/report.h"
#include "tests/support/temp_dir.h"

TEST(FileTools, CurrentDirectoryEndsWithASeparatorAndCanBeChangedOrReports) {
  TempDir dir;
  dir.write("sub/x.txt", "");
  dir.enter();
  StringC current;
  ASSERT_TRUE(FileTools::getCurrentDirectory(current));
  EXPECT_EQ(current.view(), std::filesystem::current_path().string() + "/");
  ASSERT_TRUE(FileTools::setCurrentDirectory(StringC("SUB")));
  EXPECT_EQ(std::filesystem::current_path().filename(), "sub");
  ReportCapture capture;
  EXPECT_FALSE(FileTools::setCurrentDirectory(StringC("/no/such/folder/anywhere")));
  EXPECT_EQ(capture.lines(), std::vector<std::string>{"FileTools:|Can't setCurrentDirectory !"});
}

// Listing order compares upper-cased names: '_' (0x5F) then sorts after the letters, where a
// lower-cased compare puts it before them and an exact compare puts capitals first.
TEST(FileTools, FilesOfAnExtensionInListingOrder) {
  TempDir dir;
  for (const char* name :
       {"data/lcx/wave.lcx", "data/lcx/beat_2.lcx", "data/lcx/Beat.LCX", "data/lcx/beatZ.lcx",
        "data/lcx/readme.txt", "data/lcx/old.lcx.bak", "Demo_b.lscx", "demoa.LSCX"})
    dir.write(name, "");
  dir.enter();
  // The script a player started without one plays.
  StringC found;
  ASSERT_TRUE(FileTools::findFirstFileWithExtension(found, StringC("lscx")));
  EXPECT_STREQ(found.getString(), "demoa.LSCX");
  EXPECT_FALSE(FileTools::findFirstFileWithExtension(found, StringC("l3x")));
  const StringC folder("data\\lcx\\"), ext("lcx");
  EXPECT_EQ(FileTools::countFilesWithExtension(folder, ext), 4);
  for (const auto& [index, name] :
       {std::pair{0, "data\\lcx\\Beat.LCX"}, std::pair{1, "data\\lcx\\beatZ.lcx"},
        std::pair{2, "data\\lcx\\beat_2.lcx"}, std::pair{3, "data\\lcx\\wave.lcx"},
        std::pair{4, "NULL"}, std::pair{-1, "NULL"}})
    EXPECT_STREQ(FileTools::getFileWithExtension(folder, ext, index).getString(), name) << index;
}

TEST(FileTools, ResolveExistingFallsBackToAnotherCaseAndReadFileUsesIt) {
  TempDir dir;
  dir.write("Shows/Intro/Scene.L3X", std::string("a\0b", 3));
  dir.enter();
  EXPECT_EQ(FileTools::resolveExisting("shows\\intro\\scene.l3x"), "Shows/Intro/Scene.L3X");
  EXPECT_EQ(FileTools::resolveExisting("./shows/INTRO"), "Shows/Intro");
  EXPECT_FALSE(FileTools::resolveExisting("shows/outro/scene.l3x").has_value());
  EXPECT_FALSE(FileTools::resolveExisting("").has_value());
  const std::string absolute = dir.str() + "/SHOWS/intro/scene.l3x";
  EXPECT_EQ(FileTools::resolveExisting(absolute), dir.str() + "/Shows/Intro/Scene.L3X");
  EXPECT_EQ(FileTools::readFile("shows/intro/SCENE.l3x"), (std::vector<std::uint8_t>{'a', 0, 'b'}));
  EXPECT_FALSE(FileTools::readFile("missing.bin").has_value());
  EXPECT_FALSE(FileTools::readFile(".").has_value());
}
