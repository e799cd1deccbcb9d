#include "tools/l3x_scene_writer.h"

#include <string>
#include <string_view>

#include "base/chunk_file_writer.h"

namespace L3xScene {

namespace {

class SceneWriter {
 public:
  explicit SceneWriter(ChunkFileWriterManager& manager) : m_manager(manager) {}

  void write(const Scene& scene) {
    chunk(53454, [&](ChunkFileWriter&) {
      chunk(50, [&](ChunkFileWriter& w) { w.writeWord(scene.animLength); });
      if (!scene.name.empty()) stringChunk(502, scene.name);
      list(130, 131, scene.materials, [&](const Material& material) { writeMaterial(material); });
      list(100, 101, scene.meshes, [&](const Mesh& mesh) { writeMesh(mesh); });
      list(150, 151, scene.dummies, [&](const Dummy& dummy) { writeHead(1, dummy.head); });
      list(120, 121, scene.cameras, [&](const Camera& camera) { writeCamera(camera); });
      list(110, 111, scene.lights, [&](const Light& light) { writeLight(light); });
    });
  }

 private:
  template <class Body>
  void chunk(std::uint16_t id, Body&& body) {
    ChunkFileWriter writer(&m_manager);
    writer.beginChunk(id);
    body(writer);
    writer.endChunk();
  }

  void stringChunk(std::uint16_t id, const std::string& text) {
    chunk(id, [&](ChunkFileWriter& w) { w.writeString(StringC(std::string_view(text))); });
  }
  void intChunk(std::uint16_t id, std::int32_t value) {
    chunk(id, [&](ChunkFileWriter& w) { w.writeInt(value); });
  }
  void floatChunk(std::uint16_t id, float value) {
    chunk(id, [&](ChunkFileWriter& w) { w.writeFloat(value); });
  }
  void pointChunk(std::uint16_t id, const Point& p) {
    chunk(id, [&](ChunkFileWriter& w) { w.writePoint3(p.x, p.y, p.z); });
  }

  // A list chunk: the word count, then one `itemId` chunk per item. Nothing when empty.
  template <class Item, class WriteItem>
  void list(std::uint16_t id, std::uint16_t itemId, const std::vector<Item>& items,
            WriteItem&& writeItem) {
    if (items.empty()) return;
    chunk(id, [&](ChunkFileWriter& w) {
      w.writeWord(static_cast<std::uint16_t>(items.size()));
      for (const Item& item : items)
        chunk(itemId, [&](ChunkFileWriter&) { writeItem(item); });
    });
  }

  // A track holder: track chunk 1 (type 1, linear), key chunk 1 (count, keys).
  template <class Key, class WriteValue>
  void track(std::uint16_t id, const std::vector<Key>& keys, WriteValue&& writeValue) {
    if (keys.empty()) return;
    chunk(id, [&](ChunkFileWriter&) {
      chunk(1, [&](ChunkFileWriter& type) {
        type.writeByte(1);
        chunk(1, [&](ChunkFileWriter& w) {
          w.writeInt(static_cast<std::int32_t>(keys.size()));
          for (const Key& key : keys) {
            w.writeInt(key.frame);
            writeValue(w, key.value);
          }
        });
      });
    });
  }

  void writeHead(std::uint16_t id, const Head& head) {
    chunk(id, [&](ChunkFileWriter&) {
      stringChunk(1, head.name);
      stringChunk(2, head.parentName.empty() ? "NULL" : head.parentName);
      chunk(3, [&](ChunkFileWriter&) {
        chunk(100, [&](ChunkFileWriter&) {
          chunk(101, [&](ChunkFileWriter& w) { w.writeByte(1); });
          pointChunk(103, head.position);
          pointChunk(104, head.scale);
          chunk(105, [&](ChunkFileWriter& w) {
            const Rotation& r = head.rotation;
            w.writeAngleAxis(r.axis.x, r.axis.y, r.axis.z, r.angle);
          });
        });
        if (head.positionKeys.empty() && head.scaleKeys.empty() && head.rotationKeys.empty())
          return;
        chunk(200, [&](ChunkFileWriter&) {
          auto point = [](ChunkFileWriter& w, const Point& p) { w.writePoint3(p.x, p.y, p.z); };
          track(201, head.positionKeys, point);
          track(202, head.scaleKeys, point);
          track(203, head.rotationKeys, [](ChunkFileWriter& w, const Rotation& r) {
            w.writeAngleAxis(r.axis.x, r.axis.y, r.axis.z, r.angle);
          });
        });
      });
    });
  }

