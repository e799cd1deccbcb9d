#pragma once
// The .lecx kind whose target is a whole 3D scene (type 2). It loads, keeps and writes its
// parameters like every kind, and offers the list of scene parameter type names; each parameter
// name is a small word syntax ("NODE Box01 POSX") that the scene resolves when bound into a
// parameter object, through which update pushes the formula results.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "control/lecx_controller.h"
#include "control/lecx_scene_target.h"

class LECXControllerL3X final : public LECXController {
 public:
  LECXControllerL3X();
  ~LECXControllerL3X() override;

  // The scene the parameters resolve against (not owned); null leaves the controller inert.
  void setScene(LECXSceneTarget* pScene) { m_pScene = pScene; }
  LECXSceneTarget* getScene() const { return m_pScene; }

  // Reports "can t prepare controller Interface: m_pScene NULL" without a scene and binds
  // nothing. Otherwise one parameter object per record, in record order (null for an unknown
  // keyword). True when every parameter found its object and property.
  bool bind() override;
  // Nothing without a scene or without parameter objects; otherwise the formulas, then every
  // parameter object's apply in record order.
  void update() override;

  // The parameter objects made by the last bind (one per record).
  int32_t getNbSceneParam() const { return static_cast<int32_t>(m_pSceneParams.size()); }
  // Null outside the range or for a record whose keyword was unknown.
  const LECXSceneParam* getSceneParam(int32_t i) const;

 protected:
  std::span<const std::string_view> paramTypeNames() const override;
  std::string_view caption() const override { return "LECXControllerL3X"; }

 private:
  LECXSceneTarget* m_pScene = nullptr;
  std::vector<std::unique_ptr<LECXSceneParam>> m_pSceneParams;
};

// The word syntax of scene parameter names, for the tools that write .lecx files: each keyword,
// whether an index word follows the object name (MTL, MODIFIERGIZMO), and its property words.
// The skew, noise, melt and bend keywords are spelled with a T after MODIFIER (MODIFIERTSKEW).
struct LECXSceneKeyword {
  std::string_view keyword;
  bool hasIndex;
  std::span<const std::string_view> properties;
};
std::span<const LECXSceneKeyword> lecxSceneKeywords();
// What is wrong with a scene parameter name ("" when nothing): an unknown keyword (with the list
// of keywords), a missing word, an index that is not a number, an unknown property word (with the
// keyword's properties), or words left over. Words compare exactly, as the scene compares them.
std::string checkLECXSceneParamName(std::string_view name);
