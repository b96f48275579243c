#include "app/setup_run.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/cups_restart.h"
#include "app/options.h"
#include "app/preview.h"
#include "app/questions.h"
#include "app/report.h"
#include "app/summary.h"
#include "base/fs_helpers.h"
#include "base/shell.h"
#include "base/text.h"
#include "base/tmp_file.h"
#include "base/trusted_path.h"
#include "deinstall/deinstall.h"
#include "discovery/host_info.h"
#include "discovery/ppd_dirs.h"
#include "discovery/print_system.h"
#include "discovery/spooler.h"
#include "install/go_install.h"
#include "install/model_links.h"
#include "install/product_ppd_dir.h"
#include "install/selinux.h"
#include "ppd/live_update.h"
#include "ppd/printer_scan.h"
#include "ppd/printer_update.h"
#include "ppd/undo_plan.h"
#include "ppd/unfinished_runs.h"

namespace {

const char kDefaultHostAddress[] = "127.0.0.1";
// The commands a run starts by name are the system's, whatever PATH the
// administrator's session had: a user's directory there would run the
// user's programs as root.
const char kSystemPath[] = "/usr/sbin:/usr/bin:/sbin:/bin";
const char kLogPath[] = "/var/log/Lumo4.0_UpdateLog";
// Where the Log's messages went when no Log file could be opened.
const char kStandardError[] = "standard error";

const char* installQuestion(int upgradeMode) {
  if (upgradeMode == 1)
    return msg::kAskUpdateFrom2;
  return upgradeMode == 2 ? msg::kAskUpdate : msg::kAskInstall;
}

// Says it on standard error and in the Log.
void tell(Log& log, const char* text) {
  std::fprintf(stderr, "%s\n", text);
  log.message(text);
}

// The Log file of a run that found another one in progress: the usual
// Log file is that run's, and starting it afresh would lose it, so this
// run's goes beside it with its process id appended.  Its path, or the
// standard error the text went to instead.
std::string writeOwnLog(const std::string& text) {
  Log own;
  std::string path = formatText("%s.%d", kLogPath, int(getpid()));
  bool opened = own.open(path);
  own.message(text);
  return opened ? path : kStandardError;
}

}  // namespace

// Only one run at a time may change the machine; another one says so on
// the console and in the Log file and changes nothing.
bool SetupRun::lockRun() {
  std::string note;
  RunLock::Outcome outcome = runLock_.take(&note);
  if (outcome == RunLock::Outcome::kTaken)
    return true;
  std::string text =
      outcome == RunLock::Outcome::kBusy
          ? formatText("Another run of setup (pid %s) is in progress: this run changes nothing.",
                       note.c_str())
          : formatText("The run lock cannot be taken (%s): this run changes nothing.",
                       note.c_str());
  std::fprintf(stderr, "%s\n", text.c_str());
  record_.logPath = writeOwnLog(text);
  return false;
}

// A refusal that ends the run before anything is installed or removed.
void SetupRun::refuse(const std::string& why) {
  log_.printf("%sExiting.\n", why.c_str());
  std::string reason = why;
  trimEnd(reason, "\n");
  stop(reason);
}

void SetupRun::stop(const std::string& reason) {
  record_.outcome = Outcome::kStopped;
  record_.reason = reason;
  if (options_.preview)
    std::printf("The run would stop here: %s.\n", reason.c_str());
  finish();
}

// The end of every run past the option passes: the Log file closed, then
// what the options ask for beside it.
void SetupRun::finish() {
  log_.close();
  record_.installDir = installation_.dir;
  if (!options_.reportPath.empty() &&
      !writeReport(options_.reportPath, reportText(record_, facts_)))
    std::fprintf(stderr, "Cannot write the report %s: %s.\n", options_.reportPath.c_str(),
                 std::strerror(errno));
  if (onTerminal() && !options_.preview)
    printSummary(stderr, record_);
}

int SetupRun::exitStatus() const {
  if (noTmpFile_)
    return 255;
  return options_.exitStatus ? outcomeStatus(record_) : 0;
}

void SetupRun::detectSelinux() {
  findSelinuxTools(facts_.tools);
  facts_.uid = int(getuid());
  facts_.gid = int(getgid());
  if (!facts_.tools.selinuxenabled.empty())
    facts_.selinuxMode = runShell(facts_.tools.selinuxenabled) == 0 ? 1 : 0;
}

