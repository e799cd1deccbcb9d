// The .lcx and .lecx files: creating by type, the last controller winning, the reports of wrong
// files, and every kind against bytes written by hand, saved plain and packed and loaded back.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/chunk_file.h"
#include "control/lcx_controller_live.h"
#include "control/lcx_controller_manager.h"
#include "control/lcx_controller_noise.h"
#include "control/lecx_controller_manager.h"
#include "tests/control/control_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace control_test;

// A kind saved from a manager that `make` set up, and the controller chunk it must give.
template <class Manager>
struct Golden {
  std::function<void(Manager&)> make;
  Bytes controller;
};

Bytes recording(uint8_t on, std::string_view file, int32_t step, int32_t start, int32_t end,
                float scale) {
  return chunk(1000, {chunk(1101, {Bytes{on}}), chunk(1102, {stringField(file)}),
                      chunk(1103, {intField(step)}), chunk(1104, {intField(start)}),
                      chunk(1105, {intField(end)}), chunk(1106, {floatField(scale)})});
}

struct LcxFormat {
  using Manager = LCXControllerManager;
  static constexpr std::uint16_t kFile = 1, kController = 2;
  static constexpr const char* kCaption = "LCXControllerManager|";
  static constexpr const char* kNotThisKind = "not a lcx file";

  static std::vector<Golden<Manager>> goldens() {
    const Bytes defaults = recording(0, "NULL", 10, 0, 10000, 1.0f);
    return {
        {[](Manager& m) { static_cast<LCXControllerInput*>(m.createController(1))->setChannel(4); },
         chunk(2, {intField(1), defaults, chunk(10, {chunk(11, {le(4, 2)})})})},
        {[](Manager& m) {
           static_cast<LCXControllerSound*>(m.createController(2))
               ->setRecordingSettings({1, StringC("take.lcx"), 20, 100, 5000, 2.5f});
         },
         chunk(2, {intField(2), recording(1, "take.lcx", 20, 100, 5000, 2.5f), chunk(10, {})})},
        {[](Manager& m) {
           auto* p = static_cast<LCXControllerKeyFramer*>(m.createController(3));
           makeRampKeyFramer(*p);
           p->setAccumulate(1);
         },
         chunk(2, {intField(3), chunk(10, {intField(2), floatField(0), floatField(1000)}),
                   chunk(11, {chunk(1, {Bytes{1}, chunk(1, {intField(2), intField(0), floatField(0),
                                                            intField(500), floatField(10)})})}),
                   chunk(12, {intField(1)})})},
        {[](Manager& m) {
           auto* p = static_cast<LCXControllerNoise*>(m.createController(4));
           p->setSeed(-42);
           p->setFractal(true);
           p->setFrequency(1.5f);
           p->setRoughness(0.25f);
           p->setStrength(-2.0f);
         },
         chunk(2, {intField(4),
                   chunk(10, {chunk(100, {intField(-42)}), chunk(101, {Bytes{1}}),
                              chunk(102, {Bytes{0}}), chunk(103, {floatField(1.5f)}),
                              chunk(104, {floatField(0.25f)}), chunk(105, {floatField(-2.0f)})})})},
        // Without a track there is no track chunk.
        {[](Manager& m) {
           const LCXPointList beats = {{0, 0}, {1000, 0}};
           static_cast<LCXControllerKeyFramer*>(m.createController(3))->createBeatPosition(&beats);
         },
         chunk(2, {intField(3), chunk(10, {intField(2), floatField(0), floatField(1000)}),
                   chunk(12, {intField(0)})})},
    };
  }
};

struct LecxFormat {
  using Manager = LECXControllerManager;
  static constexpr std::uint16_t kFile = 10, kController = 12;
  static constexpr const char* kCaption = "LECXControllerManager|";
  static constexpr const char* kNotThisKind = "not a lecx file";

  static std::vector<Golden<Manager>> goldens() {
    // Every kind holds the same records.
    const std::vector<LECXControllerParam> params = {{"Red", "sin ( beat * 2 )", 0},
                                                     {"green", "time1 / time2", -1}};
    std::vector<Golden<Manager>> out;
    for (int32_t type = 1; type <= 4; ++type) {
      Bytes records = intField(static_cast<int32_t>(params.size()));
      for (const LECXControllerParam& p : params)
        records = records + paramChunk(p.name.view(), p.formula.view(), p.mode);
      out.push_back({[type, params](Manager& m) {
                       LECXController* pController = m.createController(type);
                       for (const LECXControllerParam& p : params)
                         pController->addParam(p);
                     },
                     chunk(12, {intField(type), chunk(100, {chunk(101, {records})})})});
    }
    return out;
  }
  static Bytes paramChunk(std::string_view name, std::string_view formula, int32_t mode) {
    return chunk(102, {chunk(1, {stringField(name)}), chunk(2, {stringField(formula)}),
                       chunk(3, {intField(mode)})});
  }
};

