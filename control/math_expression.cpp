#include "control/math_expression.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "base/report.h"

namespace {

constexpr const char* kCaptionExpression = "MathExpression";
constexpr const char* kCaptionManager = "MathExpressionElementManager";
constexpr const char* kCaptionGroup = "MathExpressionGroup: ";
constexpr float kPi = 3.1415927f;

bool isSpacedCharacter(char c) {
  return c == '+' || c == '-' || c == '*' || c == '/' || c == '%' || c == '(' || c == ')';
}

bool isNumberText(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if ((c < '0' || c > '9') && c != '.') return false;
  return true;
}

// The value a "%f" scan gives for a run of digits and dots: the longest leading decimal number
// ("1.5.2" reads 1.5), 0 when there is none ("."), infinity past the float range.
float readNumber(std::string_view text) {
  float value = 0.0f;
  const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)pEnd;
  if (error == std::errc::result_out_of_range) {
    // Too large when a non-zero digit precedes the point, too small otherwise.
    for (char c : text) {
      if (c == '.') break;
      if (c != '0') return std::numeric_limits<float>::infinity();
    }
    return 0.0f;
  }
  return error == std::errc() ? value : 0.0f;
}

bool isOperand(MathExpressionKind kind) {
  return kind == MathExpressionKind::Number || kind == MathExpressionKind::Label ||
         kind == MathExpressionKind::Open;
}

}  // namespace

// ---- MathExpressionOperation, MathExpressionFunction, MathExpressionOperand

bool MathExpressionOperation::init(const StringC& text) {
  const std::string_view t = text.view();
  static constexpr std::string_view kTexts[] = {"+", "-", "*", "/", "%"};
  for (uint8_t code = 0; code < 5; ++code) {
    if (t == kTexts[code]) {
      m_code = code;
      return true;
    }
  }
  report("MathExpressionOperation", "unknow operation: " + std::string(t));
  return false;
}

float MathExpressionOperation::apply(float a, float b) const {
  switch (m_code) {
    case kAdd:
      return a + b;
    case kSubtract:
      return a - b;
    case kMultiply:
      return a * b;
    case kDivide:
      return b == 0.0f ? a : a / b;
    case kModulo:
      return b == 0.0f ? a : std::fmod(a, b);
    default:
      return a;
  }
}

bool MathExpressionFunction::init(const StringC& text) {
  const std::string_view t = text.view();
  if (t == "sin") {
    m_code = kSin;
    return true;
  }
  if (t == "cos") {
    m_code = kCos;
    return true;
  }
  report("MathExpressionFunction", "unknow function: " + std::string(t));
  return false;
}

float MathExpressionFunction::apply(float x) const {
  switch (m_code) {
    case kSin:
      return std::sin(x);
    case kCos:
      return std::cos(x);
    default:
      return x;
  }
}

void MathExpressionOperand::setValue(const float* pValue) {
  if (!pValue) {
    report("MathExpressionOperand", "setValue: pValue NULL");
    return;
  }
  m_pValue = pValue;
}

void MathExpressionOperand::setOperation(const MathExpressionOperation* pOperation) {
  if (!pOperation) {
    report("MathExpressionOperand", "setOperation: pOperation NULL");
    return;
  }
  m_pOperation = pOperation;
}

void MathExpressionOperand::setNext(const MathExpressionOperand* pNext) {
  if (!pNext) {
    report("MathExpressionOperand", "setNext: pNext NULL");
    return;
  }
  m_pNext = pNext;
}

// ---- MathExpressionGroup

bool MathExpressionGroup::check() const {
  for (int32_t k = 0; k < m_nbOperand; ++k) {
    const MathExpressionOperand& operand = m_pOperand[k];
    if (!operand.getValuePointer()) {
      report(kCaptionGroup, "init: m_pValue NULL -> big blem");
      return false;
    }
    if (k + 1 < m_nbOperand && !operand.getOperation()) {
      report(kCaptionGroup, "init: m_pOperation NULL -> big blem");
      return false;
    }
  }
  return m_nbOperand > 0;
}

// value(k) = operand k op(k) value(k + 1), the last operand alone: folded from the right, so a
// chain of any length takes no stack.
void MathExpressionGroup::evaluate() {
  int32_t k = m_nbOperand - 1;
  float value = *m_pOperand[k].getValuePointer();
  while (--k >= 0) {
    const MathExpressionOperand& operand = m_pOperand[k];
    value = operand.getOperation()->apply(*operand.getValuePointer(), value);
  }
  m_value = m_pFunction ? m_pFunction->apply(value) : value;
}

// ---- MathExpressionElementManager

