#pragma once
// The named objects of a script: every one has a name by which the other sections find it.

#include <cstdint>

#include "base/string_c.h"

// The common base of every script object: a name, initially "NULL".
class ScriptObject {
 public:
  ScriptObject() = default;
  virtual ~ScriptObject() = default;
  ScriptObject(const ScriptObject&) = delete;
  ScriptObject& operator=(const ScriptObject&) = delete;

  const StringC& getName() const { return m_name; }
  void setName(const StringC& name) { m_name = name; }

 protected:
  StringC m_name{"NULL"};
};

// A named pair of pixel dimensions (LAYER_DIMENSION).
class ScriptLayerDim : public ScriptObject {
 public:
  ScriptLayerDim() = default;
  ScriptLayerDim(const StringC& name, std::int32_t width, std::int32_t height)
      : m_width(width), m_height(height) {
    setName(name);
  }

  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
};
