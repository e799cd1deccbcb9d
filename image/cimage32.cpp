#include "image/cimage32.h"

#include <cstring>
#include <new>

#include "base/report.h"

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
