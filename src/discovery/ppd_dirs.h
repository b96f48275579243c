// PPD directory discovery: which of the known PPD trees the machine has,
// where the product's PPD directory is to live, and whether an earlier
// product PPD directory is already there.  Reads the file system only.
#ifndef LUMO_DISCOVERY_PPD_DIRS_H
#define LUMO_DISCOVERY_PPD_DIRS_H

#include <string>

#include "discovery/facts.h"

class Log;

// Bits of the ppdFlags word.
constexpr int PPD_CUPS_MODEL = 0x001;        // a CUPS model directory was found
constexpr int PPD_FOOMATIC = 0x002;          // the foomatic PPD tree
constexpr int PPD_FOOMATIC_MAKER = 0x004;    // the foomatic tree's Norvik directory
constexpr int PPD_CUSTOM = 0x008;            // <cupsModelDir>/custom
constexpr int PPD_USR_SHARE = 0x010;         // /usr/share/ppd
constexpr int PPD_OPT_SHARE = 0x020;         // /opt/share/ppd
constexpr int PPD_SYSTEM = 0x040;            // a system PPD directory was found
constexpr int PPD_FOOMATIC_PRODUCT = 0x080;  // the foomatic tree's oxa directory
constexpr int PPD_VENDOR_LAYOUT = 0x100;     // /usr/share/ppd sorted by origin or by maker
constexpr int PPD_OPENPRINTING = 0x200;      // /usr/share/ppd/openprinting

// Tells whether a path is an existing directory.
using DirTest = bool (*)(const std::string& path);

// Set cupsModelDir (systemPpdDir) to the first existing candidate and
// return true, or to the default /usr/share/cups/model and return false.
bool findCupsModelDir(PpdLocations& at, DirTest isDir);
bool findSystemPpdDir(PpdLocations& at, DirTest isDir);

// Finds the PPD directories, proposes ppdInstallDir, finds an earlier
// product PPD directory (existingPpdDir), sets the flags word and logs the
// PPD locations.  The directory test is replaceable so that layouts can be
// tried without touching the system.
void discoverPpdDirs(Log& log, PpdLocations& at, DirTest isDir);
void discoverPpdDirs(Log& log, PpdLocations& at);

#endif