bool MathExpressionElementManager::init(const StringC* pStr, int32_t nbElement,
                                        CrtRand& runtimeRand) {
  m_elements.clear();
  m_groups.clear();
  m_labels.clear();
  m_operands.clear();
  m_ready = false;
  if (!pStr) {
    report(kCaptionManager, "pStr: NULL");
    return false;
  }
  if (nbElement <= 0) {
    report(kCaptionManager, "init: nbElement <= 0");
    return false;
  }
  // Sized once: number and group values are read through pointers into these records.
  const size_t nbToken = static_cast<size_t>(nbElement);
  m_elements.resize(nbToken + 2);
  m_elements.front().text = "(";
  m_elements.front().kind = MathExpressionKind::Open;
  m_elements.back().text = ")";
  m_elements.back().kind = MathExpressionKind::Close;
  for (size_t i = 0; i < nbToken; ++i) {
    if (!createElement(m_elements[i + 1], pStr[i], runtimeRand)) {
      m_elements.clear();
      return false;
    }
  }

  int32_t nbGroup = 0;
  for (const MathExpressionElement& element : m_elements)
    if (element.kind == MathExpressionKind::Open) ++nbGroup;
  m_groups.reserve(static_cast<size_t>(nbGroup));
  for (size_t i = 0; i < m_elements.size(); ++i) {
    MathExpressionElement& element = m_elements[i];
    const auto index = static_cast<int32_t>(i);
    if (element.kind == MathExpressionKind::Open) {
      element.group = static_cast<int32_t>(m_groups.size());
      m_groups.emplace_back(index);
      element.pValue = &m_groups.back().m_value;
    } else if (element.kind == MathExpressionKind::Number) {
      element.pValue = &element.value;
    } else if (element.kind == MathExpressionKind::Label) {
      m_labels.push_back(index);
    }
  }
  return true;
}

bool MathExpressionElementManager::createElement(MathExpressionElement& element,
                                                 const StringC& token, CrtRand& runtimeRand) {
  if (!token.getString()) {
    report(kCaptionManager, "init: blem pStr[i] NULL");
    return false;
  }
  const std::string_view text = token.view();
  if (text.empty()) {
    report(kCaptionManager, "init: len pStr[i] <= 0");
    return false;
  }
  element.text = token.getString();
  if (isNumberText(text)) {
    element.kind = MathExpressionKind::Number;
    element.value = readNumber(text);
  } else if (text.size() == 1 && isSpacedCharacter(text[0]) && text[0] != '(' && text[0] != ')') {
    element.kind = MathExpressionKind::Operation;
    element.operation.init(token);
  } else if (text == "sin" || text == "cos") {
    element.kind = MathExpressionKind::Function;
    element.function.init(token);
  } else if (text == "(") {
    element.kind = MathExpressionKind::Open;
  } else if (text == ")") {
    element.kind = MathExpressionKind::Close;
  } else if (text == "pi") {
    element.kind = MathExpressionKind::Number;
    element.value = kPi;
  } else if (text == "rand") {
    element.kind = MathExpressionKind::Number;
    element.value = static_cast<float>(runtimeRand.rand());
  } else {
    element.kind = MathExpressionKind::Label;
  }
  return true;
}

StringC MathExpressionElementManager::getLabelName(int32_t i) const {
  if (i < 0 || i >= getNbLabel()) return StringC("NULL");
  return m_elements[static_cast<size_t>(m_labels[static_cast<size_t>(i)])].text;
}

void MathExpressionElementManager::setLabel(int32_t i, const float* pValue) {
  if (i < 0 || i >= getNbLabel()) return;
  m_elements[static_cast<size_t>(m_labels[static_cast<size_t>(i)])].pValue = pValue;
}

bool MathExpressionElementManager::prepare() {
  m_ready = false;
  m_operands.clear();
  if (m_elements.empty()) return false;
  if (!checkLabels() || !countOperands() || !createOperands() || !linkOperands()) return false;
  for (const MathExpressionGroup& group : m_groups)
    if (!group.check()) return false;
  m_ready = true;
  return true;
}

bool MathExpressionElementManager::checkLabels() const {
  bool allBound = true;
  for (int32_t index : m_labels) {
    const MathExpressionElement& label = m_elements[static_cast<size_t>(index)];
    if (!label.pValue) {
      report(kCaptionManager, "unknow label: " + std::string(label.text.view()));
      allBound = false;
    }
  }
  return allBound;
}

// First pass: which group each operand belongs to, the matching ")" of every "(" and the
// function of every group. The stack of open groups is a vector, so any depth is fine.
bool MathExpressionElementManager::countOperands() {
  for (MathExpressionGroup& group : m_groups) {
    group.m_nbOperand = 0;
    group.m_pOperand = nullptr;
    group.m_pFunction = nullptr;
  }
  const auto nbElement = static_cast<int32_t>(m_elements.size());
  m_stack.assign(1, 0);
  for (int32_t i = 1; i < nbElement; ++i) {
    if (m_stack.empty()) {
      report(kCaptionManager, "prepareGroup: groupSize <= 0");
      return false;
    }
    MathExpressionElement& element = m_elements[static_cast<size_t>(i)];
    MathExpressionGroup& top = m_groups[static_cast<size_t>(m_stack.back())];
    switch (element.kind) {
      case MathExpressionKind::Number:
      case MathExpressionKind::Label:
      case MathExpressionKind::Open:
        ++top.m_nbOperand;
        element.firstIndex = i;
        element.endIndex = i;
        if (element.kind == MathExpressionKind::Open) m_stack.push_back(element.group);
        break;
      case MathExpressionKind::Close:
        m_elements[static_cast<size_t>(top.m_openIndex)].endIndex = i;
        m_stack.pop_back();
        break;
      case MathExpressionKind::Function: {
        // The last element is always ")", so i + 1 exists.
        const MathExpressionElement& next = m_elements[static_cast<size_t>(i + 1)];
        if (next.kind != MathExpressionKind::Open) {
          report(kCaptionManager, "prepareGroup: function call without '(' !!!");
          return false;
        }
        m_groups[static_cast<size_t>(next.group)].m_pFunction = &element.function;
        break;
      }
      case MathExpressionKind::Operation:
        break;
    }
  }
  if (!m_stack.empty()) {
    report(kCaptionManager, "prepareGroup: bad order/number of '(' and ')'");
    return false;
  }
  return true;
}

