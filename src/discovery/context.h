// What the steps below the setup run are handed: the run's Log, its
// options and the facts found on the machine.  The setup run owns all
// three.
#ifndef LUMO_DISCOVERY_CONTEXT_H
#define LUMO_DISCOVERY_CONTEXT_H

#include "base/log.h"
#include "base/options.h"
#include "discovery/facts.h"

struct Context {
  Log& log;
  const Options& options;
  Facts& facts;
};

#endif
