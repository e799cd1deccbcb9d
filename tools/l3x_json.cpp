#include "tools/l3x_json.h"

#include <map>
#include <tuple>

#include "tools/controller_json.h"

namespace L3xJson {

namespace {

using ChunkJson::ChunkLayout;
using ChunkJson::Context;
using ChunkJson::FieldKind;
using ChunkJson::FieldLayout;

// Context kinds: where a chunk sits. The param of a context is a modifier type (modifier chunks),
// a shape kind (shape chunks) or a track type (key chunks).
enum : int {
  kNone = -1,
  kTop = 0,
  kRoot,
  kMeshList,
  kShapeList,
  kLightList,
  kCameraList,
  kMaterialList,
  kWsmList,
  kDummyList,
  kHead,
  kTransform,
  kTransformParams,
  kTransformTracks,
  kHolderF,
  kHolderP,
  kHolderR,
  kTrackF,
  kTrackP,
  kTrackR,
  kDummy,
  kCamera,
  kCameraParams,
  kCameraTracks,
  kLight,
  kLightParams,
  kLightTracks,
  kMaterial,
  kSubMaterialList,
  kSubMaterial,
  kDrawing,
  kDrawingProps,
  kDrawingTracks,
  kLine,
  kLineProps,
  kLineTracks,
  kTexture,
  kTextureParams,
  kMap,
  kMapParams,
  kMapTracks,
  kWsm,
  kModifier,
  kGizmo,
  kGizmoParams,
  kGizmoTracks,
  kModParams,
  kModTracks,
  kSkin,
  kMorph,
  kMorphTargets,
  kMorphTarget,
  kMorphTargetParams,
  kMorphTargetTracks,
  kMesh,
  kGeometry,
  kFaces,
  kStack,
  kApplyList,
  kApplyEntry,
  kWsmNames,
  kWsmEntry,
  kChannel,
  kLightNames,
  kOps1,
  kOp1,
  kOps2,
  kOp2,
  kLightingChannels,
  kLightingChannel,
  kLightingLights,
  kChannelRefs,
  kMeshLayer,
  kShape,
  kShapeBase,
  kShapeGeometry,
  kShapeParams,
  kEmitters,
  kEmitter,
};
static_assert(kEmitter < kFirstFreeKind);

// Names of the texture layer's kept values 14 to 18.
constexpr const char* kKeptNames[] = {"value14", "value15", "value16", "value17", "value18"};

// A layout registered for every param of its context kind.
constexpr int kAnyParam = -1;

constexpr FieldLayout kXyz[] = {
    {nullptr, FieldKind::Float}, {nullptr, FieldKind::Float}, {nullptr, FieldKind::Float}};
constexpr FieldLayout kMatrixRows[] = {{nullptr, FieldKind::Group, kXyz},
                                       {nullptr, FieldKind::Group, kXyz},
                                       {nullptr, FieldKind::Group, kXyz},
                                       {nullptr, FieldKind::Group, kXyz}};
constexpr FieldLayout kAngleAxis[] = {{"angle", FieldKind::Float},
                                      {"axis", FieldKind::Group, kXyz}};
constexpr FieldLayout kFloatEntry[] = {{nullptr, FieldKind::Float}};
constexpr FieldLayout kWordEntry[] = {{nullptr, FieldKind::Word}};
constexpr FieldLayout kWordTriple[] = {
    {nullptr, FieldKind::Word}, {nullptr, FieldKind::Word}, {nullptr, FieldKind::Word}};
constexpr FieldLayout kIntPair[] = {{nullptr, FieldKind::Int}, {nullptr, FieldKind::Int}};
constexpr FieldLayout kBone[] = {{"name", FieldKind::String},
                                 {"bind", FieldKind::Group, kMatrixRows}};
constexpr FieldLayout kInfluence[] = {{"weight", FieldKind::Float}, {"bone", FieldKind::Word}};
constexpr FieldLayout kSkinVertex[] = {{nullptr, FieldKind::WordCountList, kInfluence}};

constexpr FieldLayout kPointCurveKey[] = {{"time", FieldKind::Int},
                                          {"value", FieldKind::Group, kXyz}};
constexpr FieldLayout kPointTcbKey[] = {
    {"time", FieldKind::Int},      {"value", FieldKind::Group, kXyz},
    {"bias", FieldKind::Float},    {"continuity", FieldKind::Float},
    {"tension", FieldKind::Float}, {"easeFrom", FieldKind::Float},
    {"easeTo", FieldKind::Float}};
constexpr FieldLayout kRotationLinearKey[] = {
    {"time", FieldKind::Int}, {"angle", FieldKind::Float}, {"axis", FieldKind::Group, kXyz}};
constexpr FieldLayout kRotationTcbKey[] = {
    {"time", FieldKind::Int},         {"angle", FieldKind::Float},
    {"axis", FieldKind::Group, kXyz}, {"bias", FieldKind::Float},
    {"continuity", FieldKind::Float}, {"tension", FieldKind::Float},
    {"easeFrom", FieldKind::Float},   {"easeTo", FieldKind::Float}};

FieldLayout point(const char* pName) {
  return {pName, FieldKind::Group, kXyz};
}
FieldLayout matrix(const char* pName) {
  return {pName, FieldKind::Group, kMatrixRows};
}
FieldLayout angleAxis(const char* pName) {
  return {pName, FieldKind::Group, kAngleAxis};
}

enum class TrackKind : std::uint8_t { Float, Point, Rotation };

class L3xSchema final : public ChunkJson::Schema {
 public:
  L3xSchema() {
    node(kTop, 53454, "scene", kRoot);
    addRoot();
    addHead();
    addTracks();
    addCamera();
    addLight();
    addMaterial();
    addLayers();
    addModifiers();
    addMesh();
    addShape();
  }

