#pragma once
// The time table of one screen layer. Every LAYER_MANAGER line puts one operation at one
// position of one layer for a span of script time; each frame, positions run in increasing
// order, and at each position the first operation whose span holds the time runs.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/cimage32.h"

class LECXController;
class RenderData;
class ScriptEffectDesc;
class ScriptEngine;
class ScriptMixDesc;

// One operation of a layer; active for start <= time < end.
class ScriptLayerOperation {
 public:
  virtual ~ScriptLayerOperation() = default;
  virtual void execute() = 0;

  bool isActiveAt(std::int32_t time) const { return m_start <= time && time < m_end; }
  void setSpan(std::int32_t start, std::int32_t end) {
    m_start = start;
    m_end = end;
  }
  void prepare(CImage32* pDestination, std::int32_t time) {
    m_pDestination = pDestination;
    m_time = time;
  }
  std::int32_t getStart() const { return m_start; }
  std::int32_t getEnd() const { return m_end; }

 protected:
  // A controller that drives what the operation runs reads time1 = time, time2 = end.
  void setControllerTimes(LECXController* pController) const;

  CImage32* m_pDestination = nullptr;
  std::int32_t m_time = 0;
  std::int32_t m_start = 0;
  std::int32_t m_end = 0;
};

// "c": fills the layer with a colour.
class ScriptLayerOperationClear : public ScriptLayerOperation {
 public:
  explicit ScriptLayerOperationClear(std::uint32_t color) : m_color(color) {}
  void execute() override;
  std::uint32_t getColor() const { return m_color; }

 private:
  std::uint32_t m_color;
};

// "w": draws a render source into the layer.
class ScriptLayerOperationWrite : public ScriptLayerOperation {
 public:
  explicit ScriptLayerOperationWrite(RenderData* pRenderData) : m_pRenderData(pRenderData) {}
  void execute() override;

 private:
  RenderData* m_pRenderData;
};

// "e": applies an effect descriptor to the layer.
class ScriptLayerOperationEffect : public ScriptLayerOperation {
 public:
  explicit ScriptLayerOperationEffect(ScriptEffectDesc* pEffect) : m_pEffect(pEffect) {}
  void execute() override;

 private:
  ScriptEffectDesc* m_pEffect;
};

// "m": mixes an image onto the layer with a mix descriptor.
class ScriptLayerOperationMix : public ScriptLayerOperation {
 public:
  ScriptLayerOperationMix(ScriptMixDesc* pMix, CImage32* pSource)
      : m_pMix(pMix), m_pSource(pSource) {}
  void execute() override;

 private:
  ScriptMixDesc* m_pMix;
  CImage32* m_pSource;
};

// The operations of one layer at one position, in the order of their lines.
struct ScriptLayerPosition {
  std::int32_t m_position = 0;
  std::vector<std::unique_ptr<ScriptLayerOperation>> m_operations;
};

class ScriptLayerManager {
 public:
  // Takes the image as destination: always the first one, later only one of the same size
  // (else "setDestination: different dimensions !" and the old one stays). Null is ignored.
  void setDestination(CImage32* pImage);
  CImage32* getDestination() const { return m_pDestination; }

  // Builds this layer's time table from the LAYER_MANAGER lines, for the screen layer of index
  // `layerIndex` (its buffer becomes the destination).
  void build(ScriptEngine& engine, int layerIndex, const std::vector<std::string>& lines);

  // Runs, position by position, the first operation active at `time`.
  void run(std::int32_t time);

  // Highest position used by this layer's lines (0 when none).
  std::int32_t getPositionCount() const { return m_nbPosition; }
  // The positions that hold operations, in increasing order; unused positions do nothing and
  // take no room.
  const std::vector<ScriptLayerPosition>& getPositions() const { return m_positions; }

 private:
  std::int32_t m_nbPosition = 0;
  std::vector<ScriptLayerPosition> m_positions;
  CImage32* m_pDestination = nullptr;
};
