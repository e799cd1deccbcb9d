#include "script/script_layer_manager.h"

#include <map>

#include "base/frame_profile.h"
#include "base/report.h"
#include "base/scan_line.h"
#include "control/lecx_controller.h"
#include "script/render_data.h"
#include "script/script_effect.h"
#include "script/script_engine.h"
#include "script/script_mix.h"

void ScriptLayerOperation::setControllerTimes(LECXController* pController) const {
  if (!pController) return;
  pController->setTime1(static_cast<float>(m_time));
  pController->setTime2(static_cast<float>(m_end));
}

void ScriptLayerOperationClear::execute() {
  const ProfileScope scope(ProfileCategory::kFill);
  if (m_pDestination) m_pDestination->fill(m_color);
}

void ScriptLayerOperationWrite::execute() {
  // A scene's drawing counts as the scene's (nested scopes): the rest is the copy.
  const ProfileScope scope(ProfileCategory::kFill);
  if (!m_pRenderData) {
    report("ScriptLayerOperationWrite :", "m_pRenderData NULL");
    return;
  }
  setControllerTimes(m_pRenderData->getController());
  m_pRenderData->setTimes(m_time, static_cast<std::int32_t>(std::int64_t{m_time} - m_start));
  m_pRenderData->render(m_pDestination);
}

void ScriptLayerOperationEffect::execute() {
  const ProfileScope scope(ProfileCategory::kEffect2D);
  if (!m_pEffect) {
    report("ScriptLayerOperationEffect :", "m_pEffect NULL");
    return;
  }
  setControllerTimes(m_pEffect->getController());
  m_pEffect->apply(m_pDestination);
}

void ScriptLayerOperationMix::execute() {
  const ProfileScope scope(ProfileCategory::kMix);
  constexpr const char* kCaption = "ScriptLayerOperationMix :";
  if (!m_pDestination) {
    report(kCaption, "no destination buffer set");
    return;
  }
  if (!m_pSource) {
    report(kCaption, "no src buffer set");
    return;
  }
  if (!m_pMix) {
    report(kCaption, "m_pMix NULL");
    return;
  }
  setControllerTimes(m_pMix->getController());
  m_pMix->setTimes(static_cast<float>(m_time), static_cast<float>(m_end));
  m_pMix->mix(m_pDestination, m_pSource);
}

void ScriptLayerManager::setDestination(CImage32* pImage) {
  if (!pImage) return;
  if (m_pDestination && (pImage->getWidth() != m_pDestination->getWidth() ||
                         pImage->getHeight() != m_pDestination->getHeight())) {
    report("ScriptLayerManager :", "setDestination: different dimensions !");
    return;
  }
  m_pDestination = pImage;
}

namespace {

// The operation of a line of this layer, with its own pattern after the common fields
// "desc:" layer position start end operation.
std::unique_ptr<ScriptLayerOperation> createOperation(const std::string& line,
                                                      const std::string& operation, ScanLine& in,
                                                      ScriptEngine& engine) {
  if (operation == "c") {
    std::int32_t red = 0, green = 0, blue = 0;
    in.integer(red) && in.integer(green) && in.integer(blue);
    // The three values are added, not masked: "0 0 300" gives 300. Unsigned, so that any
    // value wraps instead of overflowing.
    const std::uint32_t color = (static_cast<std::uint32_t>(red) << 16) +
                                (static_cast<std::uint32_t>(green) << 8) +
                                static_cast<std::uint32_t>(blue);
    return std::make_unique<ScriptLayerOperationClear>(color);
  }
  if (operation == "w") {
    std::string source;
    in.word(source);
    return std::make_unique<ScriptLayerOperationWrite>(engine.findRenderData(StringC(source)));
  }
  if (operation == "e") {
    std::string effectDesc;
    in.word(effectDesc);
    return std::make_unique<ScriptLayerOperationEffect>(engine.findEffectDesc(StringC(effectDesc)));
  }
  if (operation == "m") {
    std::string mixDesc, source;
    in.word(mixDesc), in.word(source);
    ScriptMixDesc* pMix = engine.findMixDesc(StringC(mixDesc));
    return std::make_unique<ScriptLayerOperationMix>(pMix, engine.findBuffer(StringC(source)));
  }
  ScriptEngine::reportLoad(line);
  ScriptEngine::reportLoad("can t find operation");
  return std::make_unique<ScriptLayerOperationClear>(0xFF00FFu);
}

}  // namespace

void ScriptLayerManager::build(ScriptEngine& engine, int layerIndex,
                               const std::vector<std::string>& lines) {
  RenderDataScreenLayer* pLayer = engine.getScreenLayer(layerIndex);
  setDestination(pLayer->getBuffer());
  const std::string_view layerName = pLayer->getName().view();

  // Pass 1: positions. A position below 1 is reported in the pass of every layer, and the line
  // is then left out: it has no slot to go to.
  for (const std::string& line : lines) {
    ScanLine in(line);
    std::string name;
    std::int32_t position = 0;
    in.skip(), in.word(name), in.integer(position);
    if (position < 1) {
      ScriptEngine::reportLoad(line);
      ScriptEngine::reportLoad("position must be >= 1");
    } else if (name == layerName && position > m_nbPosition) {
      m_nbPosition = position;
    }
  }
  if (m_nbPosition == 0) return;

  // Passes 2 and 3: the operations of this layer, each in its position in the order of the
  // lines. Only positions that hold operations are stored.
  std::map<std::int32_t, ScriptLayerPosition> positions;
  for (const std::string& line : lines) {
    ScanLine in(line);
    std::string name, operation;
    std::int32_t position = 0, start = 0, end = 0;
    in.skip(), in.word(name), in.integer(position);
    if (name != layerName || position < 1) continue;
    in.integer(start), in.integer(end), in.word(operation);
    std::unique_ptr<ScriptLayerOperation> pOperation = createOperation(line, operation, in, engine);
    pOperation->setSpan(start, end);
    ScriptLayerPosition& slot = positions[position];
    slot.m_position = position;
    slot.m_operations.push_back(std::move(pOperation));
  }
  for (auto& [position, slot] : positions)
    m_positions.push_back(std::move(slot));
}

void ScriptLayerManager::run(std::int32_t time) {
  for (ScriptLayerPosition& position : m_positions) {
    for (const std::unique_ptr<ScriptLayerOperation>& pOperation : position.m_operations) {
      if (!pOperation->isActiveAt(time)) continue;
      pOperation->prepare(m_pDestination, time);
      pOperation->execute();
      break;
    }
  }
}