  const ChunkLayout* find(Context context, std::uint16_t id) const override {
    auto found = m_layouts.find({context.kind, context.param, id});
    if (found == m_layouts.end()) found = m_layouts.find({context.kind, kAnyParam, id});
    return found == m_layouts.end() ? nullptr : &found->second;
  }

  std::span<const FieldLayout> keyFields(Context context) const override {
    switch (context.kind) {
      case kTrackF:
        return ControllerJson::floatKeyFields(context.param);
      case kTrackP:
        if (context.param == 1 || context.param == 2) return kPointCurveKey;
        return context.param == 3 ? std::span<const FieldLayout>(kPointTcbKey)
                                  : std::span<const FieldLayout>();
      case kTrackR:
        if (context.param == 1) return kRotationLinearKey;
        return context.param == 3 ? std::span<const FieldLayout>(kRotationTcbKey)
                                  : std::span<const FieldLayout>();
      default:
        return {};
    }
  }

 private:
  void add(int kind, std::uint16_t id, ChunkLayout layout, int param = kAnyParam) {
    m_layouts.insert_or_assign({kind, param, id}, std::move(layout));
  }
  // A chunk holding one field and no children, labelled with the field's name.
  void value(int kind, std::uint16_t id, FieldLayout field, int param = kAnyParam) {
    add(kind, id, {field.pName, {field}, kNone, false}, param);
  }
  void value(int kind, std::uint16_t id, const char* pName, FieldKind fieldKind,
             int param = kAnyParam) {
    value(kind, id, FieldLayout{pName, fieldKind}, param);
  }
  // A chunk without own fields whose children sit in `childKind`.
  void node(int kind, std::uint16_t id, const char* pLabel, int childKind, int param = kAnyParam) {
    add(kind, id, {pLabel, {}, childKind, false}, param);
  }
  // A list chunk: a word count, then children of one identifier.
  void list(int kind, std::uint16_t id, const char* pLabel, int childKind) {
    add(kind, id, {pLabel, {{"count", FieldKind::Word}}, childKind, false});
  }
  // A chunk holding a track manager of `trackKind`.
  void track(int kind, std::uint16_t id, const char* pLabel, TrackKind trackKind,
             int param = kAnyParam) {
    const int holder = trackKind == TrackKind::Float   ? kHolderF
                       : trackKind == TrackKind::Point ? kHolderP
                                                       : kHolderR;
    node(kind, id, pLabel, holder, param);
  }
  // Chunks 100, 101, ... of a parameter block, one float each.
  void floats(int kind, std::uint16_t first, std::initializer_list<const char*> names, int param) {
    std::uint16_t id = first;
    for (const char* pName : names)
      value(kind, id++, pName, FieldKind::Float, param);
  }

