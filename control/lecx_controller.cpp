// The parameter list, formulas and bindings shared by every .lecx controller kind.

#include "control/lecx_controller.h"

#include <algorithm>
#include <string>

#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "base/report.h"
#include "control/lcx_controller.h"

namespace {
constexpr std::uint16_t kParamListChunk = 100;
constexpr std::uint16_t kParamCountChunk = 101;
constexpr std::uint16_t kParamChunk = 102;
constexpr std::uint16_t kParamNameChunk = 1;
constexpr std::uint16_t kParamFormulaChunk = 2;
constexpr std::uint16_t kParamModeChunk = 3;

constexpr std::string_view kTime1 = "time1";
constexpr std::string_view kTime2 = "time2";

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

LECXControllerParam loadParam(ChunkFileReader& chunk) {
  LECXControllerParam param;
  ChunkFileReader field;
  while (chunk.nextChild(field)) {
    switch (field.getIdentifier()) {
      case kParamNameChunk:
        param.name = field.readString();
        break;
      case kParamFormulaChunk:
        param.formula = field.readString();
        break;
      case kParamModeChunk:
        param.mode = field.readInt();
        break;
      default:
        break;
    }
  }
  return param;
}
}  // namespace

bool lecxEqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}

void LECXController::addParam(const LECXControllerParam& param) {
  if (m_params.size() == m_params.capacity()) m_params.reserve(m_params.size() + kParamGrowth);
  m_params.push_back(param);
}

bool LECXController::load(ChunkFileReader& chunk, ChunkFileReaderManager& manager) {
  ChunkFileReader list;
  while (!manager.hasFailed() && chunk.nextChild(list)) {
    if (list.getIdentifier() != kParamListChunk) continue;
    ChunkFileReader counted;
    while (!manager.hasFailed() && list.nextChild(counted)) {
      if (counted.getIdentifier() != kParamCountChunk) continue;
      // The written count; the records themselves say how many there are.
      (void)counted.readInt();
      ChunkFileReader record;
      while (!manager.hasFailed() && counted.nextChild(record)) {
        if (record.getIdentifier() != kParamChunk) continue;
        LECXControllerParam param = loadParam(record);
        if (manager.hasFailed()) break;
        addParam(param);
      }
    }
  }
  return !manager.hasFailed();
}

void LECXController::save(ChunkFileWriterManager& manager) const {
  ChunkFileWriter list(&manager);
  list.beginChunk(kParamListChunk);
  ChunkFileWriter counted(&manager);
  counted.beginChunk(kParamCountChunk);
  counted.writeInt(static_cast<int32_t>(m_params.size()));
  for (const LECXControllerParam& param : m_params) {
    ChunkFileWriter record(&manager);
    record.beginChunk(kParamChunk);
    ChunkFileWriter field(&manager);
    field.writeStringChunk(kParamNameChunk, param.name);
    field.writeStringChunk(kParamFormulaChunk, param.formula);
    field.writeIntChunk(kParamModeChunk, param.mode);
    record.endChunk();
  }
  counted.endChunk();
  list.endChunk();
}

void LECXController::getParamTypeNames(StringC* pNames) const {
  if (!pNames) return;
  for (const std::string_view name : paramTypeNames())
    *pNames++ = StringC(name);
}

bool LECXController::bind() {
  m_bindings.clear();
  const std::span<const std::string_view> names = paramTypeNames();
  bool allFound = true;
  for (size_t i = 0; i < m_params.size(); ++i) {
    const std::string_view name = m_params[i].name.view();
    size_t type = 0;
    while (type < names.size() && !lecxEqualsIgnoreCase(name, names[type]))
      ++type;
    if (type == names.size()) {
      report(caption(), "can t find param type: " + std::string(name), ReportLevel::Warning);
      allFound = false;
      continue;
    }
    m_bindings.push_back({static_cast<int32_t>(i), static_cast<uint8_t>(type)});
  }
  return allFound;
}

void LECXController::prepare(CrtRand& runtimeRand) {
  m_expressions.clear();
  m_controllerNames.clear();
  m_pControllers.clear();
  m_controllerValues.clear();
  m_bindings.clear();
  m_expressionsPrepared = false;
  m_results.assign(m_params.size(), 0.0f);
  m_expressions.reserve(m_params.size());
  for (const LECXControllerParam& param : m_params)
    m_expressions.emplace_back(param.formula, runtimeRand);

  // Controller names first, so the value array is sized before labels point into it.
  const auto isTime = [](std::string_view label) { return label == kTime1 || label == kTime2; };
  const auto findController = [this](std::string_view label) {
    size_t i = 0;
    while (i < m_controllerNames.size() && m_controllerNames[i].view() != label)
      ++i;
    return i;
  };
  for (const MathExpression& expression : m_expressions) {
    for (int32_t label = 0; label < expression.getNbLabel(); ++label) {
      const StringC name = expression.getLabelName(label);
      if (!isTime(name.view()) && findController(name.view()) == m_controllerNames.size())
        m_controllerNames.push_back(name);
    }
  }
  m_pControllers.assign(m_controllerNames.size(), nullptr);
  m_controllerValues.assign(m_controllerNames.size(), 0.0f);

  for (MathExpression& expression : m_expressions) {
    for (int32_t label = 0; label < expression.getNbLabel(); ++label) {
      const StringC name = expression.getLabelName(label);
      if (name.view() == kTime1)
        expression.setLabel(label, &m_time1);
      else if (name.view() == kTime2)
        expression.setLabel(label, &m_time2);
      else
        expression.setLabel(label, &m_controllerValues[findController(name.view())]);
    }
  }
}

void LECXController::prepareExpressions() {
  if (m_expressionsPrepared) return;
  m_expressionsPrepared = true;
  for (MathExpression& expression : m_expressions)
    expression.prepare();
}

StringC LECXController::getControllerName(int32_t i) const {
  if (i < 0 || static_cast<size_t>(i) >= m_controllerNames.size()) return StringC("NULL");
  return m_controllerNames[static_cast<size_t>(i)];
}

void LECXController::setController(int32_t i, LCXController* pController) {
  if (i < 0 || static_cast<size_t>(i) >= m_pControllers.size()) return;
  m_pControllers[static_cast<size_t>(i)] = pController;
}

float LECXController::getResult(int32_t i) const {
  if (i < 0 || static_cast<size_t>(i) >= m_results.size()) return 0.0f;
  return m_results[static_cast<size_t>(i)];
}

void LECXController::evaluate() {
  for (size_t i = 0; i < m_pControllers.size(); ++i)
    if (m_pControllers[i]) m_controllerValues[i] = m_pControllers[i]->getValue(m_time1);
  // The results are sized by prepare; before it there is nothing to evaluate.
  const size_t nbResult = std::min(m_results.size(), m_expressions.size());
  for (size_t i = 0; i < nbResult; ++i)
    m_results[i] = m_expressions[i].getValue();
}

void LECXController::writeBindings(float* const* pFields) {
  for (const Binding& binding : m_bindings) {
    float* pField = pFields[binding.type];
    if (pField) *pField = getResult(binding.param);
  }
}
