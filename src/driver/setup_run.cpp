#include "driver/setup_run.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "discovery/host_info.h"
#include "discovery/tools.h"
#include "driver/log.h"
#include "driver/options.h"
#include "driver/run_settings.h"
#include "driver/shell.h"
#include "ppd/cups_restart.h"
#include "ppd/ppd_locations.h"
#include "ppd/printer_list.h"
#include "ppd/printer_scan.h"
#include "ppd/printer_update.h"

namespace {

const char kDefaultHostAddress[] = "127.0.0.1";

// A refusal that ends the run before anything is installed or removed.
[[noreturn]] void refuse(const std::string& why) {
  logFormat("%sExiting.\n", why.c_str());
  endRun();
}

void detectSelinux() {
  findSelinuxTools();
  run.uid = int(getuid());
  run.gid = int(getgid());
  run.selinuxMode = 0;
  if (!selinuxenabledPath.empty())
    run.selinuxMode = runShell(selinuxenabledPath) == 0 ? 1 : 0;
  run.allowAnyDir = 1;
}

void startLog() {
  run.logPath = "/var/log/Lumo4.0_UpdateLog";
  run.logOpen = openLog(run.uid);
  findRunTools();
  logFormat(catalogue(kStarting), timeText().c_str());
}

// Without -f0 any directory will do; with it an installing run must start
// from the product's own tree (only the first eight characters count).
void checkStartDir(const char* invocation) {
  if (invocation && *invocation && findStartDir(invocation) < 0)
    refuse("The path by which setup was started is longer than 255 characters: refused.\n");
  if (run.allowAnyDir == 0 && run.deinstall == 0 && run.startDir.compare(0, 8, "/opt/oxa") != 0) {
    logMessage(catalogue(kNotFromOxaBin));
    std::fprintf(stderr, "%s\n", catalogue(kNotFromOxaBin));
    endRun();
  }
}

void setDefaults() {
  run.baseDir = "/opt";
  run.installDir = "/opt/oxa";
  run.manifestName = "LUMOINST.CONF";
  if (const char* home = std::getenv("HOME"))
    run.homeDir = home;
  logFormat(catalogue(kSelinuxRunning), catalogue(run.selinuxMode ? kYes : kNo));
  if (run.selinuxMode)
    logMessage(catalogue(kSelinuxModuleInstalled));
}

void checkRoot() {
  if (run.uid == 0)
    return;
  trace("Must be root.\nExiting.\n");
  logFormat("%s\n", catalogue(kMustBeRoot));
  endRun();
}

void findHost() {
  trace("Getting full system info.\n");
  getHostInfo();
  if (run.hostName.empty())
    run.hostName = "nodeName";
  if (run.hostAddress.empty())
    run.hostAddress = kDefaultHostAddress;
}

// The maker's CUPS queues get the product's newer PPD files; CUPS is then
// restarted once more, whatever the update did.
void updateCupsQueues() {
  int count = 0;
  scanCupsPrinters(&printerList, count);
  if (count > 0)
    updatePrinters(ppdInstallDir, &printerList, count, run.queryLevel);
  restartCups();
}

}  // namespace

void endRun() {
  if (run.logOpen)
    closeLog();
  std::exit(0);
}

int runSetup(int argc, char** argv) {
  detectSelinux();
  firstOptionPass(argc, argv);
  startLog();
  checkStartDir(argc > 0 ? argv[0] : nullptr);
  setDefaults();
  run.isRoot = run.uid == 0;

  std::string refusal = secondOptionPass(argc, argv);
  if (!refusal.empty())
    refuse(refusal);
  checkRoot();
  trace("Root mode: getting printer manager.\n");
  findHost();
  if (!run.deinstall)
    updateCupsQueues();
  endRun();
}