  void addRoot() {
    value(kRoot, 50, "animLength", FieldKind::Word);
    value(kRoot, 500, "zBufferFlag", FieldKind::Int);
    value(kRoot, 501, "sceneValue2", FieldKind::Int);
    value(kRoot, 502, "sceneName", FieldKind::String);
    list(kRoot, 100, "meshes", kMeshList);
    list(kRoot, 102, "shapes", kShapeList);
    list(kRoot, 110, "lights", kLightList);
    list(kRoot, 120, "cameras", kCameraList);
    list(kRoot, 130, "materials", kMaterialList);
    list(kRoot, 140, "wsModifiers", kWsmList);
    list(kRoot, 150, "dummies", kDummyList);
    node(kMeshList, 101, "mesh", kMesh);
    add(kShapeList, 103, {"shape", {{"shapeKind", FieldKind::Byte}}, kShape, true});
    node(kLightList, 111, "light", kLight);
    node(kCameraList, 121, "camera", kCamera);
    node(kMaterialList, 131, "material", kMaterial);
    node(kWsmList, 141, "wsModifier", kWsm);
    node(kDummyList, 151, "dummy", kDummy);
    node(kDummy, 1, "head", kHead);
  }

  void addHead() {
    value(kHead, 1, "name", FieldKind::String);
    value(kHead, 2, "parentName", FieldKind::String);
    node(kHead, 3, "transform", kTransform);
    node(kTransform, 100, "parameters", kTransformParams);
    node(kTransform, 200, "tracks", kTransformTracks);
    value(kTransformParams, 101, "matrixMode", FieldKind::Byte);
    value(kTransformParams, 102, point("pivot"));
    value(kTransformParams, 103, point("position"));
    value(kTransformParams, 104, point("scale"));
    value(kTransformParams, 105, angleAxis("rotation"));
    track(kTransformTracks, 201, "positionTrack", TrackKind::Point);
    track(kTransformTracks, 202, "scaleTrack", TrackKind::Point);
    track(kTransformTracks, 203, "rotationTrack", TrackKind::Rotation);
  }

  void addTracks() {
    const std::pair<int, int> kinds[] = {
        {kHolderF, kTrackF}, {kHolderP, kTrackP}, {kHolderR, kTrackR}};
    for (const auto& [holder, trackKind] : kinds)
      add(holder, 1, {"track-type", {{"trackType", FieldKind::Byte}}, trackKind, true});
    static constexpr const char* kKeyLabels[] = {"linear-keys", "hermite-keys", "tcb-keys",
                                                 "bezier-keys"};
    for (const int trackKind : {kTrackF, kTrackP, kTrackR})
      for (int type = 1; type <= 4; ++type)
        if (!keyFields({trackKind, type}).empty())
          add(trackKind, 1, {kKeyLabels[type - 1], {{"keys", FieldKind::KeyList}}, kNone, false},
              type);
  }

  void addCamera() {
    node(kCamera, 1, "head", kHead);
    node(kCamera, 2, "targetHead", kHead);
    node(kCamera, 100, "parameters", kCameraParams);
    node(kCamera, 200, "tracks", kCameraTracks);
    value(kCameraParams, 101, "fov", FieldKind::Float);
    value(kCameraParams, 102, "roll", FieldKind::Float);
    value(kCameraParams, 103, "nearClip", FieldKind::Float);
    value(kCameraParams, 104, "farClip", FieldKind::Float);
    track(kCameraTracks, 201, "fovTrack", TrackKind::Float);
    track(kCameraTracks, 202, "rollTrack", TrackKind::Float);
  }

  void addLight() {
    node(kLight, 1, "head", kHead);
    node(kLight, 2, "targetHead", kHead);
    node(kLight, 100, "parameters", kLightParams);
    node(kLight, 200, "tracks", kLightTracks);
    value(kLightParams, 101, point("color"));
    value(kLightParams, 102, "intensity", FieldKind::Float);
    value(kLightParams, 103, "nearAttenuation", FieldKind::Float);
    value(kLightParams, 104, "farAttenuation", FieldKind::Float);
    value(kLightParams, 105, "lightType", FieldKind::Int);
    value(kLightParams, 106, "falloff", FieldKind::Float);
    value(kLightParams, 107, "hotspot", FieldKind::Float);
    track(kLightTracks, 201, "intensityTrack", TrackKind::Float);
    track(kLightTracks, 202, "colorTrack", TrackKind::Point);
    track(kLightTracks, 203, "nearTrack", TrackKind::Float);
    track(kLightTracks, 204, "farTrack", TrackKind::Float);
    track(kLightTracks, 205, "falloffTrack", TrackKind::Float);
    track(kLightTracks, 206, "hotspotTrack", TrackKind::Float);
  }

