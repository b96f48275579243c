// The setup run: the whole life of the program, in a fixed order, ending
// with exit status 0 on every path it controls.
#ifndef LUMO_DRIVER_SETUP_RUN_H
#define LUMO_DRIVER_SETUP_RUN_H

int runSetup(int argc, char** argv);

// Closes the Log file when it is open and ends the process with status 0.
[[noreturn]] void endRun();

#endif
