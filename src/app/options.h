// The command line, scanned twice with the same option string: the first
// pass takes -S, -d, -f, -h and what decides how the run reports (-n, -r,
// -x) before the Log file exists, the second the rest once it is open.
// The options are letters only: a word "--name" among the options makes the
// first pass take nothing else and set usage and refusedLong, so that the
// run shows the usage text and ends with status 1 before anything happens.
#ifndef LUMO_APP_OPTIONS_H
#define LUMO_APP_OPTIONS_H

#include <string>

#include "base/options.h"

// Each pass returns empty, or the refusal message for an argument that does
// not fit its text setting (nothing is stored for it then).
std::string firstOptionPass(int argc, char** argv, Options& options);
std::string secondOptionPass(int argc, char** argv, Options& options);

void printUsage();

#endif
