// The version marker in a printer's own configuration file.
#ifndef LUMO_PPD_PRINTER_CONFIG_H
#define LUMO_PPD_PRINTER_CONFIG_H

#include <cstdio>
#include <string>

class Log;

// The configuration file of a queue: "/opt/oxa/<queue>/root/lumoConfig".
std::string printerConfigPath(const std::string& queueName);

// True when the file has a line holding the old marker "%%LUMO_VERSION_1.0".
bool holdsOldMarker(const std::string& path);

// Rewrites "/opt/oxa/<queue>/root/lumoConfig" with updateConfigFile; a
// queue name that could name a path ("." or "..") is refused with a log
// line.
bool processPrinterConfig(Log& log, const std::string& queueName);

// Rewrites the configuration file, every line holding "%%LUMO_VERSION_1.0"
// becoming "%%LUMO_VERSION_3.0", and logs it.  False when the file cannot
// be read or the rewrite failed (the file is then as it was).
bool updateConfigFile(Log& log, const std::string& path, const std::string& queueName);

// The rewrite itself: copies in to out in pieces of at most 255
// characters, a line holding the old marker written as the new marker line
// instead, whole.  False when a read or a write failed.
bool copyWithNewMarker(FILE* in, FILE* out);

#endif