  void addMaterial() {
    value(kMaterial, 101, "name", FieldKind::String);
    add(kMaterial, 200, {"subMaterials", {{"count", FieldKind::Int}}, kSubMaterialList, false});
    node(kSubMaterialList, 201, "subMaterial", kSubMaterial);
    value(kSubMaterial, 1, "name", FieldKind::String);
    node(kSubMaterial, 2, "drawing", kDrawing);
    node(kSubMaterial, 3, "lines", kLine);
    node(kSubMaterial, 4, "textureLayer", kTexture);
    node(kSubMaterial, 5, "mapLayer", kMap);
    node(kDrawing, 1, "properties", kDrawingProps);
    node(kDrawing, 100, "tracks", kDrawingTracks);
    value(kDrawingProps, 10, "polygonsEnabled", FieldKind::Int);
    value(kDrawingProps, 11, "twoSided", FieldKind::Int);
    value(kDrawingProps, 12, "shadingType", FieldKind::Int);
    value(kDrawingProps, 13, "blendMode", FieldKind::Int);
    value(kDrawingProps, 14, "opacity", FieldKind::Float);
    value(kDrawingProps, 15, "textureOption", FieldKind::Int);
    value(kDrawingProps, 16, "value16", FieldKind::Int);
    value(kDrawingProps, 17, point("colour1"));
    value(kDrawingProps, 18, point("colour2"));
    value(kDrawingProps, 19, point("colour3"));
    value(kDrawingProps, 20, "paletteParam", FieldKind::Float);
    value(kDrawingProps, 21, "value21", FieldKind::Int);
    node(kDrawingProps, 22, "layer1", kMap);
    node(kDrawingProps, 23, "layer2", kMap);
    track(kDrawingTracks, 110, "opacityTrack", TrackKind::Float);
    track(kDrawingTracks, 111, "colour1Track", TrackKind::Point);
    track(kDrawingTracks, 112, "colour2Track", TrackKind::Point);
    track(kDrawingTracks, 113, "colour3Track", TrackKind::Point);
    node(kLine, 1, "properties", kLineProps);
    node(kLine, 100, "tracks", kLineTracks);
    value(kLineProps, 10, "linesEnabled", FieldKind::Int);
    value(kLineProps, 11, "lineColor", FieldKind::Int);
    value(kLineProps, 12, "lineBlendMode", FieldKind::Int);
    value(kLineProps, 13, "lineOpacity", FieldKind::Float);
    value(kLineProps, 14, "lineWidth", FieldKind::Float);
    value(kLineProps, 15, "lineAntialias", FieldKind::Int);
    value(kLineProps, 16, "lineValue16", FieldKind::Int);
    track(kLineTracks, 110, "lineColorTrack", TrackKind::Point);
  }

  // Texture layers (material child 4, mesh layer child 4) and map layers.
  void addLayers() {
    node(kTexture, 1, "parameters", kTextureParams);
    value(kTextureParams, 10, "enabled", FieldKind::Int);
    value(kTextureParams, 11, "textureFlags", FieldKind::Int);
    // The picture the texture is taken from, and the window of it (fractions of its size).
    add(kTextureParams, 12,
        {"picture",
         {{"file", FieldKind::String},
          {"u", FieldKind::Float},
          {"v", FieldKind::Float},
          {"w", FieldKind::Float},
          {"h", FieldKind::Float}},
         kNone,
         false});
    value(kTextureParams, 13, "pointSize", FieldKind::Float);
    for (std::uint16_t id = 14; id <= 18; ++id)
      value(kTextureParams, id, kKeptNames[id - 14], FieldKind::Int);
    node(kMap, 1, "parameters", kMapParams);
    node(kMap, 100, "tracks", kMapTracks);
    // A power-of-two picture, or a video.
    value(kMapParams, 10, "picture", FieldKind::String);
    value(kMapParams, 11, "enabled", FieldKind::Int);
    value(kMapParams, 12, "combination", FieldKind::Int);
    value(kMapParams, 13, "uvTransform", FieldKind::Int);
    floats(kMapParams, 14, {"offsetU", "offsetV", "tileU", "tileV", "angle"}, kAnyParam);
    value(kMapParams, 19, "wrap", FieldKind::Int);
    value(kMapParams, 20, "opacityMap", FieldKind::Int);
    value(kMapParams, 21, "amount", FieldKind::Float);
    value(kMapParams, 22, "value22", FieldKind::Int);
    value(kMapParams, 23, "values", FieldKind::FloatList);
    floats(kMapParams, 24, {"value24", "value25", "value26", "value27", "value28", "value29"},
           kAnyParam);
    track(kMapTracks, 110, "offsetUTrack", TrackKind::Float);
    track(kMapTracks, 111, "offsetVTrack", TrackKind::Float);
    track(kMapTracks, 112, "tileUTrack", TrackKind::Float);
    track(kMapTracks, 114, "tileVTrack", TrackKind::Float);
    track(kMapTracks, 115, "angleTrack", TrackKind::Float);
    track(kMapTracks, 116, "amountTrack", TrackKind::Float);
    track(kMapTracks, 117, "value24Track", TrackKind::Float);
    track(kMapTracks, 118, "value25Track", TrackKind::Float);
  }

