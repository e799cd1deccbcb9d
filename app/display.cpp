#include "app/display.h"

#include <SDL.h>

#include <cstddef>

#include "base/report.h"
#include "image/bitmap_font.h"

namespace {

constexpr std::string_view kCaption = "directDrawError";
// The window's place when it is not full screen.
constexpr int kWindowX = 100;
constexpr int kWindowY = 100;
constexpr std::uint32_t kTextColor = 0x00FFFFFFu;
constexpr std::uint32_t kTextBackground = 0x00000000u;
// The largest frame we accept: well beyond any screen, small enough for int arithmetic.
constexpr int kMaxSide = 16384;

}  // namespace

Display::Display() = default;

Display::~Display() {
  release();
}

std::uint32_t* Display::lockFailed() {
  return reinterpret_cast<std::uint32_t*>(~std::uintptr_t{0});
}

void Display::fail(std::string_view text) {
  report(kCaption, text);
  m_failed = true;
  release();
}

bool Display::init(const std::string& title, int width, int height, ScreenMode mode) {
  release();
  m_failed = false;
  m_width = width;
  m_height = height;
  m_fullScreen = mode == ScreenMode::kFullScreen;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    fail("Create BufferSurface");
    return false;
  }
  m_pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u);

  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    fail("DirectDrawCreateEx FAILED");
    return false;
  }
  m_videoStarted = true;
  // Without a reachable screen SDL falls back on its invisible offscreen driver: a show nobody
  // can see is a failure, unless that driver was asked for by name.
  const char* pAsked = SDL_getenv("SDL_VIDEODRIVER");
  const char* pDriver = SDL_GetCurrentVideoDriver();
  if (pDriver && std::string_view(pDriver) == "offscreen" && !(pAsked && *pAsked)) {
    fail("DirectDrawCreateEx FAILED");
    return false;
  }
  const Uint32 flags = m_fullScreen ? static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP) : 0u;
  m_pWindow = SDL_CreateWindow(title.c_str(), kWindowX, kWindowY, width, height, flags);
  if (!m_pWindow) {
    fail("DirectDrawCreateEx FAILED");
    return false;
  }
  m_pRenderer = SDL_CreateRenderer(m_pWindow, -1, 0);
  if (!m_pRenderer) {
    fail("Create PrimarySurface FAILED");
    return false;
  }
  // The frame keeps its aspect on any screen: the renderer scales it and adds black bars.
  if (SDL_RenderSetLogicalSize(m_pRenderer, width, height) != 0) {
    fail("SetCooperativeLevel FAILED");
    return false;
  }
  return createTexture();
}

bool Display::createTexture() {
  if (m_pTexture) SDL_DestroyTexture(m_pTexture);
  // 0xXXRRGGBB words, the byte above red ignored.
  m_pTexture = SDL_CreateTexture(m_pRenderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 m_width, m_height);
  if (!m_pTexture) {
    fail("Create BufferSurface");
    return false;
  }
  return true;
}

std::uint32_t* Display::lock() {
  if (!m_pWindow || !m_pTexture || m_pixels.empty()) return lockFailed();
  return m_pixels.data();
}

void Display::unlock() {}

void Display::restore() {
  if (m_pRenderer && !m_pTexture) createTexture();
}

void Display::present() {
  if (!m_pRenderer || !m_pTexture) return;
  // The one copy of the frame: our memory to the texture.
  SDL_UpdateTexture(m_pTexture, nullptr, m_pixels.data(),
                    m_width * static_cast<int>(sizeof(std::uint32_t)));
  SDL_SetRenderDrawColor(m_pRenderer, 0, 0, 0, 255);
  SDL_RenderClear(m_pRenderer);
  SDL_RenderCopy(m_pRenderer, m_pTexture, nullptr, nullptr);
  SDL_RenderPresent(m_pRenderer);
}

void Display::drawText(std::string_view text, int x, int y) {
  if (m_pixels.empty()) return;
  BitmapFont::drawText({m_pixels.data(), m_width, m_height, m_width}, text, x, y, kTextColor,
                       kTextBackground);
}

void Display::toggleFullScreen() {
  if (!m_pWindow) return;
  if (m_fullScreen) {
    if (SDL_SetWindowFullscreen(m_pWindow, 0) != 0) {
      fail("SetDisplayMode FAILED");
      return;
    }
    m_fullScreen = false;
    SDL_SetWindowSize(m_pWindow, m_width, m_height);
    SDL_SetWindowPosition(m_pWindow, kWindowX, kWindowY);
    SDL_ShowWindow(m_pWindow);
  } else {
    if (SDL_SetWindowFullscreen(m_pWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
      fail("SetDisplayMode FAILED");
      return;
    }
    m_fullScreen = true;
  }
}

void Display::release() {
  if (m_pTexture) SDL_DestroyTexture(m_pTexture);
  if (m_pRenderer) SDL_DestroyRenderer(m_pRenderer);
  if (m_pWindow) SDL_DestroyWindow(m_pWindow);
  m_pTexture = nullptr;
  m_pRenderer = nullptr;
  m_pWindow = nullptr;
  if (m_videoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  m_videoStarted = false;
}
