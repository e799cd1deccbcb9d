#include "base/string_c.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/report.h"
#include "tests/support/temp_dir.h"

TEST(StringC, ComparisonFollowsTheLeftCaseRuleAndReportsUnsetSides) {
  ReportCapture capture;
  StringC upper("Layer"), lower("layer");
  EXPECT_FALSE(upper == lower);
  upper.setCaseSensitive(0);
  EXPECT_TRUE(upper == lower);
  // The right string's rule does not matter.
  StringC exact("layer");
  StringC loose("LAYER");
  loose.setCaseSensitive(0);
  EXPECT_FALSE(exact == loose);
  EXPECT_TRUE(loose == exact);
  EXPECT_TRUE(loose == "Layer");
  EXPECT_TRUE(capture.reports().empty());
  // Comparing with an unset string is reported and false.
  StringC unset, text("a");
  EXPECT_FALSE(unset == text);
  EXPECT_FALSE(text == unset);
  EXPECT_FALSE(text == static_cast<const char*>(nullptr));
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"StringC|==: src1 name NULL", "StringC|==: src2 name NULL",
                                      "StringC|==: src2 name NULL"}));
}

TEST(StringC, AssigningAnUnsetStringKeepsTheOldTextAndReports) {
  ReportCapture capture;
  StringC target("old"), unset;
  target = unset;
  EXPECT_STREQ(target.getString(), "old");
  target = static_cast<const char*>(nullptr);
  EXPECT_STREQ(target.getString(), "old");
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"StringC|making NULL copy", "StringC|=: name NULL"}));
}

TEST(StringC, CopyTakesTheCaseRuleAssignmentFromCharactersKeepsIt) {
  StringC source("Abc");
  source.setCaseSensitive(0);
  StringC copy(source);
  EXPECT_EQ(copy.getCaseSensitive(), 0);
  StringC assigned;
  assigned = source;
  EXPECT_EQ(assigned.getCaseSensitive(), 0);
  assigned = "xyz";
  EXPECT_EQ(assigned.getCaseSensitive(), 0);
  EXPECT_STREQ(assigned.getString(), "xyz");
  // Copies own their text.
  source.toLower();
  EXPECT_STREQ(copy.getString(), "Abc");
  EXPECT_STREQ(source.getString(), "abc");
}

TEST(StringC, ConcatenationReportsAnUnsetSide) {
  ReportCapture capture;
  StringC a("data/"), b("show.lscx"), unset;
  EXPECT_STREQ((a + b).getString(), "data/show.lscx");
  a += "x";
  EXPECT_STREQ(a.getString(), "data/x");
  EXPECT_TRUE((unset + b).isEmpty());
  EXPECT_TRUE((b + unset).isEmpty());
  EXPECT_EQ(capture.lines(),
            (std::vector<std::string>{"StringC|+: src1 name NULL", "StringC|+: src2 name NULL"}));
  // += of an unset string: the empty sum is not assigned, and that is reported as well.
  capture.clear();
  a += unset;
  EXPECT_STREQ(a.getString(), "data/x");
  EXPECT_EQ(capture.texts(), (std::vector<std::string>{"+: src2 name NULL", "making NULL copy"}));
}

TEST(StringC, IsInIgnoresCaseOnlyUnderRuleZero) {
  StringC ext(".LSCX"), file("show.lscx");
  EXPECT_FALSE(ext.isIn(file));
  ext.setCaseSensitive(0);
  EXPECT_TRUE(ext.isIn(file));
  EXPECT_TRUE(StringC("how").isIn(file));
  EXPECT_FALSE(StringC().isIn(file));
  EXPECT_FALSE(ext.isIn(StringC()));
}

TEST(StringC, TokenizeSplitsOnBlankCommaTabNewline) {
  StringC line("  alpha , beta\tgamma\n delta");
  StringC tokens[8];
  EXPECT_EQ(line.tokenize(tokens, 8), 4);
  EXPECT_STREQ(tokens[0].getString(), "alpha");
  EXPECT_STREQ(tokens[3].getString(), "delta");
  StringC one[1];
  EXPECT_EQ(line.tokenize(one, 1), 1);
  EXPECT_STREQ(one[0].getString(), "alpha");
  StringC none[4];
  EXPECT_EQ(StringC(" ,\t\n ,").tokenize(none, 4), 0);
  EXPECT_TRUE(none[0].isEmpty());
}

TEST(StringC, GetToken) {
  ReportCapture capture;
  StringC line("one , two , three");
  EXPECT_STREQ(line.getToken(2).getString(), "three");
  EXPECT_STREQ(line.getToken(0).getString(), "one");
  EXPECT_STREQ(line.getToken(-1).getString(), "NULL");
  EXPECT_TRUE(capture.reports().empty());
  EXPECT_TRUE(line.getToken(3).isEmpty());
  EXPECT_EQ(capture.texts(), std::vector<std::string>{"making NULL copy"});
}

TEST(StringC, SplitPathAndKeepFileNameAcceptBothSeparators) {
  StringC dir, file;
  StringC("data\\lcx\\wave.lcx").splitPath(dir, file);
  EXPECT_STREQ(dir.getString(), "data\\lcx\\");
  EXPECT_STREQ(file.getString(), "wave.lcx");
  StringC("/shows/a/show.lscx").splitPath(dir, file);
  EXPECT_STREQ(dir.getString(), "/shows/a/");
  EXPECT_STREQ(file.getString(), "show.lscx");
  StringC("show.lscx").splitPath(dir, file);
  EXPECT_STREQ(dir.getString(), "");
  EXPECT_STREQ(file.getString(), "show.lscx");

  StringC name("data\\lcx/beat.curve.lcx");
  name.keepFileName();
  EXPECT_STREQ(name.getString(), "beat.curve");
}

TEST(StringC, FindFileSearchesTheCurrentDirectoryThenBelowIt) {
  TempDir dir;
  dir.write("a/b/deep.bmp", "x");
  dir.write("z/deep.bmp", "y");
  dir.write("top.bmp", "t");
  dir.enter();
  const std::string root = std::filesystem::current_path().string();

  StringC top("top.bmp");
  ASSERT_TRUE(top.findFile());
  EXPECT_EQ(std::string(top.getString()), root + "/top.bmp");

  // Depth first, in listing order: a/b/ comes before z/.
  StringC deep("deep.bmp");
  ASSERT_TRUE(deep.findFile());
  EXPECT_EQ(std::string(deep.getString()), root + "/a/b/deep.bmp");

  StringC missing("nothing.bmp");
  EXPECT_FALSE(missing.findFile());
  EXPECT_STREQ(missing.getString(), "nothing.bmp");

  // Backslashes and another case still find a relative path.
  dir.write("Data/Pics/Logo.BMP", "x");
  StringC path("data\\pics\\logo.bmp");
  ASSERT_TRUE(path.findFile());
  EXPECT_EQ(std::string(path.getString()), "Data/Pics/Logo.BMP");
}

TEST(StringC, ShowMessageIsAPlainReport) {
  ReportCapture capture;
  StringC("hello").showMessage();
  ASSERT_EQ(capture.reports().size(), 1u);
  EXPECT_EQ(capture.reports()[0].caption, "StringC:");
  EXPECT_EQ(capture.reports()[0].text, "hello");
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Plain);
}
