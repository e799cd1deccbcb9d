#include "base/text_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

// A missing file or a folder is refused before reading: the app tests see the script's report.
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
  TempDir dir;
  for (const auto& c : kCases) {
    TextLineReader reader;
    ASSERT_TRUE(reader.open(dir.write("t.txt", c.content).string()));
    std::vector<std::string> lines;
    for (std::string line; reader.readLine(line);)
      lines.push_back(line);
    EXPECT_EQ(lines, c.lines) << c.content.substr(0, 12);
  }
}
