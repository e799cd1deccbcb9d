#pragma once
// The .lecx kind whose target is a whole 3D scene (type 2). It loads, keeps and writes its
// parameters like every kind, and offers the list of scene parameter type names; each parameter
// name is a small word syntax ("NODE Box01 POSX") resolved against the scene when bound.
//
// FIXME: the scene target, its parameter objects and their setters come with the 3D scene
// engine; until then there is never a scene, so bind reports it and update does nothing.

#include "control/lecx_controller.h"

class LECXControllerL3X final : public LECXController {
 public:
  LECXControllerL3X() : LECXController(LECXControllerType::L3X) {}

  // Reports "can t prepare controller Interface: m_pScene NULL" without a scene and binds nothing.
  bool bind() override;
  // Nothing without a scene or without parameter objects.
  void update() override {}

 protected:
  std::span<const std::string_view> paramTypeNames() const override;
  std::string_view caption() const override { return "LECXControllerL3X"; }
};