template <class Format>
class ControllerFile : public ::testing::Test {
 protected:
  using Manager = typename Format::Manager;
  Manager load(const Bytes& bytes) { return loadBytes<Manager>(bytes, m_capture); }
  std::filesystem::path file() const { return m_dir.path() / "c.controller"; }
  // The bytes `manager` saves in `form`.
  Bytes save(const Manager& manager, std::uint8_t form = ChunkFile::kPlain) {
    EXPECT_TRUE(manager.save(StringC(file().string()), form));
    return readFile(file());
  }
  Bytes controllerChunk(int32_t type) { return chunk(Format::kController, {intField(type)}); }

  TempDir m_dir;
  ReportCapture m_capture;
};

using Formats = ::testing::Types<LcxFormat, LecxFormat>;
TYPED_TEST_SUITE(ControllerFile, Formats);

TYPED_TEST(ControllerFile, CreateByTypeAndReportUnknownTypes) {
  typename TypeParam::Manager manager;
  for (int32_t type = 1; type <= 4; ++type) {
    ASSERT_NE(manager.createController(type), nullptr);
    EXPECT_EQ(static_cast<int32_t>(manager.getController()->getType()), type);
  }
  EXPECT_EQ(manager.createController(5), nullptr);
  EXPECT_EQ(manager.getController(), nullptr);
  EXPECT_EQ(this->m_capture.lines(),
            Lines{std::string(TypeParam::kCaption) + "unknow controller type: 5"});
}

TYPED_TEST(ControllerFile, LastControllerWinsAndUnknownChunksArePassedOver) {
  const Bytes file =
      plainFile(chunk(TypeParam::kFile, {this->controllerChunk(1), chunk(7, {intField(2)}),
                                         this->controllerChunk(3)}));
  auto manager = this->load(file);
  ASSERT_NE(manager.getController(), nullptr);
  EXPECT_EQ(static_cast<int32_t>(manager.getController()->getType()), 3);
  EXPECT_TRUE(this->m_capture.reports().empty());
}

TYPED_TEST(ControllerFile, WrongFilesAreReportedAndNothingIsKept) {
  const std::string caption = TypeParam::kCaption;
  const Bytes good = this->controllerChunk(3);
  const std::pair<Bytes, std::string> cases[] = {
      {plainFile(chunk(TypeParam::kController, {good})), TypeParam::kNotThisKind},
      // A good controller followed by one of an unknown type: the manager ends empty.
      {plainFile(chunk(TypeParam::kFile, {good, this->controllerChunk(9)})),
       "unknow controller type: 9"},
  };
  for (const auto& [file, text] : cases) {
    EXPECT_EQ(this->load(file).getController(), nullptr);
    EXPECT_EQ(this->m_capture.lines(), Lines{caption + text});
  }
  typename TypeParam::Manager manager;
  manager.createController(1);
  EXPECT_FALSE(manager.load(StringC((this->m_dir.path() / "missing").string())));
  EXPECT_EQ(manager.getController(), nullptr);
  this->m_capture.clear();
  EXPECT_FALSE(manager.save(StringC(this->file().string())));
  EXPECT_EQ(this->m_capture.lines(), Lines{caption + "save: no controller"});
}

TYPED_TEST(ControllerFile, EveryKindSavesItsBytesAndComesBackPacked) {
  const auto goldens = TypeParam::goldens();
  for (std::size_t i = 0; i < goldens.size(); ++i) {
    SCOPED_TRACE(i);
    const Bytes golden = plainFile(chunk(TypeParam::kFile, {goldens[i].controller}));
    typename TypeParam::Manager made;
    goldens[i].make(made);
    EXPECT_EQ(this->save(made), golden);
    const Bytes packed = this->save(made, ChunkFile::kPacked);
    EXPECT_EQ(packed.at(0), ChunkFile::kPacked);
    // Loaded back from either form, it saves the same bytes: nothing is lost on the way.
    for (const Bytes& file : {golden, packed}) {
      auto loaded = this->load(file);
      ASSERT_NE(loaded.getController(), nullptr);
      EXPECT_EQ(this->save(loaded), golden);
    }
    EXPECT_TRUE(this->m_capture.reports().empty());
  }
}

TEST(LCXFile, ABeatCountTheChunkCannotHoldIsReported) {
  ReportCapture capture;
  const Bytes file =
      plainFile(chunk(1, {chunk(2, {intField(3), chunk(10, {intField(2), floatField(1)})})}));
  EXPECT_EQ(loadBytes<LCXControllerManager>(file, capture).getController(), nullptr);
  EXPECT_EQ(capture.lines(),
            Lines{"ChunkFileReaderManager: |LCXControllerKeyFramer load: the beat "
                  "count 2 is more than the beat chunk holds! fileName: test.file"});
}

}  // namespace
