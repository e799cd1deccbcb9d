#pragma once
// MathExpression: a short arithmetic text (a formula over controller values) parsed once into
// groups of operand chains and evaluated cheaply every frame. Two rules set it apart from a
// calculator: operators have no precedence, and a chain is evaluated from the right, so
// a - b - c is a - (b - c) and 2 * 3 + 4 is 2 * (3 + 4). Labels are names the owner binds to floats
// it updates itself; every evaluation reads them anew.
//
// The constant "rand" takes one number from the runtime generator the owner passes in, once per
// occurrence, when the expression is built. That generator stands for the C runtime's single rand
// state of the frame loop's thread: the owner keeps one for the whole program, hands the same one
// to every expression, and has everything that reseeded or drew from the runtime do the same to
// it (building the noise tables reseeds it with 548485 and draws from it), so existing shows get
// the numbers they were made with. Evaluation allocates nothing and never recurses: nesting depth
// and chain length are bounded only by memory.

#include <cstdint>
#include <vector>

#include "base/string_c.h"
#include "control/crt_rand.h"

// An element's kind; the numbers are the stored codes.
enum class MathExpressionKind : uint8_t {
  Number = 0,  // a literal, "pi" or "rand"
  Label = 2,
  Function = 3,
  Operation = 4,
  Open = 5,   // "(": starts a group
  Close = 6,  // ")"
};

// One of + - * / %; a division or remainder by 0 gives the left operand.
class MathExpressionOperation {
 public:
  static constexpr uint8_t kAdd = 0;
  static constexpr uint8_t kSubtract = 1;
  static constexpr uint8_t kMultiply = 2;
  static constexpr uint8_t kDivide = 3;
  static constexpr uint8_t kModulo = 4;
  static constexpr uint8_t kUnparsed = 255;

  // Takes the code of "+", "-", "*", "/" or "%"; anything else reports "unknow operation: ".
  bool init(const StringC& text);
  uint8_t getCode() const { return m_code; }
  // a op b; an unknown code gives a.
  float apply(float a, float b) const;

 private:
  uint8_t m_code = kUnparsed;
};

// sin or cos, in radians.
class MathExpressionFunction {
 public:
  static constexpr uint8_t kCos = 0;
  static constexpr uint8_t kSin = 1;
  static constexpr uint8_t kUnparsed = 255;

  // Takes the code of "sin" or "cos"; anything else reports "unknow function: ".
  bool init(const StringC& text);
  uint8_t getCode() const { return m_code; }
  // f(x); an unknown code gives x.
  float apply(float x) const;

 private:
  uint8_t m_code = kUnparsed;
};

// One operand of a group's chain: where its value is read, the operator after it (none for the
// last operand) and the next operand.
class MathExpressionOperand {
 public:
  // Each setter reports a null argument and keeps what it had.
  void setValue(const float* pValue);
  void setOperation(const MathExpressionOperation* pOperation);
  void setNext(const MathExpressionOperand* pNext);

  const float* getValuePointer() const { return m_pValue; }
  const MathExpressionOperation* getOperation() const { return m_pOperation; }
  const MathExpressionOperand* getNext() const { return m_pNext; }

 private:
  const float* m_pValue = nullptr;
  const MathExpressionOperation* m_pOperation = nullptr;
  const MathExpressionOperand* m_pNext = nullptr;
};

// A parenthesised group: its operands (a run of the manager's operand records), an optional
// function and the value of its last evaluation.
class MathExpressionGroup {
 public:
  explicit MathExpressionGroup(int32_t openIndex) : m_openIndex(openIndex) {}

  // Every operand has a value and every operand but the last an operator; reports otherwise.
  bool check() const;
  // Chain value from the right, then the function; stored as the group's value.
  void evaluate();

