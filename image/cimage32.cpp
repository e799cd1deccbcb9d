#include "image/cimage32.h"

#include <cctype>
#include <cstring>
#include <new>
#include <string>

#include "base/file_tools.h"
#include "base/report.h"
#include "image/image_file_p.h"

namespace {
constexpr std::string_view kDimensionsMessage = "dimensions must be greater than zero";
// Guard rows above row 0 and below the last row of an owned block.
constexpr int32_t kGuardRows = 2;
}  // namespace

// --- CImage32 ---

void CImage32::allocate(int32_t width, int32_t height) {
  const size_t nbWord = (static_cast<size_t>(height) + 2 * kGuardRows) * static_cast<size_t>(width);
  // value-initialised: every word, guard rows included, starts at 0
  uint32_t* pBlock = new (std::nothrow) uint32_t[nbWord]();
  if (!pBlock) {
    error("not enough memory");
    return;
  }
  m_pBlock = pBlock;
  m_width = width;
  m_height = height;
  m_pPixels = m_pBlock + static_cast<size_t>(kGuardRows) * static_cast<size_t>(width);
}

void CImage32::release() {
  if (!m_pBlock) return;
  delete[] m_pBlock;
  // The pixels lived in the block: the image is empty again.
  m_pBlock = nullptr;
  m_pPixels = nullptr;
  m_width = 0;
  m_height = 0;
}

size_t CImage32::pixelCount() const {
  if (!m_pPixels || m_width <= 0 || m_height <= 0) return 0;
  return static_cast<size_t>(m_width) * static_cast<size_t>(m_height);
}

bool CImage32::sameSizeAs(const CImage32& other) const {
  return m_width == other.m_width && m_height == other.m_height;
}

// --- CImage32Buffered ---

CImage32Buffered::CImage32Buffered(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    error(kDimensionsMessage);
    return;
  }
  allocate(width, height);
}

CImage32Buffered::~CImage32Buffered() {
  release();
}

void CImage32Buffered::error(std::string_view text) const {
  report("CImage32Buffered", text, ReportLevel::Fatal);
}

void CImage32Buffered::warning(std::string_view text) const {
  report("CImage32Buffered", text, ReportLevel::Warning);
}

void CImage32Buffered::init(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    error(kDimensionsMessage);
    return;
  }
  // Resizing drops the old pixels rather than leaking their block.
  release();
  m_width = 0;
  m_height = 0;
  m_pPixels = nullptr;
  allocate(width, height);
}

void CImage32Buffered::initCopy(const CImage32& src) {
  init(src.getWidth(), src.getHeight());
  if (getPixels()) src.blit(this);
}

// --- CImage32FromData ---

namespace {
enum class PictureFormat { Bmp, Tga, Jpg, Unknown };

// The format named by the last three characters of a file name, case ignored.
PictureFormat pictureFormatOf(std::string_view name) {
  if (name.size() < 3) return PictureFormat::Unknown;
  std::string ending(name.substr(name.size() - 3));
  for (char& c : ending)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (ending == "BMP") return PictureFormat::Bmp;
  if (ending == "TGA") return PictureFormat::Tga;
  if (ending == "JPG") return PictureFormat::Jpg;
  return PictureFormat::Unknown;
}
}  // namespace

CImage32FromData::CImage32FromData(const char* fileName) {
  load(fileName);
}

CImage32FromData::~CImage32FromData() {
  delete[] m_pName;
  m_pName = nullptr;
  release();
}

void CImage32FromData::error(std::string_view text) const {
  report("CImage32FromData", text, ReportLevel::Fatal);
}

void CImage32FromData::warning(std::string_view text) const {
  report("CImage32FromData", text, ReportLevel::Warning);
}

void CImage32FromData::setName(const char* name) {
  if (!name) {
    error("setName: NULL");
    return;
  }
  const size_t nbByte = std::strlen(name) + 1;
  char* pCopy = new char[nbByte];
  std::memcpy(pCopy, name, nbByte);
  delete[] m_pName;
  m_pName = pCopy;
}

int CImage32FromData::load(const char* name) {
  if (!name) {
    error("load: NULL name");
    return 0;
  }
  setName(name);
  release();
  const PictureFormat format = pictureFormatOf(name);
  if (format == PictureFormat::Unknown) {
    errorFile(": extension not supported");
    return 0;
  }
  // The whole file in memory; the readers parse it through a bounded view.
  const std::optional<std::vector<uint8_t>> file = FileTools::readFile(name);
  if (!file) {
    warning(image_file::fileMessage("cant load file ", name, ""));
    return 0;
  }
  switch (format) {
    case PictureFormat::Bmp:
      return loadBmp(*file);
    case PictureFormat::Tga:
      return loadTga(*file);
    case PictureFormat::Jpg:
      return loadJpg(*file);
    case PictureFormat::Unknown:
      break;
  }
  return 0;
}

bool CImage32FromData::allocatePicture(int64_t width, int64_t height) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  if (width <= 0 || height <= 0) {
    warnFile(": size " + size + " has no pixels");
    return false;
  }
  if (width * height > image_file::kMaxPixels) {
    warnFile(": size " + size + " is too large (more than " +
             std::to_string(image_file::kMaxPixels) + " pixels)");
    return false;
  }
  allocate(static_cast<int32_t>(width), static_cast<int32_t>(height));
  return m_pPixels != nullptr;
}

void CImage32FromData::warnFile(std::string_view suffix) const {
  warning(image_file::fileMessage(m_pName ? m_pName : "", suffix));
}

void CImage32FromData::errorFile(std::string_view suffix) const {
  error(image_file::fileMessage(m_pName ? m_pName : "", suffix));
}

// --- CImage32External ---

CImage32External::~CImage32External() {
  m_pPixels = nullptr;
}

void CImage32External::error(std::string_view text) const {
  report("CImage32External", text, ReportLevel::Fatal);
}

void CImage32External::warning(std::string_view text) const {
  report("CImage32External", text, ReportLevel::Warning);
}

void CImage32External::setPixelData(int32_t width, int32_t height, uint32_t* pPixelData) {
  if (!pPixelData) {
    error("pixelData NULL");
    return;
  }
  if (width <= 0 || height <= 0) {
    error(kDimensionsMessage);
    return;
  }
  m_width = width;
  m_height = height;
  m_pPixels = pPixelData;
}
