// A signal's disposition, set for as long as its owner lives.
#ifndef LUMO_BASE_SIGNAL_DISPOSITION_H
#define LUMO_BASE_SIGNAL_DISPOSITION_H

#include <signal.h>

// Sets the signal's action; the one it had before comes back when this
// object goes.
class SignalDisposition {
 public:
  SignalDisposition(int signal, const struct sigaction& action);
  ~SignalDisposition();
  SignalDisposition(const SignalDisposition&) = delete;
  SignalDisposition& operator=(const SignalDisposition&) = delete;

 private:
  int signal_;
  struct sigaction old_ {};
};

// The action that ignores a signal.
struct sigaction ignoringAction();

// The action that calls handler with the signal's information; a system
// call the signal interrupts is restarted where it can be.
struct sigaction handlingAction(void (*handler)(int, siginfo_t*, void*));

#endif
