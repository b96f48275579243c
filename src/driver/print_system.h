// The run's print-system steps: which spooler serves the machine, whether
// the run may install, and what the run needs to know about CUPS.
#ifndef LUMO_DRIVER_PRINT_SYSTEM_H
#define LUMO_DRIVER_PRINT_SYSTEM_H

// Recognises the spooler, decides stopRun (logging why the run cannot
// install) and, with CUPS, logs its directories and finds its version.
void recognisePrintSystem();

// Logs why this run cannot install: no running CUPS daemon, no foomatic-rip
// program, not root.
void abandonSetup();

// With CUPS: its data directory and the paths of lpadmin and lpstat under
// the CUPS directories.
void findCupsCommands();

#endif