// The product's SELinux policy module goes in before the Log file exists,
// and only when installing.
void SetupRun::loadSelinuxModule() {
  if (options_.deinstall || facts_.selinuxMode == 0)
    return;
  std::fputs(".......\n", stderr);
  installSelinuxModule(facts_.tools, facts_.selinuxMode);
}

// Opens the Log file (one per user but root), labels it for SELinux and
// records how that went.  The previous Log file is kept as ".1"; a preview
// writes to no Log file at all.
void SetupRun::startLog() {
  std::string path = kLogPath;
  if (facts_.uid != 0)
    path += formatText("_%d", facts_.uid);
  if (options_.preview) {
    log_.discard();
    findRunTools(facts_.tools);
    return;
  }
  keepPreviousLog(path);
  const std::string& chcon = facts_.tools.path(kToolChcon);
  bool opened = log_.open(path);
  record_.logPath = opened ? path : kStandardError;
  if (opened && !chcon.empty()) {
    // The label goes on the file opened, which its name may no longer be.
    std::string command = formatText("%s -u system_u %s 2>/dev/null", chcon.c_str(),
                                     shellWord(log_.descriptorPath()).c_str());
    int status = runShell(command);
    log_.message(msg::kPreparingLog);
    log_.printf(msg::kCommandReturned, command.c_str(), status);
    log_.message("=======================================");
  }
  findRunTools(facts_.tools);
  log_.printf(msg::kStarting, timeText().c_str());
}

// Without -f0 any directory will do; with it an installing run must start
// from the product's own tree (only the first eight characters count).
bool SetupRun::checkStartDir(const char* invocation) {
  if (invocation && *invocation) {
    std::optional<std::string> dir = findStartDir(log_, invocation);
    if (!dir) {
      refuse("The path by which setup was started is longer than 255 characters: refused.\n");
      return false;
    }
    facts_.startDir = *dir;
  }
  // What root runs and reads from the start directory (the manifest, the
  // files to install, the product's netcat) must be root's alone.
  std::string why;
  if (facts_.uid == 0 && !isRootOnlyPath(facts_.startDir, &why)) {
    tell(log_, formatText("The start directory %s is not root's alone (%s): refused.",
                          facts_.startDir.c_str(), why.c_str())
                   .c_str());
    stop("start directory not root's alone");
    return false;
  }
  if (options_.allowAnyDir == 0 && !options_.deinstall &&
      facts_.startDir.compare(0, 8, "/opt/oxa") != 0) {
    tell(log_, msg::kNotFromOxaBin);
    stop("not started from /opt/oxa");
    return false;
  }
  return true;
}

void SetupRun::logSelinux() {
  if (const char* home = std::getenv("HOME"))
    facts_.homeDir = home;
  log_.printf(msg::kSelinuxRunning, facts_.selinuxMode ? msg::kYes : msg::kNo);
  if (facts_.selinuxMode)
    log_.message(msg::kSelinuxModuleInstalled);
}

bool SetupRun::checkRoot() {
  if (facts_.uid == 0)
    return true;
  log_.trace("Must be root.\nExiting.\n");
  log_.printf("%s\n", msg::kMustBeRoot);
  stop("not root");
  return false;
}

void SetupRun::findHost() {
  log_.trace("Getting full system info.\n");
  getHostInfo(facts_.hostName, facts_.hostAddress);
  if (facts_.hostName.empty())
    facts_.hostName = "nodeName";
  if (facts_.hostAddress.empty())
    facts_.hostAddress = kDefaultHostAddress;
}

// Where the machine keeps PPD files, and the product PPD directory settled
// (and linked into the CUPS model directory where the CUPS version needs it).
void SetupRun::locatePpdDirs() {
  discoverPpdDirs(log_, facts_.ppd);
  if (facts_.ppd.cupsModelDir.empty())
    return;
  ModelLinks links = scanModelLinks(log_, facts_.ppd);
  linkProductPpdDir(log_, facts_.ppd, facts_.cupsVersion, links, !options_.preview);
}

void SetupRun::declined() {
  tell(log_, msg::kAbandonedByUser);
  record_.outcome = Outcome::kDeclined;
  finish();
}

