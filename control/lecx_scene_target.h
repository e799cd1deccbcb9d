#pragma once
// What a scene controller (.lecx kind 2) needs of its scene, declared here so that control/ does
// not depend on the 3D engine: the scene side turns each parameter record ("NODE Box01 POSX",
// its combine mode) into a parameter object that knows its scene object and its setter.

#include <memory>

#include "control/lecx_controller.h"

// One resolved scene parameter. A parameter whose object or property was not found applies
// nothing.
class LECXSceneParam {
 public:
  virtual ~LECXSceneParam() = default;
  // Writes `result` (the formula's value) into the scene object, combined by the record's mode.
  virtual void apply(float result) = 0;
  // True when the object and the property were both found.
  virtual bool isActive() const = 0;
};

class LECXSceneTarget {
 public:
  virtual ~LECXSceneTarget() = default;
  // A parameter object for the record's keyword, initialised against the scene (lookup failures
  // reported); null, after a report, when the keyword is none of the scene's.
  virtual std::unique_ptr<LECXSceneParam> createParam(const LECXControllerParam& record) = 0;
};