// Every group gets its run of operand records, chained in text order.
bool MathExpressionElementManager::createOperands() {
  size_t nbOperand = 0;
  for (const MathExpressionGroup& group : m_groups) {
    if (group.m_nbOperand <= 0) {
      report(kCaptionManager, "prepareGroup: nbElement <= 0");
      return false;
    }
    nbOperand += static_cast<size_t>(group.m_nbOperand);
  }
  m_operands.assign(nbOperand, MathExpressionOperand());
  MathExpressionOperand* pNext = m_operands.data();
  for (MathExpressionGroup& group : m_groups) {
    group.m_pOperand = pNext;
    for (int32_t k = 0; k + 1 < group.m_nbOperand; ++k)
      group.m_pOperand[k].setNext(&group.m_pOperand[k + 1]);
    pNext += group.m_nbOperand;
  }
  return true;
}

// Second pass: every operand's value and the operator right after it (after the matching ")"
// for a group). Operators that no operand reads, as the leading minus of "-3", are ignored.
bool MathExpressionElementManager::linkOperands() {
  std::vector<int32_t> nbFilled(m_groups.size(), 0);
  const auto nbElement = static_cast<int32_t>(m_elements.size());
  m_stack.assign(1, 0);
  for (int32_t i = 1; i < nbElement && !m_stack.empty(); ++i) {
    const MathExpressionElement& element = m_elements[static_cast<size_t>(i)];
    if (element.kind == MathExpressionKind::Close) {
      m_stack.pop_back();
      continue;
    }
    if (!isOperand(element.kind)) continue;
    const auto groupIndex = static_cast<size_t>(m_stack.back());
    MathExpressionGroup& group = m_groups[groupIndex];
    const int32_t k = nbFilled[groupIndex]++;
    MathExpressionOperand& operand = group.m_pOperand[k];
    operand.setValue(element.pValue);
    if (k + 1 < group.m_nbOperand) {
      const int32_t after = element.endIndex + 1;
      if (after >= nbElement ||
          m_elements[static_cast<size_t>(after)].kind != MathExpressionKind::Operation) {
        report(kCaptionManager, "prepareGroup: can't find operator");
        return false;
      }
      operand.setOperation(&m_elements[static_cast<size_t>(after)].operation);
    }
    if (element.kind == MathExpressionKind::Open) m_stack.push_back(element.group);
  }
  return true;
}

// Groups are numbered in text order, so every inner group comes after the groups holding it:
// walking them backwards evaluates each one before it is read.
float MathExpressionElementManager::getValue() {
  if (!m_ready) return 0.0f;
  for (size_t i = m_groups.size(); i-- > 0;)
    m_groups[i].evaluate();
  return m_groups.front().m_value;
}

// ---- MathExpression

MathExpression::MathExpression(const StringC& text, CrtRand& runtimeRand) {
  if (!text.getString()) {
    report(kCaptionExpression, "expression NULL");
    return;
  }
  m_text = text;
  const std::string_view source = text.view();
  if (source.empty()) {
    report(kCaptionExpression, "expression len <= 0");
    return;
  }
  for (char c : source)
    if (c == ',') report(kCaptionExpression, "can't use , in expression");

  // Every operator and parenthesis becomes a word of its own.
  std::string spaced;
  spaced.reserve(source.size() * 3);
  for (char c : source) {
    if (isSpacedCharacter(c)) {
      spaced += ' ';
      spaced += c;
      spaced += ' ';
    } else {
      spaced += c;
    }
  }
  int32_t nbWord = 0;
  for (size_t i = 0; i < spaced.size(); ++i)
    if (spaced[i] != ' ' && (i == 0 || spaced[i - 1] == ' ')) ++nbWord;
  if (nbWord == 0) {
    report(kCaptionExpression, "m_nbStringElement == 0");
    return;
  }

  // The tokenizer also splits at commas, tabs and newlines; only the first nbWord tokens count.
  m_tokens.resize(static_cast<size_t>(nbWord));
  const int32_t nbToken = StringC(spaced).tokenize(m_tokens.data(), nbWord);
  if (nbToken < nbWord) {
    report(kCaptionExpression, "prepareExpression02: oops nb != m_nbStringElement");
    m_tokens.clear();
    return;
  }
  m_elementManager.init(m_tokens.data(), nbToken, runtimeRand);
}
