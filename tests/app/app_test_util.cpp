#include "tests/app/app_test_util.h"

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

extern char** environ;

void writeTextFile(const fs::path& path, const std::string& text) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream stream(path, std::ios::binary);
  stream << text;
  ASSERT_TRUE(stream.good()) << "cannot write " << path;
}

namespace {

std::string readWhole(const fs::path& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

}  // namespace

ProgramRun runShowPlayer(const std::vector<std::string>& arguments, const fs::path& workingFolder) {
  ProgramRun run;
  const std::string program = SHOWPLAYER_BINARY_DIR "/showplayer";
  // The captured streams go beside the working folder's content, not into it.
  TempFolder streams;
  const std::string outFile = streams.file("stdout.txt");
  const std::string errFile = streams.file("stderr.txt");

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
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
  pid_t pid = 0;
  const int spawnError =
      posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawnError != 0) {
    ADD_FAILURE() << "cannot start " << program << ": error " << spawnError;
    return run;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.exitCode = 128 + WTERMSIG(status);
  run.out = readWhole(outFile);
  run.err = readWhole(errFile);
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

::testing::AssertionResult isBandOf(const RgbImage& image, std::uint32_t color) {
  if (image.width != 512 || image.height != 384) {
    return ::testing::AssertionFailure()
           << "size " << image.width << " x " << image.height << ", not 512 x 384";
  }
  long nbWrong = 0;
  std::ostringstream first;
  for (int y = 0; y < 384; ++y) {
    for (int x = 0; x < 512; ++x) {
      // The band's inside: rows 65..318 (row 64 and row 319 are cleared), columns 1..511.
      const bool inside = y >= 65 && y <= 318 && x >= 1;
      const std::uint32_t expected = inside ? color : 0u;
      const std::uint32_t got = image.at(x, y);
      if (got == expected) continue;
      if (nbWrong++ == 0) {
        first << std::hex << "pixel (" << std::dec << x << ", " << y << ") is 0x" << std::hex << got
              << ", expected 0x" << expected;
      }
    }
  }
  if (nbWrong == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << nbWrong << " wrong pixels; first: " << first.str();
}