  // One gizmo modifier type: its parameter chunks 100... under 50 and float tracks under 201.
  struct GizmoType {
    int type;
    std::vector<FieldLayout> parameters;
    std::uint16_t firstTrack;
    std::vector<std::pair<const char*, TrackKind>> tracks;
  };

  void addModifiers() {
    node(kWsm, 1, "head", kHead);
    const ChunkLayout modifier{"modifier", {{"modifierType", FieldKind::Byte}}, kModifier, true};
    add(kWsm, 100, modifier);
    add(kStack, 2001, modifier);

    constexpr auto kByte = FieldKind::Byte;
    constexpr auto kFloat = FieldKind::Float;
    constexpr auto kF = TrackKind::Float;
    const GizmoType types[] = {
        {3,
         {{"axis", kByte}, {"angle", kFloat}, {"direction", kFloat}},
         301,
         {{"angleTrack", kF}, {"directionTrack", kF}}},
        {4,
         {{"axis", kByte}, {"stretch", kFloat}, {"amplify", kFloat}},
         301,
         {{"stretchTrack", kF}, {"amplifyTrack", kF}}},
        {5,
         {{"seed", kByte},
          {"fractal", kByte},
          {"animate", kByte},
          {"frequency", kFloat},
          {"value104", FieldKind::Int},
          {nullptr, kByte},  // no chunk 105
          {"scale", kFloat},
          {"phase", kFloat},
          point("strength")},
         301,
         {{"scaleTrack", kF}, {"phaseTrack", kF}, {"strengthTrack", TrackKind::Point}}},
        {6,
         {{"variant", kByte},
          {"amp1", kFloat},
          {"amp2", kFloat},
          {"waveLength", kFloat},
          {"phase", kFloat},
          {"decay", kFloat}},
         301,
         {{"amp1Track", kF},
          {"amp2Track", kF},
          {"waveLengthTrack", kF},
          {"phaseTrack", kF},
          {"decayTrack", kF}}},
        {7,
         {{"axis", kByte}, {"angle", kFloat}, {"bias", kFloat}},
         301,
         {{"angleTrack", kF}, {"biasTrack", kF}}},
        {8,
         {{"axis", kByte},
          {"effect", kByte},
          {"symmetry", kByte},
          {"amount", kFloat},
          {"curve", kFloat}},
         301,
         {{"amountTrack", kF}, {"curveTrack", kF}}},
        {9,
         {{"axis", kByte}, {"amount", kFloat}, {"direction", kFloat}},
         301,
         {{"amountTrack", kF}, {"directionTrack", kF}}},
        {10, {{"percent", kFloat}}, 301, {{"percentTrack", kF}}},
        {11,
         {{"axis", kByte},
          {"solidityPreset", kByte},
          {"amount", kFloat},
          {"spread", kFloat},
          {"solidity", kFloat}},
         301,
         {{"amountTrack", kF}, {"spreadTrack", kF}, {"solidityTrack", kF}}},
        {12,
         {{"value0", kFloat},
          {"value1", kFloat},
          {"value2", kFloat},
          {"value3", kFloat},
          {"value4", kFloat},
          {"value5", kFloat},
          {"value6", kFloat},
          {"value7", kFloat}},
         300,
         {{"value0Track", kF},
          {"value1Track", kF},
          {"value2Track", kF},
          {"value3Track", kF},
          {"value4Track", kF},
          {"value5Track", kF}}},
    };
    for (const GizmoType& gizmo : types) {
      node(kModifier, 1, "gizmo", kGizmo, gizmo.type);
      node(kModifier, 50, "parameters", kModParams, gizmo.type);
      node(kModifier, 201, "tracks", kModTracks, gizmo.type);
      std::uint16_t id = 100;
      for (const FieldLayout& field : gizmo.parameters) {
        if (field.pName) value(kModParams, id, field, gizmo.type);
        ++id;
      }
      id = gizmo.firstTrack;
      for (const auto& [pLabel, trackKind] : gizmo.tracks)
        track(kModTracks, id++, pLabel, trackKind, gizmo.type);
    }
    node(kGizmo, 100, "parameters", kGizmoParams);
    node(kGizmo, 200, "tracks", kGizmoTracks);
    value(kGizmoParams, 101, matrix("baseMatrix"));
    value(kGizmoParams, 102, point("position"));
    value(kGizmoParams, 103, point("centre"));
    value(kGizmoParams, 104, point("scale"));
    value(kGizmoParams, 105, angleAxis("rotation"));
    track(kGizmoTracks, 202, "positionTrack", TrackKind::Point);
    track(kGizmoTracks, 203, "centreTrack", TrackKind::Point);
    track(kGizmoTracks, 204, "scaleTrack", TrackKind::Point);
    track(kGizmoTracks, 205, "rotationTrack", TrackKind::Rotation);

    // Skin (type 1) and morph (type 2).
    node(kModifier, 50, "skin", kSkin, 1);
    value(kSkin, 70, matrix("skinBind"));
    value(kSkin, 100, FieldLayout{"bones", FieldKind::WordCountList, kBone});
    value(kSkin, 200, FieldLayout{"vertices", FieldKind::IntCountList, kSkinVertex});
    node(kModifier, 50, "morph", kMorph, 2);
    list(kMorph, 100, "targets", kMorphTargets);
    node(kMorphTargets, 101, "target", kMorphTarget);
    node(kMorphTarget, 50, "parameters", kMorphTargetParams);
    node(kMorphTarget, 250, "tracks", kMorphTargetTracks);
    value(kMorphTargetParams, 101, "name", FieldKind::String);
    value(kMorphTargetParams, 102, "weight", FieldKind::Float);
    track(kMorphTargetTracks, 301, "weightTrack", TrackKind::Float);
  }

