#include "tools/show_tool.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "base/chunk_file.h"
#include "base/chunk_file_reader.h"
#include "base/chunk_file_writer.h"
#include "base/file_tools.h"
#include "tools/controller_json.h"
#include "tools/model_import.h"

namespace {

constexpr const char* kHelp =
    "usage: showtool dump FILE [--tree]\n"
    "       showtool build FILE.json -o OUT [--pack]\n"
    "       showtool import MODEL -o SCENE.l3x [--fps N] [--pack]\n"
    "       showtool --help\n"
    "\n"
    "dump    prints a chunk file as JSON. .lcx, .lecx, .l3x and .s2d files show their chunks\n"
    "        with named fields; other files, and chunks the typed view does not know, show their\n"
    "        bytes as hex. --tree shows every chunk's own bytes as hex. Packed files are\n"
    "        unpacked and \"packed\": true is recorded.\n"
    "build   writes the chunk file a JSON describes (packed when it says \"packed\": true or\n"
    "        with --pack). A dumped file builds back byte for byte.\n"
    "import  makes a 3D scene of a model (glTF .gltf/.glb, OBJ with its .mtl, and the other\n"
    "        formats the Open Asset Import Library reads); animation keys at N frames a\n"
    "        second (30 unless given). What cannot be converted is named on stderr.\n";

int usage(std::ostream& err, const std::string& what) {
  err << "showtool: " << what << "\n" << kHelp;
  return 2;
}

int dump(const std::string& fileName, bool tree, std::ostream& out, std::ostream& err) {
  const auto resolved = FileTools::resolveExisting(fileName);
  const auto fileBytes = resolved ? FileTools::readFile(*resolved) : std::nullopt;
  std::optional<ChunkFileReaderManager> manager;
  if (fileBytes)
    manager.emplace(std::span<const std::uint8_t>(*fileBytes), StringC(fileName.c_str()));
  else
    manager.emplace(StringC(fileName.c_str()));               // reports why the file cannot be read
  if (!manager->hasFailed()) ChunkFileReader top(&*manager);  // reports a broken top chunk
  if (!fileBytes || manager->hasFailed()) {
    err << "showtool: cannot read " << fileName << "\n";
    return 1;
  }
  const bool packed = !fileBytes->empty() && (*fileBytes)[0] != ChunkFile::kPlain;
  const auto document = ControllerJson::toDocument(
      manager->getData(), ControllerJson::formatOfFileName(fileName), packed, tree);
  out << ChunkJson::toText(document) << "\n";
  return 0;
}

int build(const std::string& jsonName, const std::string& outName, bool pack, std::ostream& err) {
  std::ifstream in(jsonName, std::ios::binary);
  if (!in) {
    err << "showtool: cannot read " << jsonName << "\n";
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ControllerJson::Built built;
  try {
    built = ControllerJson::fromDocument(nlohmann::ordered_json::parse(text));
  } catch (const ChunkJson::ModelError& error) {
    err << "showtool: " << jsonName << ": " << error.what() << "\n";
    return 1;
  } catch (const nlohmann::ordered_json::exception& error) {
    err << "showtool: " << jsonName << ": " << error.what() << "\n";
    return 1;
  }
  if (built.data.size() > ChunkFile::kMaxDataSize) {
    err << "showtool: " << jsonName << ": $.chunks: more data than a chunk file holds\n";
    return 1;
  }
  ChunkFileWriterManager manager(StringC(outName.c_str()),
                                 pack || built.packed ? ChunkFile::kPacked : ChunkFile::kPlain);
  if (!manager.isOpen()) {
    err << "showtool: cannot write " << outName << "\n";
    return 1;
  }
  manager.write(built.data.data(), built.data.size());
  manager.close();
  return 0;
}

}  // namespace

int runShowTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kHelp;
    return 0;
  }
  if (args.empty()) return usage(err, "no command");
  const std::string& command = args[0];
  std::vector<std::string> files;
  std::optional<std::string> output;
  bool tree = false;
  bool pack = false;
  std::optional<int> fps;
  const bool writes = command == "build" || command == "import";
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--tree" && command == "dump") {
      tree = true;
    } else if (args[i] == "--pack" && writes) {
      pack = true;
    } else if (args[i] == "-o" && writes) {
      if (i + 1 == args.size() || output) return usage(err, "-o needs one file name");
      output = args[++i];
    } else if (args[i] == "--fps" && command == "import") {
      int value = 0;
      const std::string text = i + 1 < args.size() ? args[i + 1] : "";
      const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
      if (fps || text.empty() || result.ec != std::errc() ||
          result.ptr != text.data() + text.size() || value < 1 || value > 1000)
        return usage(err, "--fps needs one whole number from 1 to 1000");
      fps = value;
      ++i;
    } else if (!args[i].empty() && args[i][0] == '-') {
      return usage(err, "unknown option " + args[i]);
    } else {
      files.push_back(args[i]);
    }
  }
  if (command == "dump") {
    if (files.size() != 1) return usage(err, "dump takes one file");
    return dump(files[0], tree, out, err);
  }
  if (command == "build") {
    if (files.size() != 1 || !output) return usage(err, "build takes one JSON file and -o OUT");
    return build(files[0], *output, pack, err);
  }
  if (command == "import") {
    if (files.size() != 1 || !output) return usage(err, "import takes one model file and -o OUT");
    return ModelImport::importModel(files[0], *output, {fps.value_or(30), pack}, out, err);
  }
  return usage(err, "unknown command " + command);
}
