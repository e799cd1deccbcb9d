// make_avi_corpus FOLDER: writes the seed files of the video reader's fuzz target
// (tests/fuzz/corpus/avi): tiny videos of each codec and container FFmpeg here can encode, and
// damaged copies of them (cut in the frames, an unknown codec, a huge frame size, a lying frame
// count, flipped bytes in MJPEG frames).

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

#include "tests/fx/video_writer.h"

namespace {

using namespace fx_test;

size_t chunkData(const Bytes& file, const char (&id)[5]) {
  const std::optional<size_t> offset = riffChunkData(file, id);
  if (!offset) throw std::runtime_error(std::string("no chunk ") + id);
  return *offset;
}

void writeCorpus(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const auto file = [&](const char* name) { return (folder / name).string(); };
  struct Seed {
    const char* name;
    VideoFormat format;
    int32_t nbFrame;
  };
  for (const Seed& seed : {
           Seed{"raw-8x4.avi", {VideoCodec::Raw, 8, 4}, 3},
           Seed{"raw-odd-5x3.avi", {VideoCodec::Raw, 5, 3}, 2},
           Seed{"raw-8x4.nut", {VideoCodec::Raw, 8, 4, 10, 1, "nut"}, 3},
           Seed{"mjpeg-16x16.avi", {VideoCodec::Mjpeg, 16, 16}, 3},
           Seed{"mpeg4-16x16.avi", {VideoCodec::Mpeg4, 16, 16, 25, 1}, 5},
           Seed{"mpeg4-16x16.mkv", {VideoCodec::Mpeg4, 16, 16, 30000, 1001, "matroska"}, 3},
           Seed{"zero-frames.avi", {VideoCodec::Raw, 8, 4}, 0},
       }) {
    if (encoderName(seed.format.codec).empty()) {
      std::fprintf(stderr, "make_avi_corpus: no encoder for %s, skipped\n", seed.name);
      continue;
    }
    const std::optional<std::string> error =
        writeVideo(file(seed.name), seed.format,
                   quadrantFrames(seed.format.width, seed.format.height, seed.nbFrame));
    if (error) throw std::runtime_error(std::string(seed.name) + ": " + *error);
  }
  const Bytes raw = readBytes(file("raw-8x4.avi"));
  writeBytes(file("cut-in-frames.avi"),
             Bytes(raw.begin(), raw.begin() + static_cast<ptrdiff_t>(chunkData(raw, "movi") + 40)));
  Bytes unknown = raw;
  putU32(unknown, chunkData(unknown, "strh") + 4, 0x5A5A5A5Au);
  putU32(unknown, chunkData(unknown, "strf") + 16, 0x5A5A5A5Au);
  writeBytes(file("unknown-fourcc.avi"), unknown);
  writeBytes(file("huge-size.avi"), claimingFrameSize(raw, 40000, 30000));
  writeBytes(file("lying-count.avi"), claimingFrameCount(raw, 1000000));
  if (std::filesystem::exists(file("mjpeg-16x16.avi"))) {
    Bytes flipped = readBytes(file("mjpeg-16x16.avi"));
    std::mt19937 random(7);
    const size_t movi = chunkData(flipped, "movi");
    for (int k = 0; k < 8; ++k)
      flipped.at(movi + random() % 400) ^= 0x5A;
    writeBytes(file("flipped-mjpeg.avi"), flipped);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_avi_corpus FOLDER\n");
    return 2;
  }
  try {
    writeCorpus(argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_avi_corpus: %s\n", error.what());
    return 1;
  }
  return 0;
}
