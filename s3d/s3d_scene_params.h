#pragma once
// The scene side of the scene controllers (.lecx kind 2): LECXControllerL3XParamManager turns a
// parameter name such as "NODE Box01 POSX" into a parameter object that has found its scene
// object (through the scene's lookups) and chosen the setter of its property word. Word 0 is the
// keyword and selects the class; the object name, an index for MTL and MODIFIERGIZMO, and the
// property word follow.
//
// Combine modes (the record's integer): 0 the property becomes the result, 1 current + result,
// 2 current - result, any other value as 0. Animation times (MAINANIM, MODIFIERANIM, SPEANIM)
// combine with the scene's current time and wrap by its animLength (fmod); LINEOPACITY combines
// with 1.0; SCENE MAINANIM in mode 2 is result - current; SCENE CAMERA and the noise STRENGTH
// ignore the mode.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "control/lecx_scene_target.h"
#include "s3d/s3d_math.h"

class S3DScene;

// Base of the parameter classes; each keyword class finds its object in init and picks the
// setter of the property word.
class LECXControllerL3XParam : public LECXSceneParam {
 public:
  // Stores the record and the scene, finds the object, chooses the setter; every failure is
  // reported under the class name and leaves the parameter inactive.
  virtual void init(const LECXControllerParam& record, S3DScene& scene) = 0;
  std::string_view getClassName() const { return m_className; }

  // Word i of the name ("" past the last one).
  std::string_view word(int i) const;
  StringC wordString(int i) const { return StringC(word(i)); }
  // Word i as "%d" reads it (leading sign and digits; what follows is ignored); none when the
  // word does not start with a number or does not fit.
  std::optional<int32_t> indexWord(int i) const;
  // base combined with result by the mode.
  float combine(float base, float result) const;
  // An object's animation time: result combined with the scene's time, wrapped by the animation
  // length (fmod); none when the scene has no length or the time is not finite.
  std::optional<float> animationTime(float result) const;
  S3DScene& scene() const { return *m_pScene; }
  int32_t getMode() const { return m_mode; }
  // What a setter keeps from bind time (the line colour LINEOPACITY scales).
  int32_t m_boundValue = 0;

 protected:
  explicit LECXControllerL3XParam(std::string_view className) : m_className(className) {}

  // Reads the record's words, mode and case rule, and keeps the scene.
  void readWords(const LECXControllerParam& record, S3DScene& scene);
  // Compares a word with the case rule of the parameter name (exact by default).
  bool sameWord(std::string_view a, std::string_view b) const;
  // Reports "Can't find param: " + word under the class name.
  void reportProperty(std::string_view property) const;

  std::string_view m_className;
  S3DScene* m_pScene = nullptr;
  int32_t m_mode = 0;
  int32_t m_caseSensitive = 1;
  static constexpr int kMaxWord = 5;
  std::string m_words[kMaxWord];
};

// Turns parameter records into parameter objects against one scene (not owned).
class LECXControllerL3XParamManager final : public LECXSceneTarget {
 public:
  explicit LECXControllerL3XParamManager(S3DScene* pScene) : m_pScene(pScene) {}
  void setScene(S3DScene* pScene) { m_pScene = pScene; }
  S3DScene* getScene() const { return m_pScene; }

  // Reports "create param not found: " + keyword (caption "LECXControllerL3XParamManager") for a
  // keyword that is none of the scene's; null without a scene.
  std::unique_ptr<LECXSceneParam> createParam(const LECXControllerParam& record) override;
  // The parameter object of a keyword, not yet initialised; null when the keyword is unknown.
  static std::unique_ptr<LECXControllerL3XParam> create(std::string_view keyword,
                                                        int32_t caseSensitive);

 private:
  S3DScene* m_pScene = nullptr;
};

// The quaternion q for which quaternionToMatrix(q) is the rotation part of `matrix` (the largest
// of w, x, y, z is found first, from the trace, so the division is never by a small number).
Quat quaternionFromMatrix(const Matrix44& matrix);
