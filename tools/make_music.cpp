// make_music MODULE.mod STREAM.ogg: composes the demo's music, writes it as a ProTracker module
// and renders the same piece into an OGG Vorbis stream.

#include <iostream>

#include "tools/demo_music.h"
#include "tools/picture_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_music MODULE.mod STREAM.ogg\n";
    return 2;
  }
  const std::vector<std::uint8_t> bytes = ModuleWriter::encodeMod(DemoMusic::compose());
  if (!PictureWriter::writeFile(argv[1], bytes)) {
    std::cerr << "make_music: cannot write " << argv[1] << "\n";
    return 1;
  }
  const ModuleWriter::RenderResult rendered = ModuleWriter::renderToOgg(bytes, argv[2]);
  if (!rendered.ok) {
    std::cerr << "make_music: " << rendered.error << "\n";
    return 1;
  }
  return 0;
}
