// The run's print-system steps: which spooler serves the machine, whether
// the run may install, and what the run needs to know about CUPS.
#ifndef LUMO_DISCOVERY_PRINT_SYSTEM_H
#define LUMO_DISCOVERY_PRINT_SYSTEM_H

#include "discovery/context.h"

// Recognises the spooler and, with CUPS, logs its directories and finds its
// version.  True when the run cannot install (the reasons logged): no
// running CUPS daemon, no foomatic-rip program, not root.
bool recognisePrintSystem(Context& run);

// Logs why this run cannot install.
void abandonSetup(Context& run);

// With CUPS: its data directory and the paths of lpadmin and lpstat under
// the CUPS directories.
void findCupsCommands(Context& run);

#endif
