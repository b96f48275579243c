#include "discovery/print_system.h"

#include "base/trusted_path.h"

#include "discovery/cups_dirs.h"
#include "discovery/cups_version.h"
#include "discovery/spooler.h"

namespace {

void logSpooler(Context& run) {
  const char* name = spoolerName(run.facts.spoolerKind);
  run.log.message(std::string(msg::kSystemScheduler) + (name ? name : msg::kUnknown) + "\n");
}

// findCupsTool, falling back to the bare name.  The CUPS directories come
// from a process listing and start scripts: a command found there that
// someone other than root could have placed is passed over for the one in
// the standard directories.
void findCupsCommand(Log& log, Facts& facts, ToolSlot slot, const char* name) {
  std::string path = findCupsTool(name, facts.cupsBinDir, facts.cupsBaseDir);
  std::string why;
  if (!path.empty() && path[0] == '/' && !isRootOnlyPath(path, &why)) {
    log.printf("%s passed over: %s.", path.c_str(), why.c_str());
    path = findTool(name);
  }
  facts.tools.set(slot, path.empty() ? name : path);
}

}  // namespace

void abandonSetup(Context& run) {
  run.log.message(msg::kAbandonedBecause);
  if (run.facts.noCups)
    run.log.message(msg::kReasonNoCups);
  if (run.facts.noFoomatic)
    run.log.message(msg::kReasonNoFoomatic);
  if (!run.facts.isRoot)
    run.log.message(msg::kReasonNotRoot);
  run.log.message(msg::kSorry);
}

bool recognisePrintSystem(Context& run) {
  Facts& facts = run.facts;
  facts.spoolerKind = spoolerFromEnv();
  if (facts.spoolerKind == kSpoolerUnknown)
    facts.spoolerKind = probeSpooler(run.log, facts, run.waits.listingPauseSeconds);
  logSpooler(run);

  facts.noCups = facts.spoolerKind != kSpoolerCups;
  bool stop = facts.noCups || facts.noFoomatic || !facts.isRoot;
  if (stop)
    abandonSetup(run);

  if (facts.spoolerKind != kSpoolerCups)
    return stop;
  run.log.printf(msg::kCupsBaseDir, facts.cupsBaseDir.c_str());
  run.log.printf(msg::kCupsBinaryDir, facts.cupsBinDir.c_str());
  facts.cupsVersion = getCupsVersion(run.log, facts.startDir, run.waits.serverSeconds);
  return stop;
}

void findCupsCommands(Context& run) {
  Facts& facts = run.facts;
  if (facts.spoolerKind != kSpoolerCups)
    return;
  facts.tools.set(kToolCupsDataDir, findCupsDataDir(facts.cupsBinDir));
  findCupsCommand(run.log, facts, kToolLpadmin, "lpadmin");
  findCupsCommand(run.log, facts, kToolLpstat, "lpstat");
  run.log.printf("lpadmin = %s\n", facts.tools.path(kToolLpadmin).c_str());
  run.log.printf("lpstat  = %s\n", facts.tools.path(kToolLpstat).c_str());
}
