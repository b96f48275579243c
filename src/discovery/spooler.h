// Print-system detection: whether a foomatic-rip program exists and which
// print spooler serves the machine (the print-system kind of the run
// settings).
#ifndef LUMO_DISCOVERY_SPOOLER_H
#define LUMO_DISCOVERY_SPOOLER_H

#include <cstdio>
#include <string>

#include "discovery/facts.h"

class Log;

// True when a foomatic-rip program exists in one of its known places.
bool hasFoomaticRip();

// The kind named by ORBLPMODE or, only when that is not set at all,
// LUMOLPMODE; 0 when the environment does not say.
int spoolerFromEnv();

// The kind of an exact spooler name ("CUPS", "LPRNG", "LPR", "LP"), else 0;
// and the name of a kind, or nullptr for the unknown kind.
int spoolerKindNamed(const char* name);
const char* spoolerName(int kind);

// The kind from the running processes and from lpd -V.  When the CUPS
// daemon is seen on the first look, the facts' CUPS directories are set
// too.
int probeSpooler(Log& log, Facts& facts);

// Looks through one process listing for the first line that names the
// process; lines holding "grep" are the listing's own and are passed over.
// Returns 1 and the matched line from the start of the word holding the
// name, 0 when no line names it, -1 when the listing cannot be opened.
// position only labels the debug traces.
int findInListing(Log& log, const std::string& path, const char* name, int position,
                  std::string* word);
// The same over an open listing: 1 or 0.
int findInListing(Log& log, FILE* in, const char* name, int position, std::string* word);

// 4 (LPRng) when the answer of lpd -V holds "LPRng", else kindSoFar.
int lprngKind(const std::string& path, int kindSoFar);
int lprngKind(FILE* in, int kindSoFar);

#endif
