#include "tests/app/app_test_util.h"

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

extern char** environ;

void writeTextFile(const fs::path& path, const std::string& text) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream stream(path, std::ios::binary);
  stream << text;
  ASSERT_TRUE(stream.good()) << "cannot write " << path;
}

std::string readFile(const fs::path& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

std::set<std::string> filesIn(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    names.insert(entry.path().filename().string());
  return names;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::string frameShow(const std::vector<std::string>& lines, const std::string& music) {
  std::vector<std::string> manager;
  for (const std::string& line : lines)
    manager.push_back("desc: " + line);
  return scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                     {"SCREEN_LAYER", {"desc: screen frame"}},
                     {"LAYER_MANAGER", manager}},
                    music);
}

std::string redThenBlue(int blueEnd, const std::string& music) {
  return frameShow(
      {"screen 1 0 1000 c 255 0 0", "screen 1 1000 " + std::to_string(blueEnd) + " c 0 0 255"},
      music);
}

std::string fatalAt150Show() {
  return scriptText(
      {{"LAYER_DIMENSION", {"desc: frame 512 256", "desc: small 256 128"}},
       {"SCREEN_LAYER", {"desc: tile small", "desc: screen frame"}},
       {"LAYER_MANAGER", {"desc: screen 1 0 5000 c 0 0 255", "desc: screen 2 150 5000 w tile"}}});
}

ShowPlayerProcess::ShowPlayerProcess(const std::vector<std::string>& arguments,
                                     const fs::path& workingFolder) {
  const std::string program = SHOWPLAYER_BINARY_DIR "/showplayer";
  const std::string outFile = m_streams.file("stdout.txt");
  const std::string errFile = m_streams.file("stderr.txt");
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int error = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    m_pid = -1;
    ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(error);
  }
}

ShowPlayerProcess::~ShowPlayerProcess() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGKILL);
  waitpid(m_pid, nullptr, 0);
}

ProgramRun ShowPlayerProcess::wait(std::chrono::milliseconds limit) {
  ProgramRun run;
  if (m_pid <= 0) return run;
  int status = 0;
  const bool ended = waitUntil([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }, limit);
  if (!ended) {
    ADD_FAILURE() << "showplayer still runs after " << limit.count() << " ms: killed";
    kill(m_pid, SIGKILL);
    waitpid(m_pid, &status, 0);
  }
  m_pid = -1;
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.killedBy = WTERMSIG(status);
  run.out = readFile(m_streams.file("stdout.txt"));
  run.err = readFile(m_streams.file("stderr.txt"));
  return run;
}

std::uint32_t RgbImage::at(int x, int y) const {
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)) *
                        3;
  return (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
}

std::optional<RgbImage> readPng(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return std::nullopt;
  RgbImage image;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.fileFormat = png.format;
  png.format = PNG_FORMAT_RGB;
  image.bytes.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.bytes.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  return image;
}

RgbImage rgbOf(const std::uint32_t* pPixels, int width, int height) {
  RgbImage rgb;
  rgb.width = width;
  rgb.height = height;
  const std::size_t count =
      static_cast<std::size_t>(rgb.width) * static_cast<std::size_t>(rgb.height);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t pixel = pPixels[i];
    rgb.bytes.insert(rgb.bytes.end(),
                     {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                      static_cast<std::uint8_t>(pixel)});
  }
  return rgb;
}

::testing::AssertionResult showsLayer(const RgbImage& image, const Picture& expected) {
  if (image.width != 512 || image.height != 384)
    return ::testing::AssertionFailure() << "size " << image.width << " x " << image.height;
  long nbWrong = 0;
  std::ostringstream first;
  for (int y = 0; y < 384; ++y) {
    for (int x = 0; x < 512; ++x) {
      const int layerY = y - 64;
      const bool inside = layerY >= 1 && layerY <= 254 && x >= 1;
      const std::uint32_t want = inside ? expected(x, layerY) : 0u;
      const std::uint32_t got = image.at(x, y);
      if (got == want) continue;
      if (nbWrong++ == 0) {
        first << "pixel (" << x << ", " << y << ") is 0x" << std::hex << got << ", expected 0x"
              << want;
      }
    }
  }
  if (nbWrong == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << nbWrong << " wrong pixels; first: " << first.str();
}

::testing::AssertionResult matchesGolden(const std::string& rendered, const std::string& name) {
  const std::string golden = SHOWPLAYER_SOURCE_DIR "/tests/app/golden/" + name;
  const char* update = std::getenv("SHOWPLAYER_UPDATE_GOLDEN");
  if (update && std::strcmp(update, "1") == 0)
    fs::copy_file(rendered, golden, fs::copy_options::overwrite_existing);
  const std::optional<RgbImage> actual = readPng(rendered);
  const std::optional<RgbImage> expected = readPng(golden);
  if (!actual) return ::testing::AssertionFailure() << "no frame " << rendered;
  if (!expected || expected->width != 512 || expected->height != 384)
    return ::testing::AssertionFailure() << "no 512 x 384 golden picture " << golden;
  // The golden pictures are black outside the band, as every display is.
  return showsLayer(*actual, [&](int x, int y) { return expected->at(x, y + 64); })
         << " (" << name << ")";
}

std::optional<SceneBand> renderSceneBand(const TempFolder& folder, const std::string& sceneText,
                                         int atMs, const std::string& golden,
                                         const std::string& clear) {
  writeTextFile(folder.path() / "data/scene.l3x", sceneText);
  writeTextFile(
      folder.path() / "show.lscx",
      scriptText({{"MUSIC", {"file: NULL", "offset: 0"}},
                  {"LAYER_DIMENSION", {"desc: band 512 256"}},
                  {"3D", {"file: scene data\\scene.l3x"}},
                  {"SCREEN_LAYER", {"desc: screen band"}},
                  {"3D_DESC", {"desc: now scene band NULL 0 0"}},
                  {"LAYER_MANAGER",
                   {"desc: screen 1 0 100000 c " + clear, "desc: screen 2 0 100000 w now"}}}));
  const ProgramRun run = runShowPlayer(
      {"render", "show.lscx", "--at", std::to_string(atMs), "--out", "frame.png"}, folder.path());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string file = folder.file("frame.png");
  EXPECT_TRUE(matchesGolden(file, golden));
  std::optional<RgbImage> frame = readPng(file);
  if (!frame) return std::nullopt;
  return SceneBand{std::move(*frame)};
}
