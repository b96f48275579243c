// The signals an administrator ends a run with (SIGTERM, SIGINT, SIGHUP):
// held back while the run works and looked for between its steps, so a
// run stops only once the queue or file in hand is done, never halfway.
// The commands the run starts have them as usual.
#ifndef LUMO_BASE_INTERRUPTIONS_H
#define LUMO_BASE_INTERRUPTIONS_H

#include <signal.h>

#include <functional>

class Interruptions {
 public:
  // Holds the signals back until the object goes.
  Interruptions();
  ~Interruptions();
  Interruptions(const Interruptions&) = delete;
  Interruptions& operator=(const Interruptions&) = delete;

  // True once one of them has come; it is taken then, never delivered.
  bool arrived();

  // Runs ask with the signals delivered as usual: a question waits on the
  // administrator with nothing in hand, and ^C must end it at once.
  int whileAsking(const std::function<int()>& ask);
  // The signal that came ("SIGTERM"), empty while none did.
  const char* signalName() const;

 private:
  sigset_t held_;
  sigset_t previous_;
  int signal_ = 0;
};

#endif