  void writeMaterial(const Material& material) {
    stringChunk(101, material.name);
    chunk(200, [&](ChunkFileWriter& w) {
      w.writeInt(static_cast<std::int32_t>(material.subMaterials.size()));
      for (const SubMaterial& sub : material.subMaterials)
        chunk(201, [&](ChunkFileWriter&) {
          stringChunk(1, sub.name);
          chunk(2, [&](ChunkFileWriter&) {
            chunk(1, [&](ChunkFileWriter&) {
              intChunk(10, 1);  // polygonsEnabled
              intChunk(11, sub.twoSided);
              intChunk(12, sub.shadingType);
              intChunk(13, 0);  // blendMode: normal
              floatChunk(14, sub.opacity);
              intChunk(15, 0);  // textureOption
              pointChunk(17, sub.colour1);
              pointChunk(18, sub.colour2);
              pointChunk(19, sub.colour3);
            });
          });
          if (!sub.texture.empty()) writeTextureLayer(sub.texture);
          if (!sub.video.empty()) writeMapLayer(sub.video);
        });
    });
  }

  // The texture layer: the whole picture (window 0 0 1 1), left disabled. Textured drawing takes
  // the layer's picture either way; an enabled layer would also draw the picture at every vertex
  // as a point image.
  void writeTextureLayer(const std::string& picture) {
    chunk(4, [&](ChunkFileWriter&) {
      chunk(1, [&](ChunkFileWriter&) {
        intChunk(10, 0);  // enabled
        chunk(12, [&](ChunkFileWriter& w) {
          w.writeString(StringC(std::string_view(picture)));
          for (const float value : {0.0f, 0.0f, 1.0f, 1.0f})
            w.writeFloat(value);
        });
      });
    });
  }

  // The map layer of a video: enabled, the texel as the texture layer's picture would give it
  // (combination 0), the mesh's texture coordinates untransformed, no opacity map. The player
  // shows the frame of the scene's time, one every 1/30 s.
  void writeMapLayer(const std::string& video) {
    chunk(5, [&](ChunkFileWriter&) {
      chunk(1, [&](ChunkFileWriter&) {
        stringChunk(10, video);
        intChunk(11, 1);  // enabled
        intChunk(12, 0);  // combination
        intChunk(13, 0);  // uvTransform
        intChunk(20, 0);  // opacityMap
      });
    });
  }

  void writeMesh(const Mesh& mesh) {
    writeHead(1, mesh.head);
    chunk(2, [&](ChunkFileWriter& w) { w.writeWord(mesh.materialIndex); });
    chunk(501, [&](ChunkFileWriter&) {
      chunk(502, [&](ChunkFileWriter& w) {
        w.writeWord(static_cast<std::uint16_t>(mesh.vertices.size()));
        for (const Point& p : mesh.vertices)
          w.writePoint3(p.x, p.y, p.z);
      });
      if (mesh.textureVertices.empty()) return;
      chunk(504, [&](ChunkFileWriter& w) {
        for (const Point& p : mesh.textureVertices)
          w.writePoint3(p.x, p.y, p.z);
      });
    });
    auto writeFaces = [&](ChunkFileWriter& w) {
      for (const auto& face : mesh.faces)
        for (const std::uint16_t index : face)
          w.writeWord(index);
    };
    chunk(1000, [&](ChunkFileWriter&) {
      chunk(1001, [&](ChunkFileWriter& w) {
        w.writeWord(static_cast<std::uint16_t>(mesh.faces.size()));
        writeFaces(w);
      });
      if (!mesh.textureVertices.empty()) chunk(1002, writeFaces);
      chunk(1003, [&](ChunkFileWriter& w) {
        for (const std::uint16_t sub : mesh.subMaterials)
          w.writeWord(sub);
      });
    });
    writeDeformers(mesh);
    if (mesh.sorted != 0) intChunk(2105, mesh.sorted);
    if (mesh.lightNames.empty()) return;
    chunk(2030, [&](ChunkFileWriter& w) {
      w.writeWord(static_cast<std::uint16_t>(mesh.lightNames.size()));
      for (const std::string& name : mesh.lightNames)
        stringChunk(2031, name);
    });
  }

  void writeMatrix(ChunkFileWriter& w, const Matrix12& m) {
    for (const float value : m)
      w.writeFloat(value);
  }

