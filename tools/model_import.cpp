#include "tools/model_import.h"

#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <vector>

#include "base/chunk_file.h"
#include "tools/model_import_p.h"

namespace ModelImport {

namespace {

// Counts of vertices and faces are words in a scene.
constexpr unsigned kMaxCount = 65535;
// A model that takes longer than this to import is taken for one the import library loops on.
constexpr int kImportSeconds = 600;

// The absolute folder of a file.
std::filesystem::path folderOf(const std::string& fileName) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(fileName, error);
  return (error ? std::filesystem::path(fileName) : full).lexically_normal().parent_path();
}

int importHere(const std::string& modelName, const std::string& sceneName, const Settings& settings,
               std::ostream& out, std::ostream& err) {
  const std::string prefix = "showtool: " + modelName + ": ";
  Assimp::Importer importer;
  // Counts of vertices and faces are words in a scene: larger meshes come in parts.
  importer.SetPropertyInteger(AI_CONFIG_PP_SLM_VERTEX_LIMIT, static_cast<int>(kMaxCount));
  importer.SetPropertyInteger(AI_CONFIG_PP_SLM_TRIANGLE_LIMIT, static_cast<int>(kMaxCount));
  const unsigned steps = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                         aiProcess_SortByPType | aiProcess_SplitLargeMeshes |
                         aiProcess_ValidateDataStructure;
  const aiScene* pSource = nullptr;
  try {
    pSource = importer.ReadFile(modelName, steps);
  } catch (const std::exception& error) {
    err << prefix << error.what() << "\n";
    return 1;
  }
  if (!pSource || !pSource->mRootNode) {
    const std::string why = importer.GetErrorString();
    err << prefix << (why.empty() ? "cannot read the model" : why) << "\n";
    return 1;
  }
  std::string extension = std::filesystem::path(modelName).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::vector<std::string> messages;
  const L3xScene::Scene scene =
      convertModel(*pSource, settings, extension == ".gltf" || extension == ".glb",
                   std::filesystem::path(modelName).stem().string(), messages, folderOf(modelName),
                   folderOf(sceneName));
  for (const std::string& text : messages)
    err << prefix << text << "\n";
  if (!L3xScene::write(scene, sceneName, settings.pack ? ChunkFile::kPacked : ChunkFile::kPlain)) {
    err << "showtool: cannot write " << sceneName << "\n";
    return 1;
  }
  out << "showtool: wrote " << sceneName << ": " << scene.meshes.size() << " meshes, "
      << scene.dummies.size() << " dummies, " << scene.cameras.size() << " cameras, "
      << scene.lights.size() << " lights, " << scene.materials.size() << " materials, "
      << scene.animLength << " frames\n";
  return 0;
}

bool writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// Reads `fd` to its end; false when `seconds` pass first.
bool readAll(int fd, std::string& bytes, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd request{fd, POLLIN, 0};
    const int ready = ::poll(&request, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

// The import library can stop the process on some files (the glTF reader of its 5.2 series does
// on a valid skin without inverse bind matrices) or run for ever: the import runs in a child
// process, which sends back its exit code and texts through a pipe.
int importModel(const std::string& modelName, const std::string& sceneName,
                const Settings& settings, std::ostream& out, std::ostream& err) {
  int ends[2];
  if (::pipe(ends) != 0) return importHere(modelName, sceneName, settings, out, err);
  std::cout.flush();
  std::cerr.flush();
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(ends[0]);
    ::close(ends[1]);
    return importHere(modelName, sceneName, settings, out, err);
  }
  if (child == 0) {
    ::close(ends[0]);
    std::ostringstream childOut, childErr;
    const int code = importHere(modelName, sceneName, settings, childOut, childErr);
    const std::string text = childOut.str();
    // Exit code, length of the out text, out text, err text.
    std::string message = std::to_string(code) + " " + std::to_string(text.size()) + " ";
    message += text + childErr.str();
    ::_exit(writeAll(ends[1], message) ? code : 1);
  }
  ::close(ends[1]);
  std::string message;
  const bool finished = readAll(ends[0], message, kImportSeconds);
  ::close(ends[0]);
  if (!finished) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  const std::string prefix = "showtool: " + modelName + ": ";
  int code = -1;
  std::size_t outSize = 0;
  int consumed = 0;
  if (finished && WIFEXITED(status) &&
      std::sscanf(message.c_str(), "%d %zu %n", &code, &outSize, &consumed) == 2 &&
      outSize <= message.size() - static_cast<std::size_t>(consumed)) {
    out << message.substr(static_cast<std::size_t>(consumed), outSize);
    err << message.substr(static_cast<std::size_t>(consumed) + outSize);
    return code;
  }
  std::remove((sceneName + "_tmp").c_str());
  if (!finished) {
    err << prefix << "the import took more than " << kImportSeconds << " seconds: stopped\n";
  } else {
    // Killed by a signal, or ended by a handler that caught one (the sanitizers' do).
    err << prefix << "the import library stopped on this file";
    if (WIFSIGNALED(status)) err << " (signal " << WTERMSIG(status) << ")";
    err << "\n";
  }
  return 1;
}

}  // namespace ModelImport
