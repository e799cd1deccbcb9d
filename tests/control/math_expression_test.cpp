// Expressions: the right-to-left chains without precedence, groups and functions, the constants,
// labels read at every evaluation, and every report a text can cause.

#include "control/math_expression.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "base/report.h"

namespace {

// The value of a text without labels, with no report allowed on the way.
float valueOf(const std::string& text) {
  ReportCapture capture;
  CrtRand runtimeRand;
  MathExpression expression(StringC(text.c_str()), runtimeRand);
  EXPECT_TRUE(expression.prepare()) << text;
  const float value = expression.getValue();
  EXPECT_TRUE(capture.lines().empty()) << text << ": " << capture.lines().front();
  return value;
}

// "caption|text" of every report made while building, preparing and evaluating the text, and the
// value it then gives.
std::pair<std::vector<std::string>, float> reportsOf(const StringC& text) {
  ReportCapture capture;
  CrtRand runtimeRand;
  MathExpression expression(text, runtimeRand);
  expression.prepare();
  const float value = expression.getValue();
  return {capture.lines(), value};
}

TEST(MathExpressionChain, HasNoPrecedenceFoldsFromTheRightAndCallsFunctions) {
  const std::pair<const char*, float> cases[] = {
      {"10 - 4 - 3", 9.0f},  // 10 - (4 - 3)
      {"2 * 3 + 4", 14.0f},  // 2 * (3 + 4)
      {"(2 * 3) + 4", 10.0f},
      {"-3", 3.0f},              // the leading minus is read by no operand
      {"3 + + 4", 7.0f},         // the second plus is never read
      {"3 + 4 -", 7.0f},         // nor is a trailing operator
      {"5 / 0", 5.0f},           // division by 0 gives the left operand
      {"7 % 0", 7.0f},           // and so does the remainder
      {"(0 - 7.5) % 2", -1.5f},  // the remainder keeps the dividend's sign
      {"1.5.2 + 1", 2.5f},       // a number reads as far as "%f" would
      {". + 1", 1.0f},           // a lone point is the number 0
      {"1\t+\n2", 3.0f},         // tabs and newlines inside a word split tokens too
      {"1\t2", 1.0f},            // but only blanks separate words: one word keeps one token
      // Functions apply to their group; pi is a number.
      {"2 * cos(0) + 1", 4.0f},  // 2 * (1 + 1)
      {"pi", 3.1415927f},
      {"sin(pi / 2)", 1.0f},
      {"cos ( pi )", -1.0f},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(valueOf(text), expected) << text;
  EXPECT_EQ(valueOf("1" + std::string(50, '0')), std::numeric_limits<float>::infinity());
}

TEST(MathExpressionRand, DrawsFromTheSharedGeneratorOncePerOccurrenceAtBuild) {
  // The runtime sequence after srand(1): 41, 18467, 6334, 26500.
  CrtRand runtimeRand;
  MathExpression none("1 + 2", runtimeRand);  // draws nothing
  MathExpression two("rand - rand", runtimeRand);
  MathExpression next("rand", runtimeRand);
  ASSERT_TRUE(two.prepare());
  ASSERT_TRUE(next.prepare());
  EXPECT_EQ(two.getValue(), 41.0f - 18467.0f);
  EXPECT_EQ(two.getValue(), 41.0f - 18467.0f);  // taken once, not at every evaluation
  EXPECT_EQ(next.getValue(), 6334.0f);
  EXPECT_EQ(runtimeRand.rand(), 26500);
}

TEST(MathExpressionLabels, AreNamedInOrderAndReadAtEveryEvaluation) {
  CrtRand runtimeRand;
  MathExpression expression("a * b + a", runtimeRand);
  ASSERT_EQ(expression.getNbLabel(), 3);
  EXPECT_EQ(std::string(expression.getLabelName(0).view()), "a");
  EXPECT_EQ(std::string(expression.getLabelName(1).view()), "b");
  EXPECT_EQ(std::string(expression.getLabelName(2).view()), "a");
  float a = 2.0f;
  float b = 3.0f;
  float unused = 100.0f;
  expression.setLabel(0, &a);
  expression.setLabel(1, &b);
  expression.setLabel(2, &a);
  expression.setLabel(3, &unused);  // ignored
  ASSERT_TRUE(expression.prepare());
  EXPECT_EQ(expression.getValue(), 10.0f);  // 2 * (3 + 2)
  a = 1.0f;
  EXPECT_EQ(expression.getValue(), 4.0f);  // 1 * (3 + 1)
  ASSERT_TRUE(expression.prepare());       // preparing again rebuilds, it does not add up
  EXPECT_EQ(expression.getValue(), 4.0f);
  MathExpression moved(std::move(expression));  // the chains point into blocks the move keeps
  b = 5.0f;
  EXPECT_EQ(moved.getValue(), 6.0f);
  // A token that is not all digits and points is a label, even if it looks like a number.
  MathExpression exponent("1e5", runtimeRand);
  EXPECT_EQ(std::string(exponent.getLabelName(0).view()), "1e5");
}

TEST(MathExpressionReports, TextAndTokenChecks) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(reportsOf("").first, Lines{"MathExpression|expression len <= 0"});
  EXPECT_EQ(reportsOf("   ").first, Lines{"MathExpression|m_nbStringElement == 0"});
  // One word, two tokens: only "1" survives.
  EXPECT_EQ(reportsOf("1,5"),
            std::make_pair(Lines{"MathExpression|can't use , in expression"}, 1.0f));
  // A word made of a comma, and one made of a newline, leave fewer tokens than words.
  const std::string mismatch = "MathExpression|prepareExpression02: oops nb != m_nbStringElement";
  EXPECT_EQ(reportsOf("1 , 2"),
            std::make_pair(Lines{"MathExpression|can't use , in expression", mismatch}, 0.0f));
  EXPECT_EQ(reportsOf("1 +\n 2"), std::make_pair(Lines{mismatch}, 0.0f));
}

TEST(MathExpressionReports, PrepareFailuresLeaveTheValueZero) {
  const std::string manager = "MathExpressionElementManager|";
  const std::pair<const char*, const char*> cases[] = {
      {"2 3", "prepareGroup: can't find operator"},
      {"cos", "prepareGroup: function call without '(' !!!"},
      {"(1 + 2", "prepareGroup: bad order/number of '(' and ')'"},
      {"1 + 2)", "prepareGroup: groupSize <= 0"},
      {"()", "prepareGroup: nbElement <= 0"},
      {"x + y", "unknow label: x"},
  };
  for (const auto& [text, message] : cases) {
    const auto [lines, value] = reportsOf(text);
    ASSERT_FALSE(lines.empty()) << text;
    EXPECT_EQ(lines.front(), manager + message) << text;
    EXPECT_EQ(value, 0.0f) << text;
  }
  // Every unbound label is named before prepare gives up.
  EXPECT_EQ(reportsOf("x + y").first,
            (std::vector<std::string>{manager + "unknow label: x", manager + "unknow label: y"}));
}

}  // namespace