// An earlier installation in an existing directory is upgraded in place;
// its printers are read here only to report how many there are.
void SetupRun::takeEarlierInstallation(int kind) {
  const std::string& existing = installation_.existingDir;
  log_.printf(msg::kFoundInstallation, existing.c_str());
  if (makeDir(log_, existing, false, 0755) == DirResult::kFailed) {
    log_.printf(msg::kInstallDirNotOk, existing.c_str());
    return;
  }
  installation_.dir = existing;
  installation_.upgradeMode = kind;
  log_.printf(msg::kUpgradeMode, kind);
  log_.printf(msg::kInstallDirOk, existing.c_str());
  readInfoPrinters(log_, installation_.dir, kind, printers_);
  log_.printf(msg::kPrintersFound, int(printers_.size()));
  printers_.clear();
}

// The installing run's plan: the manifest's files, and the queues on the
// maker's older PPDs with the product PPD each gets from the package (the
// start directory's ppd/), where the copies will have put it.
void SetupRun::planInstall() {
  InstallPlan& plan = record_.install;
  plan.live = options_.liveUpdate;
  PpdLocations ppd = facts_.ppd;
  ppd.ppdInstallDir = plan.productPpdDir = plannedProductPpdDir(ppd);
  plan.files = planFiles(installation_.manifest, facts_.startDir, installation_.dir, ppd,
                         installsFromElsewhere(facts_, installation_.dir));
  ProductPpdSource source{facts_.startDir, plan.productPpdDir, {}};
  // Only the product PPD directory is a place for them: a fallback such as
  // /tmp is anyone's.
  for (const FilePlan& file : plan.files)
    if (file.entry.target == "?" && file.action == FileAction::kCopy &&
        !plan.productPpdDir.empty() && file.destination == plan.productPpdDir)
      source.installs[facts_.startDir + "/" + file.entry.source] = file.installed;
  cupsPpdDirFound_ = readCupsPrinters(log_, facts_.cupsBaseDir, printers_);
  plan.queues = planQueues(productPpds_, source, printers_, options_.selectedQueues);
}

// What a killed run left is finished first.  Then the planned queues get
// the product's newer PPD files, and CUPS is restarted to read them
// (unless the administrator broke the update off); CUPS is then restarted
// once more, whatever the update did.  A live update (-L) hands the files
// to the running scheduler and restarts CUPS only when it had to copy some.
void SetupRun::updateCupsQueues() {
  removeLeftovers(log_, facts_.cupsBaseDir, runLock_.takenAt());
  // An undo leaves queues on the product's PPD with the old marker on
  // purpose.
  if (!record_.install.undo)
    finishMarkers(log_, facts_.cupsBaseDir, runLock_.takenAt());
  bool restart = !options_.liveUpdate;
  int refusals = 0;
  const int limit = restartSeconds(waits_.restartSeconds, countQueuePpds(facts_.cupsBaseDir));
  QueuePlans& queues = record_.install.queues;
  if (cupsPpdDirFound_) {
    listInstalledPrinters(log_, printers_);
    listPpdFilesToInstall(log_, queues);
  }
  if (!queues.empty()) {
    QueueQuestion ask;
    if (options_.queryLevel != 0)
      ask = [this](const QueuePlan& queue) {
        return interruptions_.whileAsking([&queue] {
          return askYesNoAllBreak(formatText(msg::kAskUpdatePrinter, queue.name.c_str()));
        });
      };
    UpdateProgress progress;
    if (onTerminal() && options_.queryLevel == 0)
      progress = [](QueuePlan&, size_t done, size_t total) { showProgress(stderr, done, total); };
    std::optional<LiveUpdate> live;
    if (options_.liveUpdate)
      live.emplace(log_, facts_.cupsBaseDir, localScheduler(waits_.serverSeconds));
    bool finished = updateQueues(log_, productPpds_, queues, ask, progress,
                                 live ? live->step() : ReplaceStep(),
                                 [this] { return interruptions_.arrived(); });
    if (live) {
      restart = live->needsRestart();
      refusals = live->refusals();
    }
    live.reset();  // the scheduler's connection closed before any restart
    if (finished && restart)
      record_.restarts.push_back(restartCups(log_, limit));
  }
  // An interrupted run leaves the restart to the run that does the rest.
  if (interruptions_.arrived())
    return;
  if (restart)
    record_.restarts.push_back(restartCups(log_, limit));
  else if (refusals > 0)
    log_.printf("No CUPS restart: no new PPD was copied; the scheduler refused %d of them.",
                refusals);
  else
    log_.message("No CUPS restart: the running scheduler took every new PPD.");
}

