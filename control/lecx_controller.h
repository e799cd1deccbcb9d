#pragma once
// Controllers of .lecx files: a list of parameters, each a name and a formula over .lcx
// controllers and the two time variables, whose values are written into one target (a colour
// effect, a blit mix, a DEMOSPE01 effect or a 3D scene). Four kinds: colour effect (1), scene (2),
// blit mix (3), DEMOSPE01 effect (4).
//
// The owner (the script engine) uses a controller in this order:
//   1. prepare(runtimeRand): builds the formulas and collects the controller names they use;
//   2. setController(i, ...) for every getControllerName(i), then prepareExpressions();
//   3. the kind's setTarget(...), then bind(): each parameter name is matched, ignoring case,
//      against the kind's parameter type names;
//   4. before every use: setTime1(script time), setTime2(end of the layer operation), update().
//
// In the file, a controller is chunk 12 holding an int type and chunk 100 (the parameter list):
//   100: 101 int count, then one 102 per parameter: 1 string name, 2 string formula, 3 int mode.
// The count is written but not trusted: the list is built from the 102 chunks.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/string_c.h"
#include "control/crt_rand.h"
#include "control/math_expression.h"

class ChunkFileReader;
class ChunkFileReaderManager;
class ChunkFileWriterManager;
class LCXController;

enum class LECXControllerType : int32_t {
  EffectColor = 1,
  L3X = 2,
  MixBlit = 3,
  EffectDemoSpe01 = 4,
};

// One parameter of the file: the name selects what is written, the formula gives the value, the
// mode tells the scene kind how to combine it with the current value.
struct LECXControllerParam {
  StringC name{"NULL"};
  StringC formula{"NULL"};
  int32_t mode = 0;
};

class LECXController {
 public:
  // The parameter list grows by this many records at a time.
  static constexpr size_t kParamGrowth = 40;

  virtual ~LECXController() = default;
  LECXController(const LECXController&) = delete;
  LECXController& operator=(const LECXController&) = delete;

  // Appends the parameters of the controller chunk's list (after its int type, which the manager
  // reads). False when the reader manager failed on the way; the caller then drops the controller.
  virtual bool load(ChunkFileReader& chunk, ChunkFileReaderManager& manager);
  // Writes the parameter list into the controller chunk being written on `manager`.
  virtual void save(ChunkFileWriterManager& manager) const;
  // Evaluates the formulas and writes the results into the target (see evaluate). Nothing
  // without a target or without bindings. Allocates nothing.
  virtual void update() = 0;
  // Copies the kind's parameter type names into pNames (getNbParamType entries).
  virtual void getParamTypeNames(StringC* pNames) const;
  virtual int32_t getNbParamType() const { return static_cast<int32_t>(paramTypeNames().size()); }
  // Binds every parameter to the type its name matches, ignoring case; a name that matches none
  // is reported under the kind's caption and left unbound. True when every name matched.
  virtual bool bind();

  LECXControllerType getType() const { return m_type; }
  const StringC& getName() const { return m_name; }
  void setName(const StringC& name) { m_name = name; }

  int32_t getNbParam() const { return static_cast<int32_t>(m_params.size()); }
  const LECXControllerParam& getParam(int32_t i) const { return m_params[static_cast<size_t>(i)]; }
  void addParam(const LECXControllerParam& param);

  // Builds one expression per parameter; "time1" and "time2" read this controller's times, every
  // other label reads the value of a controller named like it. `runtimeRand` is the program's
  // one runtime generator (the "rand" constants of the formulas draw from it). Discards earlier
  // controllers and bindings.
  void prepare(CrtRand& runtimeRand);
  // Finishes the expressions once their labels are bound (a formula that does not parse then
  // keeps the value 0). Done once per prepare; later calls do nothing.
  void prepareExpressions();

  int32_t getNbController() const { return static_cast<int32_t>(m_controllerNames.size()); }
  // "NULL" outside the range.
  StringC getControllerName(int32_t i) const;
  // Ignored outside the range. An unset controller keeps its value at 0.
  void setController(int32_t i, LCXController* pController);

  float getTime1() const { return m_time1; }
  float getTime2() const { return m_time2; }
  void setTime1(float time1) { m_time1 = time1; }
  void setTime2(float time2) { m_time2 = time2; }

  // The value of parameter i's formula at the last update (0 before).
  float getResult(int32_t i) const;
  int32_t getNbBinding() const { return static_cast<int32_t>(m_bindings.size()); }

 protected:
  struct Binding {
    int32_t param;  // index of the parameter (and of its result)
    uint8_t type;   // index among the kind's parameter type names
  };

  explicit LECXController(LECXControllerType type) : m_type(type) {}

  // The kind's parameter type names, shared by every controller of the kind.
  virtual std::span<const std::string_view> paramTypeNames() const = 0;
  // The caption of the kind's reports.
  virtual std::string_view caption() const = 0;
  // Reads the controllers' values at time1, then every formula into its result.
  void evaluate();
  // Writes result `param` through the field pointer of `type` (null fields are skipped).
  void writeBindings(float* const* pFields);

  LECXControllerType m_type;
  StringC m_name{"NULL"};
  std::vector<LECXControllerParam> m_params;
  std::vector<MathExpression> m_expressions;
  std::vector<float> m_results;
  std::vector<StringC> m_controllerNames;
  std::vector<LCXController*> m_pControllers;
  std::vector<float> m_controllerValues;
  std::vector<Binding> m_bindings;
  float m_time1 = 0.0f;
  float m_time2 = 0.0f;
  bool m_expressionsPrepared = false;
};

// Names are matched ignoring the case of ASCII letters.
bool lecxEqualsIgnoreCase(std::string_view a, std::string_view b);
