#include "install/go_install.h"

#include <unistd.h>

#include "base/fs_helpers.h"
#include "base/text.h"
#include "install/info_file.h"
#include "install/product_ppd_dir.h"
#include "install/selinux.h"
#include "install/uninstall_script.h"
#include "ppd/unfinished_runs.h"

namespace {

const char kFilterLink[] = "/usr/bin/orbgsfilter";

// Logs the text with its control characters (its closing line feed among
// them) blanked.
void logBlanked(Log& log, std::string text) {
  blankControls(text);
  if (!text.empty())
    log.message(text);
}

void enterStartDir(Context& run) {
  const std::string& startDir = run.facts.startDir;
  if (chdir(startDir.c_str()) != 0)
    run.log.printf(msg::kCouldNotChdir, startDir.c_str());
  else
    run.log.printf("cd %s.\n", startDir.c_str());
}

// A new installation creates its directory (the whole path for the
// default one); an upgrade only checks that it is there.
bool checkInstallDir(Context& run, const Installation& installation) {
  const std::string& dir = installation.dir;
  DirResult result;
  if (installation.upgradeMode == 0) {
    if (dir == "/opt/oxa")
      makeDirPath(run.log, dir);
    result = makeDir(run.log, dir, true, kDirMode);
  } else {
    result = makeDir(run.log, dir, false, kDirMode);
  }
  if (result == DirResult::kFailed) {
    run.log.printf(msg::kInstallDirNotOk, dir.c_str());
    return false;
  }
  logBlanked(run.log, formatText(msg::kInstallDirectoryOk, dir.c_str()));
  return true;
}

void writeInformation(Context& run, const Installation& installation) {
  const std::string& dir = installation.dir;
  if (installation.upgradeMode == 0) {
    if (writeInfoFile(run, dir))
      logBlanked(run.log, formatText(msg::kCreatingInfoFile, dir.c_str()));
  } else if (installation.upgradeMode == 1) {
    logBlanked(run.log, formatText(msg::kCopyingInfoFile, dir.c_str()));
    upgradeInfoFile(run, dir);
  } else {
    logBlanked(run.log, formatText(msg::kSkipInfoFile, dir.c_str()));
  }
}

void linkFilter(Context& run, const std::string& installDir) {
  if (access(kFilterLink, F_OK) == 0)
    return;
  std::string filter = installDir + "/bin/orbgsfilter";
  if (!pathFits(run.log, filter))
    return;
  makeReportedLink(run.log, filter, kFilterLink);
}

}  // namespace

void removeInstallLeftovers(Context& run, const std::string& dir, const FilePlans& files,
                            const timespec& before) {
  std::vector<std::string> written = {installedFilePath(dir, kInfoFileName),
                                      installedFilePath(dir, kUninstallScriptName)};
  for (const FilePlan& file : files)
    written.push_back(file.installed);
  for (const std::string& path : written)
    if (!path.empty())
      removeStagedBeside(run.log, path, before);
}

bool prepareInstallDir(Context& run, const std::string& dir) {
  Log& log = run.log;
  if (dir.empty())
    return false;
  if (makeDir(log, dir, true, kDirMode) == DirResult::kFailed) {
    log.printf(msg::kNoOxaDir, dir.c_str());
    return false;
  }
  std::string bin = dir + "/bin";
  if (!pathFits(log, bin) || makeDir(log, bin, true, kDirMode) == DirResult::kFailed) {
    log.printf(msg::kNoBinDir, bin.c_str());
    return false;
  }
  std::string etc = dir + "/etc";
  if (!pathFits(log, etc) || makeDir(log, etc, true, kDirMode) == DirResult::kFailed) {
    log.printf(msg::kNoEtcDir, etc.c_str());
    return false;
  }
  runChcon(run, bin, "-R -u system_u", true);
  return true;
}

bool installsFromElsewhere(const Facts& facts, const std::string& installDir) {
  return facts.startDir != installDir;
}

bool goInstall(Context& run, const Installation& installation, FilePlans& files) {
  Log& log = run.log;
  const std::string& dir = installation.dir;
  enterStartDir(run);
  if (installsFromElsewhere(run.facts, dir))
    log.printf(msg::kSetupAfterRpm, run.facts.startDir.c_str());

  if (!prepareInstallDir(run, dir)) {
    log.printf(msg::kNoOxaDirCreate, dir.c_str());
    log.message(msg::kSorryToQuit);
    return false;
  }
  prepareProductPpdDir(log, run.facts.ppd);
  if (installation.upgradeMode == 1)
    savePpdFiles(log, run.facts.ppd.ppdInstallDir);
  if (!checkInstallDir(run, installation))
    return false;
  writeInformation(run, installation);
  logBlanked(log, formatText(msg::kCreatingUninstallScript, dir.c_str()));
  writeUninstallScript(run, dir);
  logBlanked(log, msg::kCreatingStartScripts);

  int count = int(installation.manifest.size());
  log.trace(msg::kStartingCopyLoop, count);
  log.printf(msg::kStartingCopyLoop, count);
  copyFiles(run, files);

  linkFilter(run, dir);
  runChcon(run, kFilterLink, "-u system_u", true);
  // The type label goes on the product's fixed place, wherever it was
  // installed.
  runChcon(run, "/opt/oxa/bin/orbgsfilter", "-t bin_t", true);
  return true;
}
