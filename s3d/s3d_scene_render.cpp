// A scene's frame: transform (matrices, hierarchy, cameras, lights, meshes, shapes) and render
// (the two passes with the lines and points, the shapes, then the sorted items farthest first).

#include "s3d/s3d_draw_manager.h"
#include "s3d/s3d_lighting.h"
#include "s3d/s3d_scene.h"
#include "s3d/s3d_sort.h"

void S3DScene::transform() {
  S3DCamera* pCamera = getCurrentCamera();
  if (!pCamera) return;
  // 1. Local matrices of every head.
  for (S3DDummy& dummy : m_dummies)
    dummy.buildMatrix();
  for (S3DTriObject& mesh : m_triObjects)
    mesh.buildMatrix();
  for (WSModifier& wsModifier : m_wsModifiers)
    wsModifier.buildMatrix();
  for (S3DCamera& camera : m_cameras) {
    camera.buildMatrix();
    camera.m_target.buildMatrix();
  }
  for (S3DLight& light : m_lights) {
    light.buildMatrix();
    light.m_target.buildMatrix();
  }
  for (const auto& pShape : m_shapes)
    if (pShape) pShape->buildMatrix();
  // 2. The hierarchy: a parent comes before its children, so its matrix is already its world's.
  for (S3DNode* pNode : m_links) {
    pNode->m_matrix = multiply(pNode->m_matrix, pNode->m_pParent->m_matrix);
    pNode->m_rotationMatrix = multiply(pNode->m_rotationMatrix, pNode->m_pParent->m_rotationMatrix);
  }
  // 3. Sub-materials.
  for (S3DMaterial& material : m_materials)
    for (S3DSubMaterial& sub : material.m_subMaterials)
      sub.prepare();
  // 4. Cameras.
  for (S3DCamera& camera : m_cameras)
    camera.updateView();
  // 5. Lights, in the current camera's space.
  for (S3DLight& light : m_lights)
    placeLight(light, *pCamera);
  // 6. World-space modifiers: each gizmo takes its head's world matrix and is prepared for the
  //    camera (meshes prepare them again with their own box).
  for (WSModifier& wsModifier : m_wsModifiers) {
    if (!wsModifier.m_pModifier) continue;
    if (wsModifier.m_pModifier->isGizmo())
      static_cast<S3DModifierGizmo&>(*wsModifier.m_pModifier).m_nodeMatrix = wsModifier.m_matrix;
    wsModifier.m_pModifier->prepare(*pCamera);
  }
  // 7. Meshes.
  for (S3DTriObject& mesh : m_triObjects)
    mesh.transform(*pCamera);
  // 8. Shapes.
  for (const auto& pShape : m_shapes)
    if (pShape && pShape->m_visible) pShape->transform(*pCamera);
}

void S3DScene::render() {
  S3DCamera* pCamera = getCurrentCamera();
  if (!pCamera) return;
  S3DDrawManager& drawManager = *m_pDrawManager;
  if (!drawManager.begin(pCamera, m_pViewPort)) return;
  for (const S3DTriObject& mesh : m_triObjects)
    if (mesh.m_visible && mesh.m_drawable) mesh.drawPass(drawManager, S3DTriObject::kOpaquePass);
  // The second pass of the unsorted meshes, each followed by its lines and points.
  for (const S3DTriObject& mesh : m_triObjects) {
    if (!mesh.m_visible || !mesh.m_drawable || mesh.m_sorted) continue;
    mesh.drawPass(drawManager, S3DTriObject::kBlendPass);
    mesh.m_lists.drawLines(drawManager, mesh.itemVertices());
    mesh.m_lists.drawPoints(drawManager, mesh.itemVertices());
  }
  for (const auto& pShape : m_shapes)
    if (pShape && pShape->m_visible) pShape->draw(drawManager);
  drawDeferred();
  drawManager.end();
}

void S3DScene::drawDeferred() {
  if (m_deferred.empty()) return;
  for (DeferredItem& item : m_deferred) {
    const S3DTriObject& mesh = *item.pMesh;
    const std::vector<Vec3>& p = mesh.m_cameraVertices;
    switch (item.kind) {
      case DeferredItem::kTriangle: {
        const S3DFace& face = mesh.m_faces[item.index];
        item.key = (p[face.a].z + p[face.b].z + p[face.c].z) * 0.33333334f;
        break;
      }
      case DeferredItem::kLine:
        item.key =
            S3DLinePointLists::lineKey(mesh.itemVertices(), mesh.m_lists.m_lines[item.index]);
        break;
      case DeferredItem::kPoint:
        item.key =
            S3DLinePointLists::pointKey(mesh.itemVertices(), mesh.m_lists.m_points[item.index]);
        break;
    }
  }
  sortByKeyDescending(std::span<DeferredItem>(m_deferred));
  S3DDrawManager& drawManager = *m_pDrawManager;
  for (const DeferredItem& item : m_deferred) {
    const S3DTriObject& mesh = *item.pMesh;
    if (!mesh.m_visible || !mesh.m_drawable) continue;
    switch (item.kind) {
      case DeferredItem::kTriangle:
        drawManager.bindMaterial(item.pGroup->mode, item.pGroup->pSubMaterial->m_raster);
        mesh.drawFace(drawManager, *item.pGroup, item.index);
        break;
      case DeferredItem::kLine:
        mesh.m_lists.drawLine(drawManager, mesh.itemVertices(), mesh.m_lists.m_lines[item.index]);
        break;
      case DeferredItem::kPoint:
        mesh.m_lists.drawPoint(drawManager, mesh.itemVertices(), mesh.m_lists.m_points[item.index]);
        break;
    }
  }
}
