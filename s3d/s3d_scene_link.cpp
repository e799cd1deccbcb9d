// What the scene does once after loading: skins and morphs bound to their bones and targets,
// names resolved to objects, material references checked, the parent hierarchy linked.

#include <string>

#include "s3d/s3d_modifier_morph.h"
#include "s3d/s3d_modifier_skin.h"
#include "s3d/s3d_scene.h"

template <class Visit>
void S3DScene::forEachVertexObject(Visit visit) {
  for (S3DTriObject& mesh : m_triObjects)
    visit(static_cast<S3DVertexObject&>(mesh));
  for (const auto& pShape : m_shapes)
    if (pShape) visit(static_cast<S3DVertexObject&>(*pShape));
}

void S3DScene::link() {
  bindSkinsAndMorphs();
  resolveNames();
  checkMaterials();
  linkParents();
  prepareDrawing();
}

void S3DScene::bindSkinsAndMorphs() {
  std::vector<S3DVertexObject*> hidden;
  forEachVertexObject([&](S3DVertexObject& object) {
    const S3DNode* pSelf = &object;
    for (const auto& pModifier : object.m_modifiers) {
      if (!pModifier) continue;
      if (pModifier->getType() == S3DModifier::kSkin) {
        auto& skin = static_cast<S3DModifierSkin&>(*pModifier);
        for (int32_t i = 0; i < skin.getNbBone(); ++i) {
          const StringC& name = skin.m_bones[static_cast<std::size_t>(i)].name;
          S3DNode* pBone = findNode(name);
          if (!pBone) {
            reportScene("cant find bone");
            continue;
          }
          // A mesh that is its own bone would move by its world matrix twice (once skinned, once
          // placed) and would be hidden as a bone: the bone stays unbound (the identity) instead.
          if (pBone == pSelf) {
            reportScene("skin bone " + std::string(name.view()) +
                        " is the skinned object itself; the bone stays unbound");
            continue;
          }
          // The bone's matrix holds its world matrix once the hierarchy has run.
          skin.setBoneMatrix(&pBone->m_matrix, i);
          if (auto* pObject = dynamic_cast<S3DVertexObject*>(pBone)) hidden.push_back(pObject);
        }
      } else if (pModifier->getType() == S3DModifier::kMorph) {
        auto& morph = static_cast<S3DModifierMorph&>(*pModifier);
        for (int32_t i = 0; i < morph.getNbTarget(); ++i) {
          const StringC& name = morph.m_targets[static_cast<std::size_t>(i)].name;
          // Only an object with vertices can be a target.
          auto* pTarget = dynamic_cast<S3DVertexObject*>(findNode(name));
          if (!pTarget) {
            reportScene("cant find morph target");
            continue;
          }
          // Its own vertex array is what the stack writes: blending toward it would feed the
          // last frame back in.
          if (pTarget == &object) {
            reportScene("morph target " + std::string(name.view()) +
                        " is the morphed object itself; the target stays unbound");
            continue;
          }
          // The vertex array is made once at load and never resized: its address and count hold.
          morph.setTargetVertex(i, pTarget->m_vertices);
          hidden.push_back(pTarget);
        }
      }
    }
  });
  // Bones and targets shape other meshes; they are not drawn themselves.
  for (S3DVertexObject* pObject : hidden)
    pObject->m_visible = 0;
}

void S3DScene::resolveNames() {
  const auto findLightReported = [this](const StringC& name) {
    S3DLight* pLight = findLight(name);
    if (!pLight && isObjectName(name)) reportScene("Can t find light: " + std::string(name.view()));
    return pLight;
  };
  forEachVertexObject([&](S3DVertexObject& object) {
    for (S3DWSModifierBinding& binding : object.m_wsModifiers) {
      binding.pWSModifier = findWSModifier(binding.name);
      if (!binding.pWSModifier && isObjectName(binding.name))
        reportScene("Warning can't find WSModifier: " + std::string(binding.name.view()));
    }
    object.m_lights.clear();
    for (const StringC& name : object.m_lightNames)
      if (S3DLight* pLight = findLightReported(name)) object.m_lights.push_back(pLight);
    for (S3DLightingChannel& channel : object.m_lightingChannels) {
      channel.lights.clear();
      for (const StringC& name : channel.lightNames)
        if (S3DLight* pLight = findLightReported(name)) channel.lights.push_back(pLight);
    }
  });
  // A mesh layer draws with another mesh, which is then not drawn on its own.
  for (S3DTriObject& mesh : m_triObjects) {
    for (S3DMeshLayer& layer : mesh.m_layers) {
      layer.pMesh = findTriObject(layer.meshName);
      if (layer.pMesh) layer.pMesh->m_visible = 0;
    }
  }
}

void S3DScene::checkMaterials() {
  forEachVertexObject([&](S3DVertexObject& object) {
    object.m_pMaterial = getMaterial(object.m_materialIndex);
    if (!object.m_pMaterial)
      reportScene(std::string(object.m_name.view()) + " has NULL material !!");
  });
}

void S3DScene::prepareDrawing() {
  for (S3DTriObject& mesh : m_triObjects)
    mesh.prepareDrawing();
  for (const auto& pShape : m_shapes)
    if (pShape) pShape->prepare();
  // The faces of the second pass of sorted meshes, their lines and points wait for the end of
  // the frame: the faces of every sorted mesh in mesh order, then the lines, then the points.
  m_deferred.clear();
  for (S3DTriObject& mesh : m_triObjects) {
    if (!mesh.m_sorted) continue;
    for (const S3DDrawGroup& group : mesh.m_groups[S3DTriObject::kBlendPass])
      for (uint32_t face : group.faces)
        m_deferred.push_back({&mesh, &group, DeferredItem::kTriangle, face, 0.0f});
  }
  for (S3DTriObject& mesh : m_triObjects)
    if (mesh.m_sorted)
      for (uint32_t i = 0; i < mesh.m_lists.m_lines.size(); ++i)
        m_deferred.push_back({&mesh, nullptr, DeferredItem::kLine, i, 0.0f});
  for (S3DTriObject& mesh : m_triObjects)
    if (mesh.m_sorted)
      for (uint32_t i = 0; i < mesh.m_lists.m_points.size(); ++i)
        m_deferred.push_back({&mesh, nullptr, DeferredItem::kPoint, i, 0.0f});
}

void S3DScene::linkParents() {
  // Candidates: every head whose parent is found, in the order meshes, dummies, shapes,
  // world-space modifiers, lights (each followed by its target), cameras (each followed by its
  // target). Light targets take part so that a target can follow a moving parent.
  std::vector<S3DNode*> candidates;
  const auto consider = [&](S3DNode& node) {
    node.m_pParent = findNode(node.m_parentName);
    if (node.m_pParent) candidates.push_back(&node);
  };
  for (S3DTriObject& mesh : m_triObjects)
    consider(mesh);
  for (S3DDummy& dummy : m_dummies)
    consider(dummy);
  for (const auto& pShape : m_shapes)
    if (pShape) consider(*pShape);
  for (WSModifier& wsModifier : m_wsModifiers)
    consider(wsModifier);
  for (S3DLight& light : m_lights) {
    consider(light);
    consider(light.m_target);
  }
  for (S3DCamera& camera : m_cameras) {
    consider(camera);
    consider(camera.m_target);
  }

  m_links = orderParentsFirst(candidates, [](const std::string& names) {
    reportScene("parent cycle: " + names + "; these objects keep no parent");
  });
}
