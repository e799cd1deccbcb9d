#include "base/scan_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ScanLine, ReadsWordsIntegersAndReals) {
  ScanLine in("desc: blur   HVBLUR\t-12 +7 0.25 1e2");
  std::string a, b, c;
  std::int32_t i = 0, j = 0;
  float f = 0.0f, g = 0.0f;
  EXPECT_TRUE(in.word(a) && in.word(b) && in.word(c) && in.integer(i) && in.integer(j) &&
              in.real(f) && in.real(g));
  EXPECT_EQ(a, "desc:");
  EXPECT_EQ(c, "HVBLUR");
  EXPECT_EQ(i, -12);
  EXPECT_EQ(j, 7);
  EXPECT_EQ(f, 0.25f);
  EXPECT_EQ(g, 100.0f);
}

TEST(ScanLine, AFieldThatDoesNotParseOrIsMissingStopsTheLineAndKeepsDefaults) {
  ScanLine in("desc: x 12abc 5");
  std::string word, rest;
  std::int32_t n = -1, m = 99;
  EXPECT_TRUE(in.skip());
  EXPECT_TRUE(in.word(word));
  // A number takes its longest prefix; the rest is the next field, as in C's reader.
  EXPECT_TRUE(in.integer(n));
  EXPECT_EQ(n, 12);
  EXPECT_FALSE(in.integer(m));
  EXPECT_EQ(m, 99);
  EXPECT_FALSE(in.word(rest));
  EXPECT_TRUE(rest.empty());
  EXPECT_TRUE(in.failed());
  EXPECT_EQ(in.count(), 3);
  // A missing field fails too.
  ScanLine blank("desc:   ");
  float f = 64.0f;
  EXPECT_TRUE(blank.word(word));
  EXPECT_FALSE(blank.real(f));
  EXPECT_EQ(f, 64.0f);
}

TEST(ScanLine, SignsAndOddNumbers) {
  std::int32_t n = 0;
  EXPECT_FALSE(ScanLine("-").integer(n));
  EXPECT_TRUE(ScanLine("-99999999999999999999").integer(n));
  EXPECT_EQ(n, std::numeric_limits<std::int32_t>::min());

  float f = 0.0f;
  EXPECT_FALSE(ScanLine(".").real(f));
  EXPECT_TRUE(ScanLine("-.5").real(f));
  EXPECT_EQ(f, -0.5f);
  EXPECT_TRUE(ScanLine("1e999").real(f));
  EXPECT_TRUE(std::isinf(f));
}
