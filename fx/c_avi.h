#pragma once
// CAvi: the first video stream of a file, every frame decoded once when the object is made into a
// 0x00RRGGBB image of the stream's frame size, so that playing the video costs nothing per frame.
// The file is read through FFmpeg: any container and codec it decodes, not only those of .avi
// files. Users pick the frame for a time t with getFrame(t / getFrameDuration()).
//
// Memory guard: the decoded frames of one video may take at most memoryLimit() bytes, counted as
// the images' own blocks, (height + 4) * width * 4 bytes a frame with the guard rows. The check is
// made before decoding (frame size times the stream's frame count, when the file tells it) and
// again before every frame is kept, so a header that lies about the count cannot win.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "image/cimage32.h"

class CAvi {
 public:
  // Decodes the whole video. A failure is a fatal report captioned "CAvi error" ("can't open file
  // <name>", "no frame", "can't get Frame", or a refusal by the memory guard): the program is
  // asked to quit and the object stays without frames. A file cut short keeps the frames that
  // decoded and warns ("CAvi warning") when the file had promised more.
  explicit CAvi(const char* fileName);
  ~CAvi();
  CAvi(const CAvi&) = delete;
  CAvi& operator=(const CAvi&) = delete;

  // Frame i modulo the frame count, the remainder taken in 0 .. count - 1 so a time-derived index
  // loops the video (a negative index counts back from the end). Null without frames.
  CImage32* getFrame(int32_t i);
  const CImage32* getFrame(int32_t i) const;

  // The stream's frame size; every frame image has it.
  int32_t getWidth() const { return m_width; }
  int32_t getHeight() const { return m_height; }
  // Frames decoded: 0 after a failure.
  int32_t getNbFrame() const { return static_cast<int32_t>(m_frames.size()); }
  // Milliseconds a frame: the time of the frame after the last, divided by the frame count
  // (integer division), at least 1 so that a time can always be divided by it; 0 without frames.
  int32_t getFrameDuration() const { return m_frameDuration; }

  // The byte limit of the memory guard: the environment variable SHOWPLAYER_VIDEO_MEMORY_LIMIT
  // (a positive decimal number of bytes) when set, else 1 GiB. A value that is not such a number
  // is reported ("CAvi warning") and the default is used.
  static uint64_t memoryLimit();

 private:
  // The loading steps; on failure the reason is reported and m_frames stays empty.
  void load(const char* fileName);
  void error(const std::string& text) const;

  int32_t m_width = 0;
  int32_t m_height = 0;
  int32_t m_frameDuration = 0;
  std::vector<std::unique_ptr<CImage32Buffered>> m_frames;
};

// True when a picture name of a scene names a video: it contains ".avi", in any case.
bool isVideoName(std::string_view fileName);
