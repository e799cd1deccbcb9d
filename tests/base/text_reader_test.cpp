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

TEST(TextLineReader, LineEndsZeroBytesAndLongLines) {
  const std::string x511(511, 'x');
  const struct {
    std::string content;
    std::vector<std::string> lines;
  } kCases[] = {
      // Only a CR before the line end is part of the line end; a zero byte ends the line's text.
      {"a b\r\nc\n\r\nlast", {"a b", "c", "", "last"}},
      {"a\rb\n", {"a\rb"}},
      {std::string("ab\0cd\nx", 7), {"ab", "x"}},
      // Longer lines are split after 511 characters; exactly 511 fill the buffer, and the line
      // end left behind reads as an empty line.
      {std::string(1100, 'x') + "\nend\n", {x511, x511, std::string(78, 'x'), "end"}},
      {x511 + "\nz", {x511, "", "z"}},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(readAll(c.content), c.lines) << c.content.substr(0, 12);
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
  EXPECT_EQ(firstWord("   "), "");
}
