#include "driver/setup_run.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "deinstall/deinstall.h"
#include "discovery/host_info.h"
#include "discovery/spooler.h"
#include "discovery/tools.h"
#include "driver/log.h"
#include "driver/options.h"
#include "driver/print_system.h"
#include "driver/questions.h"
#include "driver/run_settings.h"
#include "driver/shell.h"
#include "install/fs_helpers.h"
#include "install/go_install.h"
#include "install/installation.h"
#include "install/manifest.h"
#include "install/selinux.h"
#include "ppd/cups_restart.h"
#include "ppd/model_links.h"
#include "ppd/ppd_dirs.h"
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

// The product's SELinux policy module goes in before the Log file exists,
// and only when installing.
void loadSelinuxModule() {
  if (run.deinstall != 0 || run.selinuxMode == 0)
    return;
  std::fputs(".......\n", stderr);
  installSelinuxModule();
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

// Where the machine keeps PPD files, and the product PPD directory settled
// (and linked into the CUPS model directory where the CUPS version needs it).
void locatePpdDirs() {
  existingPpdDir.clear();
  run.ppdFlags = discoverPpdDirs(existingPpdDir);
  if (cupsModelDir.empty())
    return;
  int links = 0;
  scanModelLinks(links);
  linkProductPpdDir(existingPpdDir, links);
}

[[noreturn]] void declined() {
  std::fprintf(stderr, "%s\n", catalogue(kAbandonedByUser));
  logMessage(catalogue(kAbandonedByUser));
  endRun();
}

// An earlier installation in an existing directory is upgraded in place;
// its printers are read here only to report how many there are.
void takeEarlierInstallation(int kind) {
  logFormat(catalogue(kFoundInstallation), run.existingDir.c_str());
  if (makeDir(run.existingDir, 0, 0755) < 0) {
    logFormat(catalogue(kInstallDirNotOk), run.existingDir.c_str());
    return;
  }
  run.installDir = run.existingDir;
  run.upgradeMode = kind;
  logFormat(catalogue(kUpgradeMode), kind);
  logFormat(catalogue(kInstallDirOk), run.existingDir.c_str());
  readInfoPrinters(kind, &printerList);
  logFormat(catalogue(kPrintersFound), printerCount);
  initPrinterList(&printerList);
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

Msg installQuestion() {
  if (run.upgradeMode == 1)
    return kAskUpdateFrom2;
  return run.upgradeMode == 2 ? kAskUpdate : kAskInstall;
}

[[noreturn]] void installBranch() {
  int kind;
  if (findInstallation(run.existingDir, kind) == 1)
    takeEarlierInstallation(kind);
  else
    logMessage(catalogue(kNewInstallation));
  if (!run.installDir.empty() && run.installDir.back() == '/')
    run.installDir.pop_back();

  run.manifestCount = getInfoData();
  if (run.manifestCount <= 0) {
    run.stopRun = 1;
    logFormat(catalogue(kMissingManifest), run.startDir.c_str(), run.manifestName.c_str());
  }
  if (run.stopRun) {
    logMessage(catalogue(kInsufficientData));
    endRun();
  }
  if (run.queryLevel != 0 && askYesNo(catalogue(installQuestion())) != kAnswerYes)
    declined();
  goInstall(run.manifestCount);
  updateCupsQueues();
  endRun();
}

// De-installing: after a yes, the installation's queues, files and
// directories go; without an installation there is nothing to remove.
[[noreturn]] void deinstallBranch() {
  int kind;
  if (findInstallation(run.existingDir, kind) == 0) {
    for (Msg message : {kNoInstallation, kSorry}) {
      std::fputs(catalogue(message), stderr);
      logMessage(catalogue(message));
    }
    endRun();
  }
  if (askYesNo(catalogue(kAskDelete)) != kAnswerYes)
    declined();
  readInfoPrinters(kind, &printerList);
  logFormat(catalogue(kPrintersFound), printerCount);
  removePrinters(1);
  removeInstalledFiles(1);
  std::fprintf(stderr, "%s\n", catalogue(kUninstalled));
  logMessage(catalogue(kUninstalled));
  endRun();
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
  loadSelinuxModule();
  startLog();
  checkStartDir(argc > 0 ? argv[0] : nullptr);
  setDefaults();
  initPrinterList(&printerList);
  run.noFoomatic = hasFoomaticRip() ? 0 : 1;
  run.isRoot = run.uid == 0;

  std::string refusal = secondOptionPass(argc, argv);
  if (!refusal.empty())
    refuse(refusal);
  checkRoot();
  trace("Root mode: getting printer manager.\n");
  recognisePrintSystem();
  findHost();
  findCupsCommands();
  locatePpdDirs();
  if (run.deinstall)
    deinstallBranch();
  installBranch();
}
