#pragma once
// S3DScene: one 3D scene as read from an .l3x file: typed collections of objects (meshes,
// dummies, shapes, world-space modifiers, cameras, lights, materials), the lookups by name that
// controllers and the loader use, and the per-frame calls in their order: setViewPort, setCamera,
// setTime, (controllers write parameters), transform, render.
//
// Reports go to the caption "S3DScene warning:" and processing goes on.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/string_c.h"
#include "s3d/s3d_camera.h"
#include "s3d/s3d_light.h"
#include "s3d/s3d_material.h"
#include "s3d/s3d_node.h"
#include "s3d/s3d_shape.h"
#include "s3d/s3d_tri_object.h"
#include "s3d/s3d_ws_modifier.h"

class ChunkFileReaderManager;
class S3DDrawManager;
class S3DModifierGizmo;
class ViewPort;

// Reports `text` under the scene's caption.
void reportScene(std::string_view text);

class S3DScene {
 public:
  S3DScene();
  ~S3DScene();
  S3DScene(const S3DScene&) = delete;
  S3DScene& operator=(const S3DScene&) = delete;

  // Reads the .l3x file, reports "no camera to render the scene !" when it has no camera, then
  // links the objects. What a broken file held up to the break is kept. False when the file
  // could not be read as a scene at all.
  bool load(const StringC& fileName);
  // The same from a file already in memory; `fileName` names it in reports.
  bool load(ChunkFileReaderManager& manager);

  // Takes the viewport; a screen of a new size gives every camera that size.
  void setViewPort(ViewPort* pViewPort);
  // Selects camera `index`; one out of range reports "setCamera: not so much camera" (once in the
  // program's life) and changes nothing.
  void setCamera(int32_t index);
  // Stores the time and animates everything at it (nothing without cameras): sub-materials,
  // dummies, world-space modifiers, meshes and their stacks, cameras, lights, shapes.
  void setTime(float time);
  // Nothing without cameras. Matrices of every head, the hierarchy, sub-materials, cameras,
  // lights, then each mesh's pipeline, all with the current camera.
  void transform();
  // Nothing without cameras. Opaque faces, then the other faces of unsorted meshes, then the
  // faces of sorted meshes farthest first, into the viewport's screen and depth buffer.
  void render();

  // Lookups; a name without text or "NULL" finds nothing, silently.
  // Meshes, dummies, shapes, lights, world-space modifiers, then cameras and their targets.
  S3DNode* findNode(const StringC& name);
  S3DTriObject* findTriObject(const StringC& name);
  S3DShape* findShape(const StringC& name);
  S3DCamera* findCamera(const StringC& name);
  WSModifier* findWSModifier(const StringC& name);
  S3DLight* findLight(const StringC& name);
  // A world-space modifier of that name and type, then the first of that type on the mesh, then
  // on the shape; reports "Can't find modifier type %d, of object %s" when none.
  S3DModifier* findModifier(const StringC& objectName, int type);
  // Gizmo types only (not 1, 2 or 10): the world-space modifier, or stack entry `index` (modulo
  // the stack size) of the mesh, then of the shape; reports "Can't find modifier gizmo, object %s".
  S3DModifierGizmo* findModifierGizmo(const StringC& objectName, int32_t index);
  // Sub-material `index` (modulo the count) of the first material of that name; reports
  // "Can't find material idx %d, called %s" when there is no such material.
  S3DSubMaterial* findMaterial(const StringC& name, int32_t index);
  // Null for an index out of range.
  S3DMaterial* getMaterial(int32_t index);

  int32_t getNbCamera() const { return static_cast<int32_t>(m_cameras.size()); }
  S3DCamera* getCurrentCamera();
  uint16_t getAnimLength() const { return m_animLength; }
  float getTime() const { return m_time; }

  // Lets the next out-of-range setCamera report again (the report is once per program).
  static void resetCameraReport();

  std::vector<S3DTriObject> m_triObjects;
  std::vector<S3DDummy> m_dummies;
  // A slot stays empty when the file's shape kind does not exist.
  std::vector<std::unique_ptr<S3DShape>> m_shapes;
  std::vector<WSModifier> m_wsModifiers;
  std::vector<S3DCamera> m_cameras;
  std::vector<S3DLight> m_lights;
  std::vector<S3DMaterial> m_materials;
  ViewPort* m_pViewPort = nullptr;
  // The screen size the cameras were last given (cameras are read for 512 x 256).
  int32_t m_screenWidth = 512;
  int32_t m_screenHeight = 256;
  // Length of the animation in frames.
  uint16_t m_animLength = 0;
  // The heads that have a parent, every parent before its children.
  std::vector<S3DNode*> m_links;
  int32_t m_currentCamera = 0;
  int32_t m_cameraChanged = 0;
  float m_time = 0.0f;
  // Non-zero: a viewport showing this scene renders with a depth buffer.
  int32_t m_zBufferFlag = 1;
  int32_t m_sceneValue2 = 0;
  StringC m_sceneName{"NULL"};

  // A face, line or point of a sorted mesh, drawn after everything else in decreasing order of
  // its key: the mean camera-space z of a face's corners, the mean z of a line's ends less 10,
  // a point's z.
  struct DeferredItem {
    enum Kind : uint8_t { kTriangle, kLine, kPoint };
    S3DTriObject* pMesh = nullptr;
    // The face's group (null for lines and points).
    const S3DDrawGroup* pGroup = nullptr;
    Kind kind = kTriangle;
    // The face, or the index in the mesh's line or point list.
    uint32_t index = 0;
    float key = 0.0f;
  };
  std::vector<DeferredItem> m_deferred;
  std::unique_ptr<S3DDrawManager> m_pDrawManager;

 private:
  // After loading: skins and morphs bound, names resolved, materials checked, parents linked.
  void link();
  void bindSkinsAndMorphs();
  void resolveNames();
  void checkMaterials();
  void linkParents();
  void prepareDrawing();
  void drawDeferred();
  template <class Visit>
  void forEachVertexObject(Visit visit);
};
