// What the steps below the setup run are handed: the run's Log, its
// options, the facts found on the machine and how long it waits on
// others.  The setup run owns all four.
#ifndef LUMO_DISCOVERY_CONTEXT_H
#define LUMO_DISCOVERY_CONTEXT_H

#include "base/log.h"
#include "base/options.h"
#include "base/waits.h"
#include "discovery/facts.h"

struct Context {
  Log& log;
  const Options& options;
  Facts& facts;
  const Waits& waits;
};

#endif
