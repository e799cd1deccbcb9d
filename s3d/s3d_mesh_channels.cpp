// A mesh's vertex channels: finding them by name, the opacity map, generated and lighting
// channels, and the channel operations.

#include <string>

#include "s3d/s3d_channel.h"
#include "s3d/s3d_lighting.h"
#include "s3d/s3d_tri_object.h"

namespace {

bool asksForOpacity(const std::unique_ptr<S3DMapLayer>& pLayer) {
  return pLayer && pLayer->m_opacityMap != 0 && pLayer->m_pTexture;
}

}  // namespace

std::vector<float>* S3DTriObject::findChannel(const StringC& name) {
  if (!isObjectName(name)) return nullptr;
  if (name == "lightning" && m_pLighting) return &m_pLighting->values;
  if (name == "softSelection" && m_pSoftSelection) return &m_pSoftSelection->values;
  if (name == "opacityMap" && m_pOpacityChannel) return &m_pOpacityChannel->values;
  for (S3DGeneratedChannel& generated : m_generatedChannels)
    if (generated.channel.name == name && !generated.channel.values.empty())
      return &generated.channel.values;
  for (S3DLightingChannel& lighting : m_lightingChannels)
    if (lighting.channel.name == name && !lighting.channel.values.empty())
      return &lighting.channel.values;
  warn("Can t find valid vertex channel: " + std::string(name.view()));
  return nullptr;
}

void S3DTriObject::prepareChannels() {
  const std::size_t nbVertex = m_vertices.size();
  // The opacity map reads the first layer that asks for it: the sub-materials' first layers
  // (used by vertex-alpha drawing), then any of their layers with the opacity-map word set.
  m_pOpacityLayer = nullptr;
  if (m_pMaterial) {
    for (const S3DSubMaterial& sub : m_pMaterial->m_subMaterials) {
      if (m_pOpacityLayer) break;
      if (sub.m_pLayer1 && sub.m_pLayer1->m_enabled && sub.m_pLayer1->m_pTexture)
        m_pOpacityLayer = sub.m_pLayer1.get();
    }
    for (const S3DSubMaterial& sub : m_pMaterial->m_subMaterials) {
      if (m_pOpacityLayer) break;
      for (const auto* pLayer : {&sub.m_pLayer1, &sub.m_pLayer2, &sub.m_pMapLayer})
        if (!m_pOpacityLayer && asksForOpacity(*pLayer)) m_pOpacityLayer = pLayer->get();
    }
  }
  m_pOpacityChannel.reset();
  m_pOpacityMap = nullptr;
  if (m_pOpacityLayer && !hasMapping()) {
    warn("vertexChannelOpacityMap needs mapping UV");
    m_pOpacityLayer = nullptr;
  }
  if (m_pOpacityLayer && nbVertex > 0) {
    m_pOpacityChannel = std::make_unique<S3DVertexChannel>();
    m_pOpacityChannel->name = "opacityMap";
    m_pOpacityChannel->values.assign(nbVertex, 1.0f);
    m_pOpacityMap = &m_pOpacityChannel->values;
    // A vertex takes the texture vertex of the first face corner that uses it.
    m_vertexTextureVertex.assign(nbVertex, 0);
    std::vector<bool> seen(nbVertex, false);
    for (const S3DFace& face : m_faces) {
      const uint16_t corners[3][2] = {{face.a, face.ta}, {face.b, face.tb}, {face.c, face.tc}};
      for (const auto& corner : corners) {
        if (seen[corner[0]]) continue;
        seen[corner[0]] = true;
        m_vertexTextureVertex[corner[0]] = corner[1];
      }
    }
  }

  for (S3DGeneratedChannel& generated : m_generatedChannels) {
    generated.channel.values.assign(nbVertex, 0.0f);
    generateChannel(generated.kind, generated.parameters, m_vertices, m_boxMin, m_boxMax,
                    generated.channel.values);
  }
  for (S3DLightingChannel& lighting : m_lightingChannels)
    lighting.channel.values.assign(nbVertex, 0.0f);

  // Names the modifiers and the operations use.
  const auto resolve = [this](S3DChannelDescription& description) {
    description.pValues =
        description.useChannel != 0 ? findChannel(description.channelName) : nullptr;
  };
  for (S3DModifierApplication& application : m_applications)
    resolve(application.channel);
  for (S3DWSModifierBinding& binding : m_wsModifiers)
    resolve(binding.channel);
  for (S3DChannelOperation& operation : m_channelOperations) {
    operation.pOutput = findChannel(operation.output);
    operation.pInput1 = findChannel(operation.input1);
    operation.pInput2 = isObjectName(operation.input2) ? findChannel(operation.input2) : nullptr;
  }
}

void S3DTriObject::updateOpacityMap() {
  if (!m_pOpacityChannel || !m_pOpacityLayer) return;
  const RasterTexture* pTexture = m_pOpacityLayer->m_pTexture->getRaster();
  if (!pTexture) return;
  std::vector<float>& values = m_pOpacityChannel->values;
  for (std::size_t v = 0; v < values.size(); ++v) {
    const Vec3 t = m_textureVertices[m_vertexTextureVertex[v]];
    float u = t.x, w = t.y;
    m_pOpacityLayer->transformUV(u, w);
    values[v] = texelOpacity(*pTexture, u, w);
  }
}

void S3DTriObject::updateChannels() {
  for (S3DLightingChannel& lighting : m_lightingChannels)
    if (!lighting.channel.values.empty())
      lightVertices(m_cameraVertices, m_cameraNormals, lighting.lights, lighting.channel.values);
  for (const S3DChannelOperation& operation : m_channelOperations) {
    if (!operation.pOutput || !operation.pInput1) continue;
    applyChannelOperation(
        operation.operation, *operation.pInput1,
        operation.pInput2 ? std::span<const float>(*operation.pInput2) : std::span<const float>(),
        *operation.pOutput);
  }
}
