// PPD directory discovery: which of the known PPD trees the machine has,
// where the product's PPD directory is to live, and whether an earlier
// product PPD directory is already there.  Reads the file system only.
#ifndef LUMO_PPD_PPD_DIRS_H
#define LUMO_PPD_PPD_DIRS_H

#include <string>

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

// Tells whether a path is an existing directory (1) or not (0).
using DirTest = int (*)(const std::string& path);

// Set cupsModelDir (systemPpdDir) to the first existing candidate and
// return 1, or leave the default /usr/share/cups/model and return 0.
int findCupsModelDir(DirTest isDir);
int findSystemPpdDir(DirTest isDir);

// Finds the PPD directories, proposes ppdInstallDir, puts an earlier
// product PPD directory into `existing` (passed empty), logs the PPD
// locations and returns the ppdFlags word.  The directory test is
// replaceable so that layouts can be tried without touching the system.
int discoverPpdDirs(std::string& existing, DirTest isDir);
int discoverPpdDirs(std::string& existing);

#endif
