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
  EXPECT_EQ(std::string(current.getString()), std::filesystem::current_path().string() + "/");
  ASSERT_TRUE(FileTools::setCurrentDirectory(StringC("SUB")));
  EXPECT_EQ(std::filesystem::current_path().filename(), "sub");
  ReportCapture capture;
  EXPECT_FALSE(FileTools::setCurrentDirectory(StringC("/no/such/folder/anywhere")));
  EXPECT_EQ(capture.lines(), std::vector<std::string>{"FileTools:|Can't setCurrentDirectory !"});
}

TEST(FileTools, FirstFileWithExtensionInListingOrder) {
  TempDir dir;
  dir.write("b.lscx", "");
  dir.write("A.LSCX", "");
  dir.write("notes.txt", "");
  dir.enter();
  StringC found;
  ASSERT_TRUE(FileTools::findFirstFileWithExtension(found, StringC("lscx")));
  EXPECT_STREQ(found.getString(), "A.LSCX");
  EXPECT_FALSE(FileTools::findFirstFileWithExtension(found, StringC("l3x")));
}

TEST(FileTools, CountsAndFetchesFilesOfAnExtension) {
  TempDir dir;
  dir.write("data/lcx/wave.lcx", "");
  dir.write("data/lcx/Beat.LCX", "");
  dir.write("data/lcx/readme.txt", "");
  dir.write("data/lcx/old.lcx.bak", "");
  dir.enter();
  const StringC folder("data\\lcx\\"), ext("lcx");
  EXPECT_EQ(FileTools::countFilesWithExtension(folder, ext), 2);
  EXPECT_STREQ(FileTools::getFileWithExtension(folder, ext, 0).getString(), "data\\lcx\\Beat.LCX");
  EXPECT_STREQ(FileTools::getFileWithExtension(folder, ext, 1).getString(), "data\\lcx\\wave.lcx");
  EXPECT_STREQ(FileTools::getFileWithExtension(folder, ext, 2).getString(), "NULL");
  EXPECT_STREQ(FileTools::getFileWithExtension(folder, ext, -1).getString(), "NULL");
  EXPECT_EQ(FileTools::countFilesWithExtension(StringC("nowhere/"), ext), 0);
}

TEST(FileTools, ResolveExistingFallsBackToAnotherCase) {
  TempDir dir;
  dir.write("Shows/Intro/Scene.L3X", "x");
  dir.enter();
  EXPECT_EQ(FileTools::resolveExisting("Shows/Intro/Scene.L3X"), "Shows/Intro/Scene.L3X");
  EXPECT_EQ(FileTools::resolveExisting("shows\\intro\\scene.l3x"), "Shows/Intro/Scene.L3X");
  EXPECT_EQ(FileTools::resolveExisting("./shows/INTRO"), "Shows/Intro");
  EXPECT_FALSE(FileTools::resolveExisting("shows/outro/scene.l3x").has_value());
  EXPECT_FALSE(FileTools::resolveExisting("").has_value());
  const std::string absolute = dir.str() + "/SHOWS/intro/scene.l3x";
  EXPECT_EQ(FileTools::resolveExisting(absolute), dir.str() + "/Shows/Intro/Scene.L3X");
}

TEST(FileTools, ReadFileReturnsTheBytesOrNothing) {
  TempDir dir;
  dir.write("data.bin", std::string("a\0b", 3));
  dir.enter();
  const auto bytes = FileTools::readFile("DATA.BIN");
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, (std::vector<std::uint8_t>{'a', 0, 'b'}));
  EXPECT_FALSE(FileTools::readFile("missing.bin").has_value());
  EXPECT_FALSE(FileTools::readFile(".").has_value());
}

TEST(FileTools, ADeletedCurrentDirectoryCannotBeRead) {
  const std::filesystem::path previous = std::filesystem::current_path();
  {
    TempDir dir;
    const std::filesystem::path doomed = dir.path() / "doomed";
    std::filesystem::create_directory(doomed);
    std::filesystem::current_path(doomed);
    std::filesystem::remove(doomed);
    ReportCapture capture;
    StringC out("unchanged");
    EXPECT_FALSE(FileTools::getCurrentDirectory(out));
    EXPECT_FALSE(out.getCurrentDirectory());
    EXPECT_STREQ(out.getString(), "unchanged");
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{"FileTools:|Can't getCurrentDirectory !",
                                                         "StringC|can t getCurrentDirectory !"}));
    std::filesystem::current_path(previous);
  }
}
