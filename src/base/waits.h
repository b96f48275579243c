// How long a run waits on the print server and on the service manager.  An
// ordinary run keeps the shipped values; only a build made for the tests
// hands the run shorter ones, so no run ever reads them from its
// surroundings.
#ifndef LUMO_BASE_WAITS_H
#define LUMO_BASE_WAITS_H

struct Waits {
  // The longest exchange with the local print server.
  int serverSeconds = 10;
  // The longest CUPS restart of a small print server; a larger one gets
  // more (app/cups_restart.h).  A service manager gives up on a stuck stop
  // after 90 seconds by default, so two minutes leave it room to do so and
  // still bound a print server that never answers.
  int restartSeconds = 120;
  // The pause after each process listing of the print-system probe.
  int listingPauseSeconds = 1;
  // The pause before a queue removal that failed is tried once more.
  int retryPauseSeconds = 1;
};

#endif