  // The modifier stack (2000): morph (type 2), then skin (type 1), then the gizmo modifiers, and
  // the application list (2010) naming them by index in that order, so the skin moves the
  // morphed vertices and the gizmos deform what the skin made.
  void writeDeformers(const Mesh& mesh) {
    std::size_t total = mesh.modifiers.size();
    if (!mesh.morphTargets.empty()) ++total;
    if (mesh.skin) ++total;
    if (total == 0) return;
    const auto count = static_cast<std::uint16_t>(total);
    chunk(2000, [&](ChunkFileWriter& w) {
      w.writeWord(count);
      if (!mesh.morphTargets.empty())
        chunk(2001, [&](ChunkFileWriter& type) {
          type.writeByte(2);
          chunk(50, [&](ChunkFileWriter&) { writeMorph(mesh.morphTargets); });
        });
      if (mesh.skin)
        chunk(2001, [&](ChunkFileWriter& type) {
          type.writeByte(1);
          chunk(50, [&](ChunkFileWriter&) { writeSkin(*mesh.skin); });
        });
      for (const GizmoModifier& modifier : mesh.modifiers)
        chunk(2001, [&](ChunkFileWriter& type) {
          type.writeByte(modifier.type);
          chunk(50, [&](ChunkFileWriter&) {
            for (const auto& byte : modifier.bytes)
              chunk(byte.first, [&](ChunkFileWriter& w) { w.writeByte(byte.second); });
            for (const auto& [id, value] : modifier.floats)
              floatChunk(id, value);
          });
        });
    });
    chunk(2010, [&](ChunkFileWriter& w) {
      w.writeWord(count);
      for (std::uint16_t i = 0; i < count; ++i)
        chunk(2011, [&](ChunkFileWriter&) {
          stringChunk(2012, std::to_string(i));
          chunk(2013, [&](ChunkFileWriter&) {
            intChunk(1, 0);  // every vertex fully
            intChunk(2, 0);
            stringChunk(3, "");
          });
        });
    });
  }

  // 70 the mesh's bind matrix; 100 bones (word count, then name and bind matrix each); 200
  // vertices (int count, then per vertex a word count and (float weight, word bone) pairs).
  void writeSkin(const Skin& skin) {
    chunk(70, [&](ChunkFileWriter& w) { writeMatrix(w, skin.bind); });
    chunk(100, [&](ChunkFileWriter& w) {
      w.writeWord(static_cast<std::uint16_t>(skin.bones.size()));
      for (const Bone& bone : skin.bones) {
        w.writeString(StringC(std::string_view(bone.name)));
        writeMatrix(w, bone.bind);
      }
    });
    chunk(200, [&](ChunkFileWriter& w) {
      w.writeInt(static_cast<std::int32_t>(skin.vertices.size()));
      for (const auto& weights : skin.vertices) {
        w.writeWord(static_cast<std::uint16_t>(weights.size()));
        for (const BoneWeight& weight : weights) {
          w.writeFloat(weight.weight);
          w.writeWord(weight.bone);
        }
      }
    });
  }

  // 100 targets: word count, then per target 101 (50: 101 name, 102 weight; 250: 301 track).
  void writeMorph(const std::vector<MorphTarget>& targets) {
    chunk(100, [&](ChunkFileWriter& w) {
      w.writeWord(static_cast<std::uint16_t>(targets.size()));
      for (const MorphTarget& target : targets)
        chunk(101, [&](ChunkFileWriter&) {
          chunk(50, [&](ChunkFileWriter&) {
            stringChunk(101, target.name);
            floatChunk(102, target.weight);
          });
          if (target.weightKeys.empty()) return;
          chunk(250, [&](ChunkFileWriter&) {
            track(301, target.weightKeys,
                  [](ChunkFileWriter& w, float value) { w.writeFloat(value); });
          });
        });
    });
  }

  void writeCamera(const Camera& camera) {
    writeHead(1, camera.head);
    writeHead(2, camera.target);
    chunk(100, [&](ChunkFileWriter&) {
      floatChunk(101, camera.fov);
      floatChunk(102, 0);  // roll
      floatChunk(103, camera.nearClip);
      floatChunk(104, camera.farClip);
    });
  }

  void writeLight(const Light& light) {
    writeHead(1, light.head);
    writeHead(2, light.target);
    chunk(100, [&](ChunkFileWriter&) {
      pointChunk(101, light.color);
      intChunk(105, light.type);
      floatChunk(102, light.intensity);
      floatChunk(103, light.nearAttenuation);
      floatChunk(104, light.farAttenuation);
      floatChunk(107, light.hotspot);
      floatChunk(106, light.falloff);
    });
  }

  ChunkFileWriterManager& m_manager;
};

}  // namespace

bool write(const Scene& scene, const std::string& fileName, std::uint8_t packingFlag) {
  ChunkFileWriterManager manager(StringC(std::string_view(fileName)), packingFlag);
  if (!manager.isOpen()) return false;
  SceneWriter(manager).write(scene);
  manager.close();
  return true;
}

}  // namespace L3xScene
