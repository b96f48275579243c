// Print-system detection: whether a foomatic-rip program exists and which
// print spooler serves the machine (the print-system kind of the run
// settings).
#ifndef LUMO_DISCOVERY_SPOOLER_H
#define LUMO_DISCOVERY_SPOOLER_H

#include <cstdio>
#include <functional>
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

// The kind from the running processes and from lpd -V, each process
// listing followed by a pause of pauseSeconds.  When the CUPS daemon is
// seen on the first look, the facts' CUPS directories are set too.
int probeSpooler(Log& log, Facts& facts, int pauseSeconds);

// Whether a listing line (and its word, see findInListing) may be taken.
using ListingCheck = std::function<bool(const char* line, const std::string& word)>;

// Looks through one process listing for the first line that names the
// process; lines holding "grep" are the listing's own and are passed over,
// and so are lines that `accept`, when given, refuses.  Returns 1 and the
// matched line from the start of the word holding the name, 0 when no line
// names it, -1 when the listing cannot be opened.  position only labels the
// debug traces.
int findInListing(Log& log, const std::string& path, const char* name, int position,
                  std::string* word, const ListingCheck& accept = nullptr);
// The same over an open listing: 1 or 0.
int findInListing(Log& log, FILE* in, const char* name, int position, std::string* word,
                  const ListingCheck& accept = nullptr);

// Whether the process of a "ps -ef" line is a CUPS scheduler that only root
// can have started from where it runs: its executable (/proc/PID/exe) and,
// when the word starts with a path, the program path it was started by,
// with every directory above them, belong to root and cannot be written by
// group or others.  Any other is logged as passed over.
bool isTrustedScheduler(Log& log, const char* line, const std::string& word);

// 4 (LPRng) when the answer of lpd -V holds "LPRng", else kindSoFar.
int lprngKind(const std::string& path, int kindSoFar);
int lprngKind(FILE* in, int kindSoFar);

#endif
