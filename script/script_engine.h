#pragma once
// ScriptEngine: everything one .lscx script describes. It reads the script section by section in
// a fixed order, owns the objects of every section in one registry each, resolves names between
// sections, gives the script time, and renders a frame by running the layer managers.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/string_c.h"
#include "control/crt_rand.h"
#include "control/lecx_controller.h"
#include "image/cimage32.h"
#include "script/config.h"
#include "script/render_data.h"
#include "script/script_clock.h"
#include "script/script_controller_manager.h"
#include "script/script_effect.h"
#include "script/script_layer_manager.h"
#include "script/script_mix.h"
#include "script/script_object.h"
#include "script/script_registry.h"
#include "script/script_resource.h"

class ScriptReader;

class ScriptEngine {
 public:
  explicit ScriptEngine(ScriptEngineServices services = {});
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // Reads the script; files it names are resolved against the current directory. Failures are
  // reported and loading goes on; a file that cannot be opened leaves the engine empty.
  void load(const StringC& fileName);
  // Sets the music to its offset and starts it; notes the tick count the clock runs from.
  void start();
  // Script time in ms: the frame time when one is set, else the music's position, else the
  // ticks since start().
  std::int32_t getTime();
  // Renders one frame into pDst, which becomes the destination of the last layer manager.
  void render(CImage32* pDst);

  // An offline renderer sets the time of the frame it renders; nothing goes back to the clock.
  void setFrameTime(std::optional<std::int32_t> time) { m_frameTime = time; }

  // --- Lookups by name: "NULL" gives null silently; a miss is reported ---
  ScriptLayerDim* findLayerDim(const StringC& name) const;
  ScriptController* findController(const StringC& name) const;
  ScriptRessource2D* findRessource2D(const StringC& name) const;
  ScriptRessource3D* findRessource3D(const StringC& name) const;
  ScriptRessourceSkyBox* findRessourceSkyBox(const StringC& name) const;
  RenderDataScreenLayer* findScreenLayer(const StringC& name) const;
  RenderData3DDesc* find3DDesc(const StringC& name) const;
  RenderDataSceneDesc* findRenderDesc(const StringC& name) const;
  CImage32* findBuffer(const StringC& name) const;
  ScriptMix* findMix(const StringC& name) const;
  ScriptMixDesc* findMixDesc(const StringC& name) const;
  ScriptEffect* findEffect(const StringC& name) const;
  ScriptEffectDesc* findEffectDesc(const StringC& name) const;
  RenderData* findRenderData(const StringC& name) const;

  // Reports a problem of the script with the engine's caption.
  static void reportLoad(std::string_view text);

  // --- What was loaded ---
  std::int32_t getMusicOffset() const { return m_musicOffset; }
  // The music file named by the script, resolved; unset when the script names "NULL".
  const StringC& getMusicFile() const { return m_musicFile; }
  bool hasMusic() const { return m_pMusic != nullptr; }
  int getScreenLayerCount() const { return m_screenLayers.count(); }
  RenderDataScreenLayer* getScreenLayer(int index) const { return m_screenLayers.at(index); }
  int getLayerManagerCount() const { return static_cast<int>(m_layerManagers.size()); }
  ScriptLayerManager* getLayerManager(int index) const {
    return m_layerManagers[static_cast<std::size_t>(index)].get();
  }
  // Gives the first controller of the CONTROLLER entry `name` to the target's setController,
  // then lets the controller bind its parameters, whether the target took it or not. Nothing
  // when no entry has that name ("NULL" silently, any other name reported by the lookup).
  template <class Target>
  void attachController(Target& target, const StringC& name) const {
    ScriptController* pEntry = findController(name);
    if (!pEntry) return;
    LECXController* pController = pEntry->getFirstController();
    target.setController(pController);
    if (pController) pController->bind();
  }
  ScriptControllerManager& getControllerManager() { return m_controllerManager; }
  // What the images the script makes may still hold.
  PixelBudget& getPixelBudget() { return m_pixelBudget; }
  // The C runtime's one generator, as this show has used it so far.
  CrtRand& getRuntimeRand() { return m_runtimeRand; }

