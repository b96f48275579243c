// The command line, scanned twice with the same option string: the first
// pass acts on -S, -d, -f and -h before the Log file exists, the second on
// the rest once it is open.
#ifndef LUMO_DRIVER_OPTIONS_H
#define LUMO_DRIVER_OPTIONS_H

#include <string>

void firstOptionPass(int argc, char** argv);

// Returns empty, or the refusal message for an argument that does not fit
// its text setting (nothing is stored for it then).
std::string secondOptionPass(int argc, char** argv);

[[noreturn]] void printUsage();

#endif
