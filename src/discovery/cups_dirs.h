// Where CUPS lives: its "prefix" and "exec_prefix" directories (cupsBaseDir
// and cupsBinDir of the run settings) and its data directory.
#ifndef LUMO_DISCOVERY_CUPS_DIRS_H
#define LUMO_DISCOVERY_CUPS_DIRS_H

#include <cstdio>
#include <optional>
#include <string>

// The directory in front of "/sbin/cupsd" or "/bin/cupsd" in the command
// path that begins a word of a process line (one leading blank allowed);
// nothing when the word is no such path.  "/sbin/cupsd" gives "".
std::optional<std::string> cupsdPrefix(const std::string& word);

// Fills prefix and execPrefix from the first CUPS start script that opens,
// else from what the machine's directories suggest.  Returns 1 when it has
// an answer, else 0.
int readCupsPrefixes(std::string& prefix, std::string& execPrefix, const std::string& cupsBinDir);

// The "prefix=" and "exec_prefix=" values of one start script, taken as it
// writes them (only a final line feed removed).  Returns 1 when the script
// gives one of them, 0 when it gives neither, -1 when it cannot be opened.
int prefixesFromScript(const std::string& path, std::string& prefix, std::string& execPrefix);
// The same from an open script, read from its start (it is read twice).
int prefixesFromScript(FILE* in, std::string& prefix, std::string& execPrefix);

// The answer without a start script: exec_prefix "/usr" (from cupsBinDir,
// or when /usr/share/cups exists) and prefix "/" when /etc/cups exists.
int prefixFallback(std::string& prefix, std::string& execPrefix, const std::string& cupsBinDir);

// The first existing CUPS data directory, or empty when there is none.
std::string findCupsDataDir(const std::string& cupsBinDir);

#endif
