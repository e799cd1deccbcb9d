#pragma once
// Display: presents the player's frames in an SDL window. The frame lives in our own 32-bit
// memory (width x height pixels, rows width x 4 bytes apart) that the frame step draws into in
// place; present() uploads it once to a streaming texture and shows it, full screen (scaled to
// the screen with its aspect kept, black bars around) or in a window of the frame's size.
// A failing SDL step is reported under "directDrawError" and leaves the display failed: the
// player then ends.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

enum class ScreenMode { kFullScreen, kWindowed };

class Display {
 public:
  Display();
  ~Display();
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  // Opens the window (titled `title`) with its renderer and texture. False, after the report,
  // when a step fails.
  bool init(const std::string& title, int width, int height, ScreenMode mode);
  // The first pixel of the frame memory, or lockFailed() when the display is not open.
  std::uint32_t* lock();
  void unlock();
  // Makes the texture again when it was lost (a failed lock).
  void restore();
  // Uploads the frame and shows it. Failures are ignored.
  void present();
  // Writes the line white on black with the built-in font, its top-left corner at (x, y).
  void drawText(std::string_view text, int x, int y);
  // Switches between full screen and a window at (100, 100) of the frame's size.
  void toggleFullScreen();
  // Closes the window; the frame memory stays.
  void release();

  // The value lock() gives on failure: all bits set.
  static std::uint32_t* lockFailed();

  bool isOpen() const { return m_pWindow != nullptr; }
  // True once a step failed: the player must end.
  bool hasFailed() const { return m_failed; }
  bool isFullScreen() const { return m_fullScreen; }
  int getWidth() const { return m_width; }
  int getHeight() const { return m_height; }
  // The frame memory, as the last frame left it (row pitch = width).
  const std::uint32_t* getPixels() const { return m_pixels.data(); }
  SDL_Window* getWindow() const { return m_pWindow; }

 private:
  bool createTexture();
  void fail(std::string_view text);

  SDL_Window* m_pWindow = nullptr;
  SDL_Renderer* m_pRenderer = nullptr;
  SDL_Texture* m_pTexture = nullptr;
  std::vector<std::uint32_t> m_pixels;
  int m_width = 0;
  int m_height = 0;
  bool m_fullScreen = false;
  bool m_videoStarted = false;
  bool m_failed = false;
};