  const ScriptRegistry<ScriptLayerDim>& layerDims() const { return m_layerDims; }
  const ScriptRegistry<ScriptController>& controllers() const { return m_controllers; }
  const ScriptRegistry<ScriptImage>& images() const { return m_images; }
  const ScriptRegistry<ScriptRessource2D>& ressources2D() const { return m_ressources2D; }
  const ScriptRegistry<ScriptRessource3D>& ressources3D() const { return m_ressources3D; }
  const ScriptRegistry<ScriptRessourceSkyBox>& ressourcesSkyBox() const {
    return m_ressourcesSkyBox;
  }
  const ScriptRegistry<RenderData2DDesc>& descs2D() const { return m_descs2D; }
  const ScriptRegistry<RenderData3DDesc>& descs3D() const { return m_descs3D; }
  const ScriptRegistry<RenderDataSkyBoxDesc>& descsSkyBox() const { return m_descsSkyBox; }
  const ScriptRegistry<RenderDataImage>& imageSources() const { return m_imageSources; }
  const ScriptRegistry<ScriptMix>& mixes() const { return m_mixes; }
  const ScriptRegistry<ScriptEffect>& effects() const { return m_effects; }
  const ScriptRegistry<ScriptMixDesc>& mixDescs() const { return m_mixDescs; }
  const ScriptRegistry<ScriptEffectDesc>& effectDescs() const { return m_effectDescs; }

 private:
  void readMusic(ScriptReader& reader);
  template <class Resource>
  void readResources(ScriptReader& reader, int sectionIndex, ScriptRegistry<Resource>& registry);
  void loadControllerFolder();
  void createImageSources();
  void readScreenLayers(ScriptReader& reader);
  void read2DDescs(ScriptReader& reader);
  void read3DDescs(ScriptReader& reader);
  void readSkyBoxDescs(ScriptReader& reader);
  void readLayerDependencies(ScriptReader& reader);
  void readLayerManagers(ScriptReader& reader);

  ScriptEngineServices m_services;
  SystemTickSource m_systemTicks;
  std::optional<std::int32_t> m_frameTime;

  std::int32_t m_musicOffset = 0;
  StringC m_musicFile;
  PixelBudget m_pixelBudget;
  std::unique_ptr<ScriptMusic> m_pMusic;
  std::uint32_t m_startTick = 0;

  // The C runtime's one generator: noise tables and the "rand" of formulas draw from it in the
  // order the show is loaded, as they always have.
  CrtRand m_runtimeRand;
  // Declared before the registries: destroyed last.
  ScriptControllerManager m_controllerManager;

  // Released in this order by the destructor, the music first.
  ScriptRegistry<ScriptLayerDim> m_layerDims;
  ScriptRegistry<ScriptController> m_controllers;
  ScriptRegistry<ScriptImage> m_images;
  ScriptRegistry<ScriptRessource2D> m_ressources2D;
  ScriptRegistry<ScriptRessource3D> m_ressources3D;
  ScriptRegistry<ScriptRessourceSkyBox> m_ressourcesSkyBox;
  ScriptRegistry<RenderDataScreenLayer> m_screenLayers;
  // The SPE_LAYER section is read and counted; it creates nothing.
  ScriptRegistry<RenderData> m_speLayers;
  ScriptRegistry<RenderDataImage> m_imageSources;
  ScriptRegistry<RenderData2DDesc> m_descs2D;
  ScriptRegistry<RenderData3DDesc> m_descs3D;
  ScriptRegistry<RenderDataSkyBoxDesc> m_descsSkyBox;
  ScriptRegistry<ScriptMixDesc> m_mixDescs;
  ScriptRegistry<ScriptMix> m_mixes;
  ScriptRegistry<ScriptEffectDesc> m_effectDescs;
  ScriptRegistry<ScriptEffect> m_effects;
  std::vector<std::unique_ptr<ScriptLayerManager>> m_layerManagers;
};
