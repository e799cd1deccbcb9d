#include "script/script_engine.h"

#include <chrono>

#include "base/file_tools.h"
#include "base/report.h"
#include "base/scan_line.h"
#include "control/sound_level_source.h"
#include "script/config.h"
#include "script/script_reader_p.h"

namespace {

// The sections in their reading order, which is the order they must stand in the file.
enum SectionIndex {
  kLayerDimension,
  kController,
  kImage,
  kRes2D,
  kRes3D,
  kSkyBox,
  kScreenLayer,
  kDesc2D,
  kDesc3D,
  kSkyBoxDesc,
  kSpeLayer,
  kLayerDependency,
  kMix,
  kEffect,
  kMixDesc,
  kEffectDesc,
  kLayerManager,
};

constexpr ScriptSection kSections[] = {
    {"<LAYER_DIMENSION>", "</LAYER_DIMENSION>", "desc:", 1000, "nb >= MAX_NB_LAYER_DIM"},
    {"<CONTROLLER>", "</CONTROLLER>", "file:", 2000, "nb >= MAX_NB_CONTROLLER"},
    {"<IMAGE>", "</IMAGE>", "file:", 2000, "nb >= MAX_NB_IMAGE"},
    {"<2D>", "</2D>", "file:", 1000, "nb >= MAX_NB_RES2D"},
    {"<3D>", "</3D>", "file:", 1000, "nb >= MAX_NB_RES3D"},
    {"<SKYBOX>", "</SKYBOX>", "file:", 1000, "nb >= MAX_NB_SKYBOX"},
    {"<SCREEN_LAYER>", "</SCREEN_LAYER>", "desc:", 2000, "nb >= MAX_NB_SCREEN_LAYER"},
    {"<2D_DESC>", "</2D_DESC>", "desc:", 2000, "nb >= MAX_NB_2D_DESC"},
    {"<3D_DESC>", "</3D_DESC>", "desc:", 2000, "nb >= MAX_NB_3D_DESC"},
    {"<SKYBOX_DESC>", "</SKYBOX_DESC>", "desc:", 2000, "nb >= MAX_NB_SKYBOX_DESC"},
    {"<SPE_LAYER>", "</SPE_LAYER>", "desc:", 2000, "nb >= MAX_NB_SPE_LAYER"},
    {"<LAYER_DEPENDENCY>", "</LAYER_DEPENDENCY>", "desc:", 2000, "nb >= MAX_NB_LAYER_DEP"},
    {"<MIX>", "</MIX>", "desc:", 2000, "nb >= MAX_NB_MIX"},
    {"<EFFECT>", "</EFFECT>", "desc:", 2000, "nb >= MAX_NB_EFFECT"},
    {"<MIX_DESC>", "</MIX_DESC>", "desc:", 2000, "nb >= MAX_NB_MIX_DESC"},
    {"<EFFECT_DESC>", "</EFFECT_DESC>", "desc:", 2000, "nb >= MAX_NB_EFFECT_DESC"},
    {"<LAYER_MANAGER>", "</LAYER_MANAGER>", "desc:", 2000, "nb >= MAX_NB_LAYER_OPERATION"},
};
static_assert(std::size(kSections) == kLayerManager + 1);

bool isNoName(const StringC& name) {
  return name.isEmpty() || name == "NULL";
}

std::string withName(const char* message, const StringC& name) {
  std::string text(message);
  text += name.view();
  return text;
}

// A lookup in one registry: "NULL" gives null silently, and so does an empty registry unless the
// lookup searches it anyway; a miss is reported with `message` and the name.
template <class T>
T* lookup(const ScriptRegistry<T>& registry, const StringC& name, const char* message) {
  if (isNoName(name) || registry.isEmpty()) return nullptr;
  if (T* pFound = registry.find(name)) return pFound;
  ScriptEngine::reportLoad(withName(message, name));
  return nullptr;
}

// Reads the word fields of a line after its keyword.
std::vector<std::string> words(const std::string& line, int count) {
  ScanLine in(line);
  in.skip();
  std::vector<std::string> out(static_cast<std::size_t>(count));
  for (std::string& word : out) {
    if (!in.word(word)) break;
  }
  return out;
}

}  // namespace

std::uint32_t SystemTickSource::getTicks() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

ScriptEngine::ScriptEngine(ScriptEngineServices services) : m_services(std::move(services)) {
  if (!m_services.pTicks) m_services.pTicks = &m_systemTicks;
  m_controllerManager.setRuntimeRand(&m_runtimeRand);
  m_controllerManager.setInputDeviceFactory(m_services.createInputDevice);
}