  // The chunks 2000 to 2070 that meshes and shape bases share.
  void addObjectLists(int kind) {
    list(kind, 2000, "modifierStack", kStack);
    list(kind, 2010, "modifierApplication", kApplyList);
    list(kind, 2020, "wsModifierNames", kWsmNames);
    list(kind, 2030, "lightNames", kLightNames);
    list(kind, 2040, "channelOperations", kOps1);
    list(kind, 2050, "channelValues", kOps2);
    list(kind, 2060, "lightingChannels", kLightingChannels);
    node(kind, 2070, "channelReferences", kChannelRefs);
  }

  void addMesh() {
    node(kMesh, 1, "head", kHead);
    value(kMesh, 2, "materialIndex", FieldKind::Word);
    node(kMesh, 501, "geometry", kGeometry);
    node(kMesh, 1000, "faces", kFaces);
    addObjectLists(kMesh);
    value(kMesh, 2100, "meshValue", FieldKind::Int);
    value(kMesh, 2101, "drawValue1", FieldKind::Int);
    value(kMesh, 2102, "drawValue2", FieldKind::Int);
    value(kMesh, 2103, "drawValue3", FieldKind::Int);
    value(kMesh, 2104, "drawValue4", FieldKind::Int);
    value(kMesh, 2105, "sorted", FieldKind::Int);
    node(kMesh, 2200, "meshLayer0", kMeshLayer);
    node(kMesh, 2201, "meshLayer1", kMeshLayer);
    node(kMesh, 2202, "meshLayer2", kMeshLayer);

    value(kGeometry, 502, FieldLayout{"vertices", FieldKind::WordCountList, kXyz});
    value(kGeometry, 503, FieldLayout{"softSelection", FieldKind::ListToEnd, kFloatEntry});
    value(kGeometry, 504, FieldLayout{"textureVertices", FieldKind::ListToEnd, kXyz});
    value(kGeometry, 505, FieldLayout{"edges", FieldKind::WordCountList, kIntPair});
    value(kFaces, 1001, FieldLayout{"faces", FieldKind::WordCountList, kWordTriple});
    value(kFaces, 1002, FieldLayout{"textureFaces", FieldKind::ListToEnd, kWordTriple});
    value(kFaces, 1003, FieldLayout{"subMaterials", FieldKind::ListToEnd, kWordEntry});
    value(kFaces, 1004, FieldLayout{"faceValues", FieldKind::ListToEnd, kWordEntry});

    node(kApplyList, 2011, "application", kApplyEntry);
    value(kApplyEntry, 2012, "stackIndex", FieldKind::String);
    node(kApplyEntry, 2013, "channel", kChannel);
    node(kWsmNames, 2021, "wsModifierName", kWsmEntry);
    value(kWsmEntry, 2022, "name", FieldKind::String);
    node(kWsmEntry, 2023, "channel", kChannel);
    value(kChannel, 1, "useChannel", FieldKind::Int);
    value(kChannel, 2, "invert", FieldKind::Int);
    value(kChannel, 3, "channelName", FieldKind::String);
    value(kLightNames, 2031, "lightName", FieldKind::String);
    node(kOps1, 2041, "operation", kOp1);
    value(kOp1, 1, "output", FieldKind::String);
    value(kOp1, 10, "input1", FieldKind::String);
    value(kOp1, 11, "input2", FieldKind::String);
    value(kOp1, 12, "operation", FieldKind::Int);
    node(kOps2, 2051, "channelValue", kOp2);
    value(kOp2, 1, "name", FieldKind::String);
    value(kOp2, 2, "kind", FieldKind::Int);
    value(kOp2, 3, "values", FieldKind::FloatList);
    node(kLightingChannels, 2061, "lightingChannel", kLightingChannel);
    value(kLightingChannel, 1, "name", FieldKind::String);
    add(kLightingChannel, 10, {"lights", {{"count", FieldKind::Int}}, kLightingLights, false});
    value(kLightingLights, 11, "lightName", FieldKind::String);
    value(kChannelRefs, 2071, "channel1", FieldKind::String);
    value(kChannelRefs, 2072, "channel2", FieldKind::String);
    value(kChannelRefs, 2073, "channel3", FieldKind::String);
    value(kMeshLayer, 1, "enabled", FieldKind::Int);
    value(kMeshLayer, 2, "value", FieldKind::Int);
    value(kMeshLayer, 3, "meshName", FieldKind::String);
    node(kMeshLayer, 4, "textureLayer", kTexture);
  }

