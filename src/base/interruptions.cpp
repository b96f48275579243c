#include "base/interruptions.h"

#include <ctime>

namespace {

constexpr int kHeldSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

Interruptions::Interruptions() {
  sigemptyset(&held_);
  for (int held : kHeldSignals)
    sigaddset(&held_, held);
  sigprocmask(SIG_BLOCK, &held_, &previous_);
}

Interruptions::~Interruptions() {
  sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

const char* Interruptions::signalName() const {
  switch (signal_) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
  }
  return "";
}

int Interruptions::whileAsking(const std::function<int()>& ask) {
  sigprocmask(SIG_UNBLOCK, &held_, nullptr);
  int answer = ask();
  sigprocmask(SIG_BLOCK, &held_, nullptr);
  return answer;
}

bool Interruptions::arrived() {
  if (signal_ != 0)
    return true;
  sigset_t pending;
  if (sigpending(&pending) != 0)
    return false;
  for (int held : kHeldSignals) {
    if (!sigismember(&pending, held))
      continue;
    const timespec now = {0, 0};
    sigtimedwait(&held_, nullptr, &now);
    signal_ = held;
    return true;
  }
  return false;
}