ScriptEngine::~ScriptEngine() {
  m_pMusic.reset();
  m_layerDims.clear();
  m_controllers.clear();
  m_images.clear();
  m_ressources2D.clear();
  m_ressources3D.clear();
  m_ressourcesSkyBox.clear();
  m_screenLayers.clear();
  m_speLayers.clear();
  m_imageSources.clear();
  m_descs2D.clear();
  m_descs3D.clear();
  m_descsSkyBox.clear();
  m_mixDescs.clear();
  m_mixes.clear();
  m_effectDescs.clear();
  m_effects.clear();
  m_layerManagers.clear();
}

void ScriptEngine::reportLoad(std::string_view text) {
  report("ScriptEngine :", text);
}

void ScriptEngine::load(const StringC& fileName) {
  ScriptReader reader;
  if (!reader.open(fileName.view())) {
    reportLoad(withName("Can't open file : ", fileName));
    return;
  }
  readMusic(reader);
  loadControllerFolder();
  for (const std::string& line : reader.readSection(kSections[kLayerDimension])) {
    ScanLine in(line);
    std::string name;
    std::int32_t width = 0, height = 0;
    in.skip(), in.word(name), in.integer(width), in.integer(height);
    m_layerDims.add(std::make_unique<ScriptLayerDim>(StringC(name), width, height));
  }
  readResources(reader, kController, m_controllers);
  readResources(reader, kImage, m_images);
  readResources(reader, kRes2D, m_ressources2D);
  readResources(reader, kRes3D, m_ressources3D);
  readResources(reader, kSkyBox, m_ressourcesSkyBox);
  createImageSources();
  readScreenLayers(reader);
  read2DDescs(reader);
  read3DDescs(reader);
  readSkyBoxDescs(reader);
  reader.readSection(kSections[kSpeLayer]);
  readLayerDependencies(reader);
  for (const std::string& line : reader.readSection(kSections[kMix])) {
    m_mixes.add(createMix(line, *this));
  }
  for (const std::string& line : reader.readSection(kSections[kEffect])) {
    m_effects.add(createEffect(line, *this));
  }
  for (const std::string& line : reader.readSection(kSections[kMixDesc])) {
    m_mixDescs.add(createMixDesc(line, *this));
  }
  for (const std::string& line : reader.readSection(kSections[kEffectDesc])) {
    m_effectDescs.add(createEffectDesc(line, *this));
  }
  readLayerManagers(reader);
  reader.close();
}

void ScriptEngine::readMusic(ScriptReader& reader) {
  if (!reader.find("<MUSIC>")) return;
  if (std::optional<std::string> line = reader.find("file:")) {
    const std::vector<std::string> fields = words(*line, 1);
    StringC name(fields[0]);
    if (!isNoName(name) && !fields[0].empty()) {
      name.findFile();
      m_musicFile = name;
      if (m_services.createMusic) {
        m_pMusic = m_services.createMusic();
        if (m_pMusic) m_pMusic->load(name);
      }
    }
  }
  if (std::optional<std::string> line = reader.find("offset:")) {
    ScanLine in(*line);
    in.skip(), in.integer(m_musicOffset);
  }
  reader.find("</MUSIC>");
}

template <class Resource>
void ScriptEngine::readResources(ScriptReader& reader, int sectionIndex,
                                 ScriptRegistry<Resource>& registry) {
  const std::vector<std::string> lines = reader.readSection(kSections[sectionIndex]);
  registry.reserve(lines.size());
  for (const std::string& line : lines) {
    const std::vector<std::string> fields = words(line, 3);
    auto pResource = std::make_unique<Resource>();
    if (!fields[0].empty()) pResource->setName(StringC(fields[0]));
    if (!fields[1].empty()) pResource->setFile(StringC(fields[1]));
    if constexpr (std::is_same_v<Resource, ScriptRessourceSkyBox>) {
      if (!fields[2].empty()) pResource->setSecondFile(StringC(fields[2]));
    }
    pResource->load();
    if constexpr (std::is_same_v<Resource, ScriptController>) {
      pResource->prepare(m_runtimeRand);
      m_controllerManager.link(pResource->getFirstController());
    }
    registry.add(std::move(pResource));
  }
}

void ScriptEngine::loadControllerFolder() {
  // A music that can tell its level is what sound controllers read.
  m_controllerManager.setMusic(dynamic_cast<SoundLevelSource*>(m_pMusic.get()));
  StringC directory;
  FileTools::getCurrentDirectory(directory);
  m_controllerManager.load(StringC(std::string(directory.view()) + "data/lcx/"));
}

