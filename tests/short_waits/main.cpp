// setup as the system tests run it where a wait itself is under test: the
// same run, but waiting seconds where an ordinary run waits minutes, so a
// hung restart or a silent print server is proven in a few seconds.
#include "app/setup_run.h"

int main(int argc, char** argv) {
  Waits waits;
  waits.serverSeconds = 2;
  waits.restartSeconds = 2;
  waits.listingPauseSeconds = 0;
  waits.retryPauseSeconds = 0;
  return runSetup(argc, argv, waits);
}
