#include "app/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawPeriod = std::chrono::milliseconds(100);

// "M:SS", or "H:MM:SS" from an hour on.
std::string clockText(std::int64_t seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  }
  return text;
}

}  // namespace

ProgressBar::ProgressBar(std::int64_t total, std::FILE* pStream, Output output)
    : m_total(std::max<std::int64_t>(total, 0)),
      m_pStream(pStream),
      m_shown(pStream != nullptr &&
              (output == Output::kAlways ||
               (output == Output::kWhenTerminal && isatty(fileno(pStream)) != 0))),
      m_start(std::chrono::steady_clock::now()),
      m_lastDraw(m_start) {}

ProgressBar::~ProgressBar() {
  finish();
}

std::string ProgressBar::format(std::int64_t done, std::int64_t total, double seconds) {
  total = std::max<std::int64_t>(total, 0);
  done = std::clamp<std::int64_t>(done, 0, total);
  const std::int64_t filled = total > 0 ? done * kBarWidth / total : kBarWidth;
  std::string text = "[";
  text.append(static_cast<std::size_t>(filled), '#');
  text.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  text += "]  " + std::to_string(done) + "/" + std::to_string(total) + " frames  ";
  if (done == 0 || !(seconds > 0.0)) return text + "-- fps  -- left";
  const double speed = static_cast<double>(done) / seconds;
  char speedText[32];
  std::snprintf(speedText, sizeof speedText, "%.1f fps", speed);
  const auto left = static_cast<std::int64_t>(std::ceil(static_cast<double>(total - done) / speed));
  return text + speedText + "  " + clockText(left) + " left";
}

void ProgressBar::update(std::int64_t done) {
  if (!m_shown) return;
  const auto now = std::chrono::steady_clock::now();
  if (m_drawn && done < m_total && now - m_lastDraw < kRedrawPeriod) return;
  m_lastDraw = now;
  const std::string text =
      format(done, m_total, std::chrono::duration<double>(now - m_start).count());
  // Spaces over the rest of a longer previous line.
  const std::size_t pad = m_lastLength > text.size() ? m_lastLength - text.size() : 0;
  std::fprintf(m_pStream, "\r%s%*s", text.c_str(), static_cast<int>(pad), "");
  std::fflush(m_pStream);
  m_lastLength = text.size();
  m_drawn = true;
}

void ProgressBar::finish() {
  if (!m_drawn) return;
  std::fputc('\n', m_pStream);
  std::fflush(m_pStream);
  m_drawn = false;
}