void ScriptEngine::createImageSources() {
  for (int i = 0; i < m_images.count(); ++i) {
    auto pSource = std::make_unique<RenderDataImage>();
    pSource->setName(m_images.at(i)->getName());
    pSource->setBuffer(m_images.at(i)->getImage());
    m_imageSources.add(std::move(pSource));
  }
}

void ScriptEngine::readScreenLayers(ScriptReader& reader) {
  for (const std::string& line : reader.readSection(kSections[kScreenLayer])) {
    const std::vector<std::string> fields = words(line, 2);
    auto pLayer = std::make_unique<RenderDataScreenLayer>();
    if (!fields[0].empty()) pLayer->setName(StringC(fields[0]));
    pLayer->setDimension(findLayerDim(StringC(fields[1])));
    pLayer->createBuffer(m_pixelBudget);
    m_screenLayers.add(std::move(pLayer));
  }
}

namespace {

// "desc:" name resource dimension word timeOffset camera, the common form of 2D_DESC and
// 3D_DESC lines.
struct SceneDescLine {
  std::string name, resource, dimension, word;
  std::int32_t timeOffset = 0;
  std::int32_t camera = 0;
};

SceneDescLine readSceneDesc(const std::string& line) {
  SceneDescLine out;
  ScanLine in(line);
  in.skip(), in.word(out.name), in.word(out.resource), in.word(out.dimension), in.word(out.word),
      in.integer(out.timeOffset), in.integer(out.camera);
  return out;
}

}  // namespace

void ScriptEngine::read2DDescs(ScriptReader& reader) {
  for (const std::string& line : reader.readSection(kSections[kDesc2D])) {
    const SceneDescLine fields = readSceneDesc(line);
    auto pDesc = std::make_unique<RenderData2DDesc>();
    if (!fields.name.empty()) pDesc->setName(StringC(fields.name));
    if (ScriptRessource2D* pResource = findRessource2D(StringC(fields.resource)))
      pDesc->setScene(pResource->getScene());
    pDesc->setDimension(findLayerDim(StringC(fields.dimension)));
    pDesc->setTimeOffset(fields.timeOffset);
    pDesc->setCamera(fields.camera);
    m_descs2D.add(std::move(pDesc));
  }
}

void ScriptEngine::read3DDescs(ScriptReader& reader) {
  for (const std::string& line : reader.readSection(kSections[kDesc3D])) {
    const SceneDescLine fields = readSceneDesc(line);
    auto pDesc = std::make_unique<RenderData3DDesc>();
    if (!fields.name.empty()) pDesc->setName(StringC(fields.name));
    pDesc->setDimension(findLayerDim(StringC(fields.dimension)));
    pDesc->createViewPort(m_pixelBudget);
    if (ScriptRessource3D* pResource = findRessource3D(StringC(fields.resource)))
      pDesc->setScene(pResource->getScene());
    pDesc->setTimeOffset(fields.timeOffset);
    pDesc->setCamera(fields.camera);
    attachController(*pDesc, StringC(fields.word));
    m_descs3D.add(std::move(pDesc));
  }
}

void ScriptEngine::readSkyBoxDescs(ScriptReader& reader) {
  for (const std::string& line : reader.readSection(kSections[kSkyBoxDesc])) {
    ScanLine in(line);
    std::string name, resource, dimension, desc3D;
    std::int32_t number = 0;
    in.skip(), in.word(name), in.word(resource), in.word(dimension), in.word(desc3D),
        in.integer(number);
    auto pDesc = std::make_unique<RenderDataSkyBoxDesc>();
    if (!name.empty()) pDesc->setName(StringC(name));
    findRessourceSkyBox(StringC(resource));
    pDesc->setDimension(findLayerDim(StringC(dimension)));
    find3DDesc(StringC(desc3D));
    pDesc->setNumber(number);
    m_descsSkyBox.add(std::move(pDesc));
  }
}

void ScriptEngine::readLayerDependencies(ScriptReader& reader) {
  for (const std::string& line : reader.readSection(kSections[kLayerDependency])) {
    const std::vector<std::string> fields = words(line, 3);
    if (RenderDataSceneDesc* pDesc = findRenderDesc(StringC(fields[2]))) {
      pDesc->addDependency(findScreenLayer(StringC(fields[0])), StringC(fields[1]));
    }
  }
}

