// JPG reader, decoded by libjpeg(-turbo) from the file held in memory.
//
// Colour pictures become 0x00RRGGBB; a grey picture gives its level to all three channels. Rows
// go top first. libjpeg reports a fatal problem by calling error_exit, which must not return:
// ours jumps back with longjmp into the small step that called libjpeg. Those steps keep no
// object with a destructor in their own frame (longjmp would skip it); the decompressor lives in
// a JpegSession owned by the caller, whose destructor frees everything libjpeg allocated.

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

// After <cstddef> and <cstdio>: jpeglib.h uses size_t and FILE without including their headers.
#include <jpeglib.h>

#include "image/cimage32.h"
#include "image/image_file_p.h"

namespace {

// A real progressive picture has about ten scans; a damaged or hostile one may have thousands,
// each of them a pass over the whole picture.
constexpr int kMaxScans = 100;

struct JpegErrorManager {
  jpeg_error_mgr base;  // first, so the jpeg_error_mgr* libjpeg hands back is this object
  std::jmp_buf escape;
  char fatalMessage[JMSG_LENGTH_MAX];
  char firstWarning[JMSG_LENGTH_MAX];
};

JpegErrorManager& errorManagerOf(j_common_ptr pInfo) {
  return *reinterpret_cast<JpegErrorManager*>(pInfo->err);
}

void onJpegFatal(j_common_ptr pInfo) {
  JpegErrorManager& errors = errorManagerOf(pInfo);
  (*pInfo->err->format_message)(pInfo, errors.fatalMessage);
  std::longjmp(errors.escape, 1);
}

// Warnings (damaged data that libjpeg decodes around) are kept, not printed.
void onJpegMessage(j_common_ptr pInfo) {
  JpegErrorManager& errors = errorManagerOf(pInfo);
  if (errors.firstWarning[0] == '\0') (*pInfo->err->format_message)(pInfo, errors.firstWarning);
}

void onJpegProgress(j_common_ptr pInfo) {
  if (!pInfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(pInfo)->input_scan_number <= kMaxScans) return;
  JpegErrorManager& errors = errorManagerOf(pInfo);
  std::snprintf(errors.fatalMessage, sizeof errors.fatalMessage, "more than %d scans", kMaxScans);
  std::longjmp(errors.escape, 1);
}

// One decompression; freed on destruction whatever state libjpeg stopped in.
struct JpegSession {
  JpegSession() {
    std::memset(&info, 0, sizeof info);
    std::memset(&errors, 0, sizeof errors);
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onJpegFatal;
    errors.base.output_message = onJpegMessage;
    progress.progress_monitor = onJpegProgress;
  }
  ~JpegSession() { jpeg_destroy_decompress(&info); }
  JpegSession(const JpegSession&) = delete;
  JpegSession& operator=(const JpegSession&) = delete;

  jpeg_decompress_struct info;
  JpegErrorManager errors;
  jpeg_progress_mgr progress{};
};

// Reads the markers up to the first scan. False when libjpeg gave up.
bool readJpegHeader(JpegSession& session, std::span<const uint8_t> file) {
  if (setjmp(session.errors.escape)) return false;
  jpeg_create_decompress(&session.info);
  session.info.progress = &session.progress;
  // libjpeg 8's signature takes a non-const buffer; it only reads it.
  jpeg_mem_src(&session.info, const_cast<unsigned char*>(file.data()),
               static_cast<unsigned long>(file.size()));
  jpeg_read_header(&session.info, TRUE);
  if (session.info.jpeg_color_space != JCS_GRAYSCALE) session.info.out_color_space = JCS_RGB;
  return true;
}

// Decodes every row into pPixels (width x height, as the header said). False when libjpeg gave
// up; the rows decoded so far stay.
bool decodeJpegRows(JpegSession& session, uint32_t* pPixels, uint32_t width, uint32_t height) {
  if (setjmp(session.errors.escape)) return false;
  jpeg_decompress_struct& info = session.info;
  jpeg_start_decompress(&info);
  const uint32_t nbComponent = static_cast<uint32_t>(info.output_components);
  if (info.output_width != width || info.output_height != height ||
      (nbComponent != 1 && nbComponent != 3)) {
    std::snprintf(session.errors.fatalMessage, sizeof session.errors.fatalMessage,
                  "unexpected output format");
    return false;
  }
  // Taken from libjpeg's own pool, so a longjmp leaks nothing.
  JSAMPARRAY pLine = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               width * nbComponent, 1);
  while (info.output_scanline < height) {
    const uint32_t y = info.output_scanline;
    if (jpeg_read_scanlines(&info, pLine, 1) != 1) break;
    const JSAMPLE* pIn = pLine[0];
    uint32_t* pOut = pPixels + static_cast<size_t>(y) * width;
    if (nbComponent == 3) {
      for (uint32_t x = 0; x < width; ++x, pIn += 3)
        pOut[x] = static_cast<uint32_t>(pIn[0]) << 16 | static_cast<uint32_t>(pIn[1]) << 8 | pIn[2];
    } else {
      for (uint32_t x = 0; x < width; ++x)
        pOut[x] = static_cast<uint32_t>(pIn[x]) * 0x010101u;
    }
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

int CImage32FromData::loadJpg(std::span<const uint8_t> file) {
  JpegSession session;
  if (!readJpegHeader(session, file)) {
    warnFile(std::string(": JPEG data not readable (") + session.errors.fatalMessage + ")");
    return 0;
  }
  const uint32_t width = session.info.image_width;
  const uint32_t height = session.info.image_height;
  if (!allocatePicture(width, height)) return 0;
  if (!decodeJpegRows(session, m_pPixels, width, height)) {
    release();
    warnFile(std::string(": JPEG data not readable (") + session.errors.fatalMessage + ")");
    return 0;
  }
  if (session.errors.base.num_warnings > 0)
    warnFile(std::string(": damaged JPEG data (") + session.errors.firstWarning +
             "), the picture may be incomplete");
  return 1;
}
