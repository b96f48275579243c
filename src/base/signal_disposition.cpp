#include "base/signal_disposition.h"

SignalDisposition::SignalDisposition(int signal, const struct sigaction& action)
    : signal_(signal) {
  sigaction(signal_, &action, &old_);
}

SignalDisposition::~SignalDisposition() {
  sigaction(signal_, &old_, nullptr);
}

struct sigaction ignoringAction() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  return action;
}

struct sigaction handlingAction(void (*handler)(int, siginfo_t*, void*)) {
  struct sigaction action {};
  action.sa_sigaction = handler;
  action.sa_flags = SA_SIGINFO | SA_RESTART;
  sigemptyset(&action.sa_mask);
  return action;
}
