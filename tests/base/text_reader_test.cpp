#include "base/text_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

std::vector<std::string> readAll(const std::string& content) {
  TempDir dir;
  const auto file = dir.write("t.txt", content);
  TextLineReader reader;
  EXPECT_TRUE(reader.open(file.string()));
  std::vector<std::string> lines;
  std::string line;
  while (reader.readLine(line))
    lines.push_back(line);
  return lines;
}

}  // namespace

TEST(TextLineReader, DropsLineEndsAndTheCarriageReturnBeforeThem) {
  EXPECT_EQ(readAll("a b\r\nc\n\r\nlast"), (std::vector<std::string>{"a b", "c", "", "last"}));
  // A CR inside a line stays: only the one before the line end is a line end.
  EXPECT_EQ(readAll("a\rb\n"), (std::vector<std::string>{"a\rb"}));
  // A zero byte ends the line's text.
  EXPECT_EQ(readAll(std::string("ab\0cd\nx", 7)), (std::vector<std::string>{"ab", "x"}));
}

TEST(TextLineReader, SplitsLinesLongerThan511Characters) {
  const std::string longLine(1100, 'x');
  const std::vector<std::string> lines = readAll(longLine + "\nend\n");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].size(), 511u);
  EXPECT_EQ(lines[1].size(), 511u);
  EXPECT_EQ(lines[2].size(), 78u);
  EXPECT_EQ(lines[3], "end");
  // Exactly 511 characters fill the buffer: the line end left behind reads as an empty line.
  EXPECT_EQ(readAll(std::string(511, 'y') + "\nz"),
            (std::vector<std::string>{std::string(511, 'y'), "", "z"}));
  EXPECT_EQ(readAll(std::string(510, 'y') + "\nz").size(), 2u);
}

TEST(TextLineReader, OpenFailsOnMissingFilesAndFolders) {
  TempDir dir;
  TextLineReader reader;
  EXPECT_FALSE(reader.open(dir.str() + "/missing.lscx"));
  EXPECT_FALSE(reader.open(dir.str()));
  std::string line;
  EXPECT_FALSE(reader.readLine(line));
}

TEST(FirstWord, IsTheFirstRunOfNonBlanks) {
  EXPECT_EQ(firstWord("  \t<MUSIC>  trailing"), "<MUSIC>");
  EXPECT_EQ(firstWord("desc: a b"), "desc:");
  EXPECT_EQ(firstWord("   "), "");
  EXPECT_EQ(firstWord(""), "");
}
