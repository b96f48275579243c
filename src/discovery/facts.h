// What the run finds on the machine: the user, the start directory, the
// print spooler, CUPS's directories and version, the host, the external
// commands and where PPD files live.  Filled step by step by the discovery
// (the PPD locations are settled by the installation), read by every step
// after.
#ifndef LUMO_DISCOVERY_FACTS_H
#define LUMO_DISCOVERY_FACTS_H

#include <string>

#include "discovery/tools.h"

// The print-system kinds, single bits.
enum SpoolerKind {
  kSpoolerUnknown = 0,
  kSpoolerLp = 1,
  kSpoolerLpr = 2,
  kSpoolerLprng = 4,
  kSpoolerCups = 8,
};

// Where PPD files live.
struct PpdLocations {
  std::string cupsModelDir;    // the CUPS model directory
  std::string systemPpdDir;    // the system PPD directory (only logged)
  std::string ppdInstallDir;   // the product PPD directory; may be empty
  std::string existingPpdDir;  // a product PPD directory found on the system
  int flags = 0;               // the PPD_ bits of ppd_dirs.h
};

struct Facts {
  int uid = 0;
  int gid = 0;
  bool isRoot = false;
  int selinuxMode = 0;
  std::string startDir;
  std::string homeDir;
  int spoolerKind = kSpoolerUnknown;
  bool noCups = false;
  bool noFoomatic = false;
  std::string cupsBaseDir;
  std::string cupsBinDir;
  int cupsVersion = 1000;
  std::string hostName;
  std::string hostAddress;
  ToolTable tools;
  PpdLocations ppd;
};

#endif
