#pragma once
// Ctrl-C and SIGTERM during a long export: while a guard lives, the first such signal only sets
// a flag that the export loop reads after each frame, so that it can stop cleanly (remove its
// temporary file, say how far it got). A second signal ends the program at once, as usual.

#include <csignal>

class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // The signal received since the guard was made, 0 for none.
  static int signalReceived();
  // The exit status of a program ended by `signal`: 128 + its number, as a shell reports it.
  static int exitStatus(int signal) { return 128 + signal; }

 private:
  using Handler = void (*)(int);
  Handler m_previousInterrupt;
  Handler m_previousTerminate;
};