  int32_t m_openIndex;
  int32_t m_nbOperand = 0;
  MathExpressionOperand* m_pOperand = nullptr;  // m_nbOperand records, owned by the manager
  const MathExpressionFunction* m_pFunction = nullptr;
  float m_value = 1.0f;
};

// One token of the expression, with the implicit "(" and ")" around the whole text.
struct MathExpressionElement {
  StringC text;
  MathExpressionKind kind = MathExpressionKind::Number;
  float value = 0.0f;
  const float* pValue = nullptr;  // own value, the owner's float, or the group's value
  int32_t group = -1;             // index in the manager's groups, for "("
  MathExpressionOperation operation;
  MathExpressionFunction function;
  int32_t firstIndex = 0;
  int32_t endIndex = 0;  // for "(": the index of its matching ")"
};

// The elements, groups and labels of one expression.
class MathExpressionElementManager {
 public:
  // Builds the elements from the tokens: element 0 is "(", then one per token, then ")".
  // Reports "pStr: NULL", "init: nbElement <= 0", "init: blem pStr[i] NULL" and
  // "init: len pStr[i] <= 0" and then holds nothing.
  bool init(const StringC* pStr, int32_t nbElement, CrtRand& runtimeRand);

  int32_t getNbLabel() const { return static_cast<int32_t>(m_labels.size()); }
  // "NULL" outside 0..getNbLabel() - 1.
  StringC getLabelName(int32_t i) const;
  // Ignored outside the range; a null pointer leaves the label unbound.
  void setLabel(int32_t i, const float* pValue);

  // Builds the operand chains; every label must be bound first. False (after a report) leaves
  // the expression unusable.
  bool prepare();
  // 0 until prepare has succeeded.
  float getValue();

  bool isReady() const { return m_ready; }
  int32_t getNbElement() const { return static_cast<int32_t>(m_elements.size()); }
  int32_t getNbGroup() const { return static_cast<int32_t>(m_groups.size()); }
  const MathExpressionElement& getElement(int32_t i) const {
    return m_elements[static_cast<size_t>(i)];
  }

 private:
  bool createElement(MathExpressionElement& element, const StringC& token, CrtRand& runtimeRand);
  bool checkLabels() const;
  bool countOperands();
  bool createOperands();
  bool linkOperands();

  std::vector<MathExpressionElement> m_elements;
  std::vector<MathExpressionGroup> m_groups;
  std::vector<int32_t> m_labels;  // element indices of the labels, in element order
  std::vector<MathExpressionOperand> m_operands;
  std::vector<int32_t> m_stack;  // open groups while walking the elements
  bool m_ready = false;
};

class MathExpression {
 public:
  // Checks the text, spaces the operators and parentheses, tokenizes and builds the elements.
  // Reports go under the caption "MathExpression"; a text that fails leaves an expression whose
  // value is 0.
  MathExpression(const StringC& text, CrtRand& runtimeRand);
  MathExpression(const MathExpression&) = delete;
  MathExpression& operator=(const MathExpression&) = delete;
  // Internal pointers point into heap blocks, which a move hands over unchanged. (No move
  // assignment: assigning an unset text is a report of its own.)
  MathExpression(MathExpression&&) noexcept = default;
  MathExpression& operator=(MathExpression&&) = delete;

  int32_t getNbLabel() const { return m_elementManager.getNbLabel(); }
  StringC getLabelName(int32_t i) const { return m_elementManager.getLabelName(i); }
  void setLabel(int32_t i, const float* pValue) { m_elementManager.setLabel(i, pValue); }
  bool prepare() { return m_elementManager.prepare(); }
  float getValue() { return m_elementManager.getValue(); }

  const StringC& getText() const { return m_text; }
  int32_t getNbStringElement() const { return static_cast<int32_t>(m_tokens.size()); }
  const MathExpressionElementManager& getElementManager() const { return m_elementManager; }

 private:
  StringC m_text;
  std::vector<StringC> m_tokens;
  MathExpressionElementManager m_elementManager;
};
