#include "app/interrupt_guard.h"

namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void onInterrupt(int signal) {
  g_signal = signal;
  // The next one is not caught: a stuck export can still be ended.
  std::signal(signal, SIG_DFL);
}

}  // namespace

InterruptGuard::InterruptGuard() {
  g_signal = 0;
  m_previousInterrupt = std::signal(SIGINT, onInterrupt);
  m_previousTerminate = std::signal(SIGTERM, onInterrupt);
}

InterruptGuard::~InterruptGuard() {
  std::signal(SIGINT, m_previousInterrupt == SIG_ERR ? SIG_DFL : m_previousInterrupt);
  std::signal(SIGTERM, m_previousTerminate == SIG_ERR ? SIG_DFL : m_previousTerminate);
}

int InterruptGuard::signalReceived() {
  return static_cast<int>(g_signal);
}
