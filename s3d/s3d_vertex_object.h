#pragma once
// S3DVertexObject: what meshes and shapes share: a head, a material, vertices with their bounding
// box, the modifier stack and the list that applies it, the world-space modifiers and lights that
// act on the object (by name, resolved after loading) and the vertex channel definitions.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "s3d/s3d_modifier.h"
#include "s3d/s3d_node.h"

class S3DCamera;
class S3DLight;
class S3DMaterial;
class WSModifier;

// Per-vertex weights of a modifier: a channel of the object, optionally inverted.
struct S3DChannelDescription {
  int32_t useChannel = 0;
  int32_t invert = 0;
  StringC channelName{"NULL"};
  // The channel's values, one per vertex; resolved when the object prepares its drawing.
  const std::vector<float>* pValues = nullptr;
};

// One float per vertex, read or computed, found by name.
struct S3DVertexChannel {
  StringC name{"NULL"};
  std::vector<float> values;
};

// An entry of the modifier application list: a stack entry and its weighting.
struct S3DModifierApplication {
  // The index into the stack as the file writes it (decimal text).
  StringC name{"NULL"};
  S3DChannelDescription channel;
  // Resolved at the end of the object's record; null when the object has no stack.
  S3DModifier* pModifier = nullptr;
};

// A world-space modifier acting on the object, and its weighting.
struct S3DWSModifierBinding {
  StringC name{"NULL"};
  S3DChannelDescription channel;
  WSModifier* pWSModifier = nullptr;
};

// A channel computed from two others.
struct S3DChannelOperation {
  StringC output{"NULL"};
  StringC input1{"NULL"};
  StringC input2{"NULL"};
  int32_t operation = 0;
  // Resolved when the object prepares its drawing; the operation runs when output and input1
  // are found (input2 may be missing for operations of one input).
  std::vector<float>* pOutput = nullptr;
  const std::vector<float>* pInput1 = nullptr;
  const std::vector<float>* pInput2 = nullptr;
};

// A channel made by the object itself, from a kind and its values.
struct S3DGeneratedChannel {
  S3DVertexChannel channel;
  int32_t kind = 0;
  std::vector<float> parameters;
};

// A channel of lighting from a list of lights of its own.
struct S3DLightingChannel {
  S3DVertexChannel channel;
  std::vector<StringC> lightNames;
  std::vector<S3DLight*> lights;
};

// A vertex projected to the screen: pixel x and y, w = 1/z, and outside = 1 when the vertex lies
// in front of the near plane or within a pixel of the screen's border (or beyond it).
struct S3DScreenVertex {
  float x = 0.0f;
  float y = 0.0f;
  float w = 0.0f;
  float outside = 0.0f;
};

class S3DVertexObject : public S3DNode {
 public:
  static constexpr float kDefaultBox = 100.0f;

  S3DVertexObject();
  ~S3DVertexObject() override;
  S3DVertexObject(S3DVertexObject&&) noexcept;
  S3DVertexObject& operator=(S3DVertexObject&&) noexcept;

  // Reports `text` under the object's caption ("S3DTriObject warning: NAME" for meshes).
  void warn(std::string_view text) const;
  // Replaces the vertices (and their saved copy and per-frame arrays) and computes the box; an
  // empty list keeps the box (-100, -100, -100) to (100, 100, 100).
  void setVertices(std::vector<Vec3> vertices);
  int32_t getNbVertex() const { return static_cast<int32_t>(m_vertices.size()); }
  // The head's tracks, then those of every modifier of the stack.
  void animateObject(float time);
  void animateModifiers(float time);

  // --- The modifier stack (s3d_vertex_modifiers.cpp), for meshes and shapes alike ---

  // Object space: m_vertices rebuilt from m_savedVertices through the application list (the
  // vertices are copied back unchanged when no entry names a modifier).
  void applyModifiers(const S3DCamera& camera);
  // Camera space: the first kMaxWSModifier world-space modifiers deform `points` in place, through
  // `scratch` (at least as long). Point i takes the channel weight of vertex vertexOf[i], or of
  // vertex i when vertexOf is empty (a particle weighs as the vertex it came from).
  void applyWSModifiers(const S3DCamera& camera, std::span<Vec3> points, std::span<Vec3> scratch,
                        std::span<const int32_t> vertexOf = {});
  static constexpr std::size_t kMaxWSModifier = 20;

  uint16_t m_materialIndex = 0;
  // Resolved after loading: null when the index names no material.
  S3DMaterial* m_pMaterial = nullptr;
  // Object space: the positions modifiers write, and the copy they start from each frame.
  std::vector<Vec3> m_vertices;
  std::vector<Vec3> m_savedVertices;
  // Per frame: camera-space positions and screen records.
  std::vector<Vec3> m_cameraVertices;
  std::vector<S3DScreenVertex> m_screenVertices;
  // Pairs of vertex indices drawn as line segments (a mesh's are checked against its vertices
  // when its record ends; a shape's when it builds its lines).
  std::vector<std::array<int32_t, 2>> m_edgePairs;
  Vec3 m_boxMin{-kDefaultBox, -kDefaultBox, -kDefaultBox};
  Vec3 m_boxMax{kDefaultBox, kDefaultBox, kDefaultBox};
  // The stack; an entry stays null when its type does not exist.
  std::vector<std::unique_ptr<S3DModifier>> m_modifiers;
  std::vector<S3DModifierApplication> m_applications;
  std::vector<S3DWSModifierBinding> m_wsModifiers;
  std::vector<StringC> m_lightNames;
  std::vector<S3DLight*> m_lights;
  std::vector<S3DChannelOperation> m_channelOperations;
  std::vector<S3DGeneratedChannel> m_generatedChannels;
  std::vector<S3DLightingChannel> m_lightingChannels;
  StringC m_channelReferences[3]{"NULL", "NULL", "NULL"};
  int32_t m_value = 0;
  // The points an entry of the modifier list deforms into before they are weighted with the
  // points it received; one per vertex, made at preparation.
  std::vector<Vec3> m_modifierScratch;
  // Cleared for objects used as bones, morph targets or layers: they are not drawn.
  int32_t m_visible = 1;

 protected:
  virtual std::string_view caption() const = 0;
};