void SetupRun::installBranch() {
  int kind;
  if (findInstallation(log_, installation_.existingDir, kind))
    takeEarlierInstallation(kind);
  else
    log_.message(msg::kNewInstallation);
  std::string& dir = installation_.dir;
  if (!dir.empty() && dir.back() == '/')
    dir.pop_back();

  installation_.manifest = getInfoData(log_, facts_.startDir, options_.manifestName);
  if (installation_.manifest.empty()) {
    stopRun_ = true;
    log_.printf(msg::kMissingManifest, facts_.startDir.c_str(), options_.manifestName.c_str());
  }
  if (stopRun_) {
    log_.message(msg::kInsufficientData);
    return stop(stopReason());
  }
  if (!checkSelectedQueues())
    return;
  planInstall();
  if (options_.preview)
    return previewInstall();
  if (options_.queryLevel != 0 &&
      ask(installQuestion(installation_.upgradeMode)) != kAnswerYes)
    return declined();
  if (interrupted())
    return;
  if (!goInstall(context_, installation_, record_.install.files))
    return stop("the installation directory cannot be prepared");
  removeInstallLeftovers(context_, installation_.dir, record_.install.files,
                         runLock_.takenAt());
  record_.outcome = installation_.upgradeMode ? Outcome::kUpgraded : Outcome::kInstalled;
  updateQueuesAndFinish();
}

// The queue step of an installing or undoing run, unless a signal came
// before it, and the run's end, unless one came during it.
void SetupRun::updateQueuesAndFinish() {
  if (interrupted())
    return;
  updateCupsQueues();
  if (!interrupted())
    finish();
}

// A yes/no question, which ^C ends at once: nothing is in hand.
int SetupRun::ask(const char* question) {
  return interruptions_.whileAsking([question] { return askYesNo(question); });
}

// A signal to end the run (SIGTERM, SIGINT, SIGHUP) came while a step was
// in hand: the run says so and ends between two steps; a later run does
// the rest, as after a kill.
bool SetupRun::interrupted() {
  if (!interruptions_.arrived())
    return false;
  if (record_.outcome != Outcome::kInterrupted) {
    record_.outcome = Outcome::kInterrupted;
    record_.reason = formatText("interrupted by %s", interruptions_.signalName());
    log_.printf("Interrupted by %s: the run ends here; a later run does the rest.",
                interruptions_.signalName());
    finish();
  }
  return true;
}

// Every queue -p names must be the scheduler's: a mistyped name would
// otherwise update nothing and say so only in the plan.
bool SetupRun::checkSelectedQueues() {
  for (const std::string& name : options_.selectedQueues) {
    if (isServerQueue(facts_.cupsBaseDir, name))
      continue;
    tell(log_, formatText("No queue named %s on this server: nothing is changed.", name.c_str())
                   .c_str());
    stop("no queue named " + name);
    return false;
  }
  return true;
}

// Why an installing run cannot go on, in the words of the report.
std::string SetupRun::stopReason() const {
  std::string reason;
  auto add = [&reason](bool applies, const char* text) {
    if (applies)
      reason += (reason.empty() ? "" : ", ") + std::string(text);
  };
  add(facts_.noCups, "no running CUPS daemon");
  add(facts_.noFoomatic, "no foomatic-rip program");
  add(!facts_.isRoot, "not root");
  add(installation_.manifest.empty(), "no install manifest");
  return reason;
}

void SetupRun::previewInstall() {
  ::previewInstall(stdout, record_.install, installation_.dir);
  record_.outcome = Outcome::kPreview;
  finish();
}

// De-installing: after a yes, the installation's queues, files and
// directories go; without an installation there is nothing to remove.
void SetupRun::deinstallBranch() {
  int kind;
  if (!findInstallation(log_, installation_.existingDir, kind)) {
    for (const char* message : {msg::kNoInstallation, msg::kSorry}) {
      std::fputs(message, stderr);
      log_.message(message);
    }
    return stop("no installation found");
  }
  record_.removing = true;
  if (options_.preview) {
    readInfoPrinters(log_, installation_.dir, kind, printers_);
    record_.removal = planRemoval(log_, installation_.dir, printers_);
    previewRemoval(stdout, record_.removal);
    record_.outcome = Outcome::kPreview;
    return finish();
  }
  if (ask(msg::kAskDelete) != kAnswerYes)
    return declined();
  removeLeftovers(log_, facts_.cupsBaseDir, runLock_.takenAt());
  readInfoPrinters(log_, installation_.dir, kind, printers_);
  log_.printf(msg::kPrintersFound, int(printers_.size()));
  record_.removal = planRemoval(log_, installation_.dir, printers_);
  if (interrupted())
    return;
  removePrinters(context_, installation_.dir, record_.removal);
  if (interrupted())
    return;
  removeInstalledFiles(log_, installation_.dir, record_.removal);
  tell(log_, msg::kUninstalled);
  record_.outcome = Outcome::kRemoved;
  finish();
}

