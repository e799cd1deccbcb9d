#include "base/string_c.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/report.h"
#include "tests/support/temp_dir.h"

TEST(StringC, TheLeftCaseRuleDecidesComparisonAndSearch) {
  StringC exact("layer"), loose("LAYER"), ext(".LSCX"), file("show.lscx");
  EXPECT_FALSE(ext.isIn(file));
  EXPECT_FALSE(StringC("Layer") == exact);
  loose.setCaseSensitive(0);
  ext.setCaseSensitive(0);
  EXPECT_FALSE(exact == loose);
  EXPECT_TRUE(loose == exact);
  EXPECT_TRUE(loose == "Layer");
  EXPECT_TRUE(ext.isIn(file));
  EXPECT_FALSE(StringC().isIn(file));
  EXPECT_FALSE(ext.isIn(StringC()));
  // A copy takes the rule; assigning characters keeps the target's; copies own their text.
  StringC copy(loose), assigned;
  EXPECT_EQ(copy.getCaseSensitive(), 0);
  assigned = loose;
  assigned = "xyz";
  EXPECT_EQ(assigned.getCaseSensitive(), 0);
  EXPECT_STREQ(assigned.getString(), "xyz");
  loose.toLower();
  EXPECT_STREQ(copy.getString(), "LAYER");
  EXPECT_STREQ(loose.getString(), "layer");
}

// An unset side is reported; the target keeps its text and the result is false or unset.
TEST(StringC, UnsetOperandsAreReported) {
  ReportCapture capture;
  StringC unset, text("a"), target("data/");
  target += "x";
  EXPECT_FALSE(unset == text);
  EXPECT_TRUE((text + unset).isEmpty());
  target += unset;
  EXPECT_STREQ(target.getString(), "data/x");
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"StringC|==: src1 name NULL", "StringC|+: src2 name NULL",
                                      "StringC|+: src2 name NULL", "StringC|making NULL copy"}));
}

TEST(StringC, TokensSplitOnBlankCommaTabNewline) {
  ReportCapture capture;
  StringC line("  alpha , beta\tgamma\n delta");
  StringC tokens[8], one[1], none[4];
  EXPECT_EQ(line.tokenize(tokens, 8), 4);
  EXPECT_STREQ(tokens[0].getString(), "alpha");
  EXPECT_STREQ(tokens[3].getString(), "delta");
  EXPECT_EQ(line.tokenize(one, 1), 1);
  EXPECT_EQ(StringC(" ,\t\n ,").tokenize(none, 4), 0);
  EXPECT_STREQ(line.getToken(2).getString(), "gamma");
  EXPECT_STREQ(line.getToken(-1).getString(), "NULL");
  EXPECT_TRUE(capture.reports().empty());
  // Past the last token: the unset string, copied out with a report.
  EXPECT_TRUE(line.getToken(4).isEmpty());
  EXPECT_EQ(capture.texts(), std::vector<std::string>{"making NULL copy"});
}

TEST(StringC, SplitPathAndKeepFileNameAcceptBothSeparators) {
  const struct {
    const char *path, *dir, *file, *name;
  } kCases[] = {{"data\\lcx\\wave.lcx", "data\\lcx\\", "wave.lcx", "wave"},
                {"/shows/a/show.lscx", "/shows/a/", "show.lscx", "show"},
                {"show.lscx", "", "show.lscx", "show"},
                {"data\\lcx/beat.curve.lcx", "data\\lcx/", "beat.curve.lcx", "beat.curve"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    StringC dir, file, name(c.path);
    StringC(c.path).splitPath(dir, file);
    name.keepFileName();
    EXPECT_STREQ(dir.getString(), c.dir);
    EXPECT_STREQ(file.getString(), c.file);
    EXPECT_STREQ(name.getString(), c.name);
  }
}

TEST(StringC, FindFileSearchesTheCurrentDirectoryThenBelowIt) {
  TempDir dir;
  dir.write("a/b/deep.bmp", "x");
  dir.write("z/deep.bmp", "y");
  dir.write("top.bmp", "t");
  dir.write("Data/Pics/Logo.BMP", "x");
  dir.enter();
  const std::string root = std::filesystem::current_path().string();
  // Depth first, in listing order: a/b/ comes before z/; backslashes and another case still find
  // a relative path.
  const std::pair<const char*, std::string> kFound[] = {
      {"top.bmp", root + "/top.bmp"},
      {"deep.bmp", root + "/a/b/deep.bmp"},
      {"data\\pics\\logo.bmp", "Data/Pics/Logo.BMP"}};
  for (const auto& [name, found] : kFound) {
    StringC path(name);
    ASSERT_TRUE(path.findFile()) << name;
    EXPECT_EQ(path.view(), found);
  }
  StringC missing("nothing.bmp");
  EXPECT_FALSE(missing.findFile());
  EXPECT_STREQ(missing.getString(), "nothing.bmp");
}

// The search's own folder and kMaxFindFileFolders - 2 empty ones are looked through first; a file
// in the next folder is found, one in the folder after is not. Then kMaxFindFileEntries - 2 files
// beside the folder holding it leave one entry to read there; one file more, and the folder is
// either not among the entries read or the budget is spent before it is opened.
TEST(StringC, FindFileLooksThroughALimitedNumberOfFoldersAndEntries) {
  TempDir folders;
  for (int i = 0; i < kMaxFindFileFolders - 2; ++i)
    std::filesystem::create_directories(folders.path() / ("a" + std::to_string(10000 + i)));
  folders.write("b/near.txt", "x");
  folders.write("c/far.txt", "x");
  folders.enter();
  EXPECT_TRUE(StringC("near.txt").findFile());
  EXPECT_FALSE(StringC("far.txt").findFile());

  TempDir entries;
  const std::filesystem::path first = entries.write("f100000", "");
  for (std::size_t i = 1; i + 2 < kMaxFindFileEntries; ++i)
    std::filesystem::create_hard_link(first, entries.path() / ("f" + std::to_string(100000 + i)));
  entries.write("sub/x.txt", "x");
  entries.enter();
  EXPECT_TRUE(StringC("x.txt").findFile());
  entries.write("one_more", "");
  EXPECT_FALSE(StringC("x.txt").findFile());
}