  void addShape() {
    node(kShape, 1, "shapeBase", kShapeBase);
    node(kShape, 10, "kindParameters", kShapeParams, 2);
    node(kShape, 10, "kindParameters", kShapeParams, 3);
    node(kShapeBase, 1, "head", kHead);
    value(kShapeBase, 2, "materialIndex", FieldKind::Word);
    node(kShapeBase, 501, "geometry", kShapeGeometry);
    value(kShapeGeometry, 502, FieldLayout{"vertices", FieldKind::WordCountList, kXyz});
    addObjectLists(kShapeBase);
    value(kShapeBase, 2100, "shapeValue", FieldKind::Int);
    value(kShapeParams, 11, "value11", FieldKind::Float, 3);
    value(kShapeParams, 12, "value12", FieldKind::Float, 3);
    value(kShapeParams, 13, "zoomXSelector", FieldKind::Int, 3);
    value(kShapeParams, 14, "zoomYSelector", FieldKind::Int, 3);
    value(kShapeParams, 15, "angleSelector", FieldKind::Int, 3);
    add(kShapeParams, 20, {"emitters", {{"count", FieldKind::Word}}, kEmitters, false}, 2);
    node(kEmitters, 21, "emitter", kEmitter);
    value(kEmitter, 1, "startFrame", FieldKind::Float);
    value(kEmitter, 2, "period", FieldKind::Float);
    value(kEmitter, 3, "rate", FieldKind::Float);
  }

  std::map<std::tuple<int, int, int>, ChunkLayout> m_layouts;
};

}  // namespace

const ChunkJson::Schema& schema() {
  static const L3xSchema kSchema;
  return kSchema;
}

int headKind() {
  return kHead;
}

int floatTrackHolderKind() {
  return kHolderF;
}

}  // namespace L3xJson
