#include "platform/interruption.h"

#include <csignal>

void (*interruption_cleanup)() = nullptr;

void end_interrupted_run(int signal_number) {
  if (interruption_cleanup != nullptr) interruption_cleanup();
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}
