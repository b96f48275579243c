// RunSettings: the one process-wide record of the run's settings and
// findings.  Every step reads what earlier steps left here.
#ifndef LUMO_DRIVER_RUN_SETTINGS_H
#define LUMO_DRIVER_RUN_SETTINGS_H

#include <string>

// Text settings hold at most this many characters; longer values are
// refused, never cut.
constexpr size_t kTextMax = 255;

// The print-system kinds, single bits.
enum SpoolerKind {
  kSpoolerUnknown = 0,
  kSpoolerLp = 1,
  kSpoolerLpr = 2,
  kSpoolerLprng = 4,
  kSpoolerCups = 8,
};

struct RunSettings {
  std::string startDir;
  std::string installDir;
  std::string manifestName;
  std::string baseDir;
  std::string homeDir;
  std::string existingDir;
  std::string hostName;
  std::string hostAddress;
  std::string logPath;
  int selinuxMode = 0;
  int deinstall = 0;
  int allowAnyDir = 1;
  int debugLevel = 0;
  int queryLevel = 0;
  int colourMode = 1;
  int uid = 0;
  int gid = 0;
  int isRoot = 0;
  int spoolerKind = kSpoolerUnknown;
  int noCups = 0;
  int noFoomatic = 0;
  int stopRun = 0;
  int logOpen = 0;
  std::string cupsBaseDir;
  std::string cupsBinDir;
  int cupsVersion = 1000;
  int upgradeMode = 0;
  int manifestCount = 0;
  int ppdFlags = 0;
};

extern RunSettings run;

#endif
