#include "driver/print_system.h"

#include "discovery/cups_dirs.h"
#include "discovery/cups_version.h"
#include "discovery/spooler.h"
#include "discovery/tools.h"
#include "driver/log.h"
#include "driver/run_settings.h"

namespace {

void logSpooler() {
  const char* name = spoolerName(run.spoolerKind);
  logMessage(std::string(catalogue(kSystemScheduler)) + (name ? name : catalogue(kUnknown)) +
             "\n");
}

// findCupsTool, falling back to the bare name.
void findCupsCommand(ToolSlot slot, const char* name) {
  std::string path = findCupsTool(name);
  setToolPath(slot, path.empty() ? name : path);
}

}  // namespace

void abandonSetup() {
  logMessage(catalogue(kAbandonedBecause));
  if (run.noCups)
    logMessage(catalogue(kReasonNoCups));
  if (run.noFoomatic)
    logMessage(catalogue(kReasonNoFoomatic));
  if (!run.isRoot)
    logMessage(catalogue(kReasonNotRoot));
  logMessage(catalogue(kSorry));
}

void recognisePrintSystem() {
  run.spoolerKind = spoolerFromEnv();
  if (run.spoolerKind == kSpoolerUnknown)
    run.spoolerKind = probeSpooler();
  logSpooler();

  run.noCups = run.spoolerKind != kSpoolerCups;
  run.stopRun = run.noCups || run.noFoomatic || !run.isRoot;
  if (run.stopRun)
    abandonSetup();

  if (run.spoolerKind != kSpoolerCups)
    return;
  logFormat(catalogue(kCupsBaseDir), run.cupsBaseDir.c_str());
  logFormat(catalogue(kCupsBinaryDir), run.cupsBinDir.c_str());
  run.cupsVersion = getCupsVersion();
}

void findCupsCommands() {
  if (run.spoolerKind != kSpoolerCups)
    return;
  setToolPath(kToolCupsDataDir, findCupsDataDir());
  findCupsCommand(kToolLpadmin, "lpadmin");
  findCupsCommand(kToolLpstat, "lpstat");
  logFormat("lpadmin = %s\n", toolPath(kToolLpadmin).c_str());
  logFormat("lpstat  = %s\n", toolPath(kToolLpstat).c_str());
}
