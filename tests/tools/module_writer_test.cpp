// The module writer checked through the decoders the player uses: libopenmpt must read the demo's
// module with its structure and duration, and libsndfile must open the rendered stream.

#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tools/demo_music.h"
#include "tools/demo_tempo.h"
#include "tools/module_writer.h"

namespace {

struct ModuleDeleter {
  void operator()(openmpt_module* pModule) const { openmpt_module_destroy(pModule); }
};
using OpenMptModule = std::unique_ptr<openmpt_module, ModuleDeleter>;

OpenMptModule openModule(const std::vector<std::uint8_t>& bytes) {
  return OpenMptModule(openmpt_module_create_from_memory2(
      bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
      nullptr, nullptr, nullptr, nullptr));
}

int command(openmpt_module* pModule, int pattern, int row, int channel, int which) {
  return openmpt_module_get_pattern_row_channel_command(pModule, pattern, row, channel, which);
}

TEST(ModuleWriter, DemoModuleReadsBackThroughLibOpenMpt) {
  const ModuleWriter::Module module = DemoMusic::compose();
  const OpenMptModule owned = openModule(ModuleWriter::encodeMod(module));
  ASSERT_NE(owned, nullptr);
  openmpt_module* const pModule = owned.get();
  EXPECT_EQ(openmpt_module_get_num_channels(pModule), 4);
  EXPECT_EQ(openmpt_module_get_num_patterns(pModule), 11);
  const std::vector<int> expectedOrder{0, 1, 2, 3, 4, 5, 4, 6, 7, 8, 9, 10};
  std::vector<int> order(static_cast<std::size_t>(openmpt_module_get_num_orders(pModule)));
  for (std::size_t position = 0; position < order.size(); ++position)
    order[position] = openmpt_module_get_order_pattern(pModule, static_cast<int>(position));
  EXPECT_EQ(order, expectedOrder);
  ASSERT_EQ(order.size(), std::size_t{DemoTempo::kNbPosition});
  EXPECT_NEAR(openmpt_module_get_duration_seconds(pModule), DemoTempo::kDurationMs / 1000.0, 0.001);

  // The drop's first row: a kick at C-2 on the first channel, the bass's A on the third.
  const int drop = expectedOrder[DemoTempo::kDropPosition];
  EXPECT_EQ(command(pModule, drop, 0, 0, OPENMPT_MODULE_COMMAND_INSTRUMENT), DemoMusic::kKick);
  EXPECT_EQ(command(pModule, drop, 0, 2, OPENMPT_MODULE_COMMAND_INSTRUMENT), DemoMusic::kBass);
  // libopenmpt numbers notes from C-0 = 1 with the tracker's octave 1 as its octave 4.
  EXPECT_EQ(command(pModule, drop, 0, 2, OPENMPT_MODULE_COMMAND_NOTE), 4 * 12 + 9 + 1);
}

TEST(ModuleWriter, RenderedStreamHasTheModulesLength) {
  TempDir dir;
  ModuleWriter::Module module = DemoMusic::compose();
  module.order = {4};  // one pattern of the drop: 7.68 s
  const std::vector<std::uint8_t> bytes = ModuleWriter::encodeMod(module);
  const std::filesystem::path path = dir.path() / "drop.ogg";
  const ModuleWriter::RenderResult result = ModuleWriter::renderToOgg(bytes, path, 44100);
  ASSERT_TRUE(result.ok) << result.error;
  const std::int64_t expected = std::int64_t{DemoTempo::kMsPerPattern} * 44100 / 1000;

  SF_INFO info{};
  SNDFILE* pFile = sf_open(path.string().c_str(), SFM_READ, &info);
  ASSERT_NE(pFile, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(info.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  EXPECT_EQ(info.channels, 2);
  EXPECT_NEAR(static_cast<double>(info.frames), static_cast<double>(expected), 1.0);
  // Not silence: the drop starts with a kick.
  std::vector<float> head(4410 * 2);
  ASSERT_EQ(sf_readf_float(pFile, head.data(), 4410), 4410);
  float peak = 0.0f;
  for (const float value : head)
    peak = std::max(peak, std::abs(value));
  EXPECT_GT(peak, 0.1f);
  sf_close(pFile);
}

TEST(ModuleWriter, RenderFailuresAreSaid) {
  TempDir dir;
  ModuleWriter::RenderResult result =
      ModuleWriter::renderToOgg(std::vector<std::uint8_t>(100, 0x55), dir.path() / "x.ogg");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error.rfind("libopenmpt cannot read the module", 0), 0u) << result.error;
  result = ModuleWriter::renderToOgg(ModuleWriter::encodeMod(DemoMusic::compose()),
                                     dir.path() / "missing" / "x.ogg");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error.rfind("libsndfile cannot write ", 0), 0u) << result.error;
}

}  // namespace
