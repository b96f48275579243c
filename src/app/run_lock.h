// The run lock: one run of setup at a time changes the machine.  It is an
// exclusive flock, held for the whole run, on /run/lumo/Lumo4.0_setup.lock
// (under /var/run on a system without /run), a file that names the holder's
// process id.  Only root can write in /run/lumo and open the file, so no
// other user can hold the lock or keep a run from taking it.
#ifndef LUMO_APP_RUN_LOCK_H
#define LUMO_APP_RUN_LOCK_H

#include <time.h>

#include <string>

#include "base/files.h"

class RunLock {
 public:
  enum class Outcome { kTaken, kBusy, kFailed };

  // Takes the lock and writes our process id into the lock file.  kBusy:
  // another run holds it, *note is its process id (or "unknown" when it has
  // not said it yet); kFailed: no lock file could be had, *note says why.
  Outcome take(std::string* note);

  // The same, with the lock's directory made in parent instead of /run.
  Outcome takeIn(const std::string& parent, std::string* note);

  // When the lock was taken: what the run finds of its own kind older than
  // that is a dead run's.
  const timespec& takenAt() const { return takenAt_; }

 private:
  Fd fd_;
  timespec takenAt_{};
};

#endif