// Everything after the Log file is opened.
void SetupRun::runSteps(int argc, char** argv, const std::string& firstRefusal) {
  if (!firstRefusal.empty())
    return refuse(firstRefusal);
  if (!checkStartDir(argc > 0 ? argv[0] : nullptr))
    return;
  logSelinux();
  facts_.noFoomatic = !hasFoomaticRip();
  facts_.isRoot = facts_.uid == 0;

  std::string refusal = secondOptionPass(argc, argv, options_);
  log_.setDebugLevel(options_.debugLevel);
  installation_.dir = options_.installDir;
  if (!refusal.empty())
    return refuse(refusal);
  if (!checkRoot())
    return;
  log_.trace("Root mode: getting printer manager.\n");
  stopRun_ = recognisePrintSystem(context_);
  findHost();
  findCupsCommands(context_);
  locatePpdDirs();
  if (options_.deinstall)
    deinstallBranch();
  else if (options_.undo)
    undoBranch();
  else
    installBranch();
}

// Undoing the queue update (-R): the product's files stay installed; each
// queue on the product's PPD gets its earlier PPD back, and CUPS reads it
// as after an update.
void SetupRun::undoBranch() {
  if (facts_.noCups) {
    log_.message(msg::kInsufficientData);
    return stop("no running CUPS daemon");
  }
  if (!checkSelectedQueues())
    return;
  InstallPlan& plan = record_.install;
  plan.undo = true;
  plan.live = options_.liveUpdate;
  plan.productPpdDir = facts_.ppd.ppdInstallDir;
  ProductPpdSource source{facts_.startDir, plan.productPpdDir, {}};
  cupsPpdDirFound_ = readCupsPrinters(log_, facts_.cupsBaseDir, printers_, kProductPpdVersion);
  plan.queues = planUndo(productPpds_, source, printers_, options_.selectedQueues);
  if (options_.preview)
    return previewInstall();
  if (options_.queryLevel != 0 &&
      ask("Would you like to give the queues their earlier PPD back?") != kAnswerYes)
    return declined();
  record_.outcome = Outcome::kUndone;
  updateQueuesAndFinish();
}

// A report asked for must be possible before anything changes: a run
// whose outcome cannot be told is not started.
bool SetupRun::checkReportPath() {
  if (options_.reportPath.empty())
    return true;
  std::string problem = reportPathProblem(options_.reportPath, facts_.uid);
  if (problem.empty())
    return true;
  std::fprintf(stderr, "The report %s cannot be written: %s. Nothing is changed.\n",
               options_.reportPath.c_str(), problem.c_str());
  return false;
}

int SetupRun::run(int argc, char** argv) {
  setenv("PATH", kSystemPath, 1);
  detectSelinux();
  std::string refusal = firstOptionPass(argc, argv, options_);
  if (options_.usage) {
    printUsage();
    return options_.refusedLong ? 1 : 0;
  }
  if (refusal.empty() && !checkReportPath())
    return 1;
  // A run as another user changes nothing but its own Log file, and a
  // preview nothing at all.
  if (facts_.uid == 0 && !options_.preview && !lockRun()) {
    record_.reason = "another run in progress";
    finish();
    return exitStatus();
  }
  if (options_.selinuxMode)
    facts_.selinuxMode = *options_.selinuxMode;
  if (!options_.preview)
    loadSelinuxModule();
  startLog();
  try {
    runSteps(argc, argv, refusal);
  } catch (const TmpFileError& error) {
    // Without the temporary file the run cannot go on; it ends as every
    // stop does, with its report.
    std::fputs(error.what(), stderr);
    log_.message(error.what());
    noTmpFile_ = true;
    stop("no temporary file can be created");
  }
  return exitStatus();
}

int runSetup(int argc, char** argv, const Waits& waits) {
  return SetupRun(waits).run(argc, argv);
}
