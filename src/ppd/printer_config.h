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

// Which way a marker is rewritten: forward for a queue on the product's
// new PPD, back for one given its earlier PPD again (-R), which a later
// run then moves forward again.
enum class MarkerWay { kForward, kBack };

// Rewrites "/opt/oxa/<queue>/root/lumoConfig" with updateConfigFile; a
// queue name that could name a path ("." or "..") is refused with a log
// line.
bool processPrinterConfig(Log& log, const std::string& queueName,
                          MarkerWay way = MarkerWay::kForward);

// Rewrites the configuration file, every line holding "%%LUMO_VERSION_1.0"
// becoming "%%LUMO_VERSION_3.0" (back: the other way round), and logs it.
// False when the file cannot be read or the rewrite failed (the file is
// then as it was).
bool updateConfigFile(Log& log, const std::string& path, const std::string& queueName,
                      MarkerWay way = MarkerWay::kForward);

// The rewrite itself: copies in to out in pieces of at most 255
// characters, a line holding the marker it replaces written as the other
// marker line instead, whole.  False when a read or a write failed.
bool copyWithNewMarker(FILE* in, FILE* out, MarkerWay way = MarkerWay::kForward);

#endif