void ScriptEngine::readLayerManagers(ScriptReader& reader) {
  const std::vector<std::string> lines = reader.readSection(kSections[kLayerManager]);
  if (lines.empty() || m_screenLayers.isEmpty()) return;
  for (int i = 0; i < m_screenLayers.count(); ++i) {
    auto pManager = std::make_unique<ScriptLayerManager>();
    pManager->build(*this, i, lines);
    m_layerManagers.push_back(std::move(pManager));
  }
}

void ScriptEngine::start() {
  if (m_pMusic) {
    m_pMusic->setTime(m_musicOffset);
    m_pMusic->play();
  }
  m_startTick = m_services.pTicks->getTicks();
}

std::int32_t ScriptEngine::getTime() {
  if (m_frameTime) return *m_frameTime;
  if (m_pMusic) return m_pMusic->getTime();
  return static_cast<std::int32_t>(m_services.pTicks->getTicks() - m_startTick);
}

void ScriptEngine::render(CImage32* pDst) {
  if (m_layerManagers.empty()) return;
  m_controllerManager.prepareFrame();
  m_layerManagers.back()->setDestination(pDst);
  const std::int32_t time = getTime();
  for (const auto& pManager : m_layerManagers)
    pManager->run(time);
  m_controllerManager.drawMarker(pDst);
}

ScriptLayerDim* ScriptEngine::findLayerDim(const StringC& name) const {
  return lookup(m_layerDims, name, "Can't find layerDim: ");
}

ScriptController* ScriptEngine::findController(const StringC& name) const {
  return lookup(m_controllers, name, "Can't find controller: ");
}

ScriptRessource2D* ScriptEngine::findRessource2D(const StringC& name) const {
  return lookup(m_ressources2D, name, "Can't find ressource2D: ");
}

ScriptRessource3D* ScriptEngine::findRessource3D(const StringC& name) const {
  return lookup(m_ressources3D, name, "Can't find ressource3D: ");
}

ScriptRessourceSkyBox* ScriptEngine::findRessourceSkyBox(const StringC& name) const {
  return lookup(m_ressourcesSkyBox, name, "Can't find ressourceSkyBox: ");
}

RenderDataScreenLayer* ScriptEngine::findScreenLayer(const StringC& name) const {
  return lookup(m_screenLayers, name, "Can't find SCREEN_LAYER: ");
}

RenderData3DDesc* ScriptEngine::find3DDesc(const StringC& name) const {
  return lookup(m_descs3D, name, "Can't find 3D_DESC: ");
}

ScriptMix* ScriptEngine::findMix(const StringC& name) const {
  return lookup(m_mixes, name, "Can't find Mix: ");
}

ScriptMixDesc* ScriptEngine::findMixDesc(const StringC& name) const {
  return lookup(m_mixDescs, name, "Can't find MixDesc: ");
}

ScriptEffect* ScriptEngine::findEffect(const StringC& name) const {
  return lookup(m_effects, name, "Can't find Effect: ");
}

ScriptEffectDesc* ScriptEngine::findEffectDesc(const StringC& name) const {
  return lookup(m_effectDescs, name, "Can't find EffectDesc: ");
}

// The lookups over several registries search them even when all are empty, so a miss is always
// reported.

RenderDataSceneDesc* ScriptEngine::findRenderDesc(const StringC& name) const {
  if (isNoName(name)) return nullptr;
  if (RenderDataSceneDesc* pFound = m_descs2D.find(name)) return pFound;
  if (RenderDataSceneDesc* pFound = m_descs3D.find(name)) return pFound;
  reportLoad(withName("Can't find 2D_DESC/3D_DESC: ", name));
  return nullptr;
}

CImage32* ScriptEngine::findBuffer(const StringC& name) const {
  if (isNoName(name)) return nullptr;
  if (RenderDataImage* pFound = m_imageSources.find(name)) return pFound->getBuffer();
  if (RenderDataScreenLayer* pFound = m_screenLayers.find(name)) return pFound->getBuffer();
  reportLoad(withName("Can't find IMAGE/SCREEN_LAYER Ptr: ", name));
  return nullptr;
}

RenderData* ScriptEngine::findRenderData(const StringC& name) const {
  if (isNoName(name)) return nullptr;
  if (RenderData* pFound = m_screenLayers.find(name)) return pFound;
  if (RenderData* pFound = m_speLayers.find(name)) return pFound;
  if (RenderData* pFound = m_imageSources.find(name)) return pFound;
  if (RenderData* pFound = m_descs2D.find(name)) return pFound;
  if (RenderData* pFound = m_descs3D.find(name)) return pFound;
  if (RenderData* pFound = m_descsSkyBox.find(name)) return pFound;
  reportLoad(
      withName("Can't find SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC: ", name));
  return nullptr;
}
