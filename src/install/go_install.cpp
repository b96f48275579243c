#include "install/go_install.h"

#include <unistd.h>

#include "driver/log.h"
#include "driver/run_settings.h"
#include "driver/setup_run.h"
#include "install/copy_entries.h"
#include "install/fs_helpers.h"
#include "install/info_file.h"
#include "install/product_ppd_dir.h"
#include "install/selinux.h"
#include "install/uninstall_script.h"
#include "ppd/ppd_locations.h"

namespace {

const char kFilterLink[] = "/usr/bin/orbgsfilter";

bool prepared = false;

// Logs the text with its control characters (its closing line feed among
// them) blanked.
void logBlanked(std::string text) {
  blankControls(text);
  if (!text.empty())
    logMessage(text);
}

void enterStartDir() {
  if (run.startDir == "/opt/oxa/bin")
    run.startDir = "/opt/oxa";
  if (chdir(run.startDir.c_str()) != 0)
    logFormat(catalogue(kCouldNotChdir), run.startDir.c_str());
  else
    logFormat("cd %s.\n", run.startDir.c_str());
}

// A new installation creates its directory (the whole path for the
// default one); an upgrade only checks that it is there.
void checkInstallDir() {
  int result;
  if (run.upgradeMode == 0) {
    if (run.installDir == "/opt/oxa")
      makeDirPath(run.installDir);
    result = makeDir(run.installDir, 1, 0777);
  } else {
    result = makeDir(run.installDir, 0, 0777);
  }
  if (result < 0) {
    logFormat(catalogue(kInstallDirNotOk), run.installDir.c_str());
    endRun();
  }
  logBlanked(formatText(catalogue(kInstallDirectoryOk), run.installDir.c_str()));
}

void writeInformation() {
  const char* dir = run.installDir.c_str();
  if (run.upgradeMode == 0) {
    writeInfoFile();
    logBlanked(formatText(catalogue(kCreatingInfoFile), dir));
  } else if (run.upgradeMode == 1) {
    logBlanked(formatText(catalogue(kCopyingInfoFile), dir));
    upgradeInfoFile();
  } else {
    logBlanked(formatText(catalogue(kSkipInfoFile), dir));
  }
}

void linkFilter() {
  if (access(kFilterLink, F_OK) == 0)
    return;
  std::string filter = run.installDir + "/bin/orbgsfilter";
  if (!pathFits(filter))
    return;
  makeReportedLink(filter, kFilterLink);
}

}  // namespace

int prepareInstallDir(const std::string& dir) {
  if (prepared)
    return 1;
  if (dir.empty())
    return 0;
  if (makeDir(dir, 1, 0777) < 0) {
    logFormat(catalogue(kNoOxaDir), dir.c_str());
    return 0;
  }
  std::string bin = dir + "/bin";
  if (!pathFits(bin) || makeDir(bin, 1, 0755) < 0) {
    logFormat(catalogue(kNoBinDir), bin.c_str());
    return 0;
  }
  std::string etc = dir + "/etc";
  if (!pathFits(etc) || makeDir(etc, 1, 0755) < 0) {
    logFormat(catalogue(kNoEtcDir), etc.c_str());
    return 0;
  }
  runChcon(bin, "-R -u system_u", 1);
  prepared = true;
  return 1;
}

void goInstall(int count) {
  enterStartDir();
  // Installing in place: the product's own files are where they belong.
  bool dirsDiffer = run.startDir != run.installDir;
  if (dirsDiffer)
    logFormat(catalogue(kSetupAfterRpm), run.startDir.c_str());

  if (prepareInstallDir(run.installDir) != 1) {
    logFormat(catalogue(kNoOxaDirCreate), run.installDir.c_str());
    logMessage(catalogue(kSorryToQuit));
    endRun();
  }
  prepareProductPpdDir();
  if (run.upgradeMode == 1)
    savePpdFiles(ppdInstallDir);
  checkInstallDir();
  writeInformation();
  logBlanked(formatText(catalogue(kCreatingUninstallScript), run.installDir.c_str()));
  writeUninstallScript();
  logBlanked(catalogue(kCreatingStartScripts));

  trace(catalogue(kStartingCopyLoop), count);
  logFormat(catalogue(kStartingCopyLoop), count);
  copyManifestEntries(count, dirsDiffer);

  linkFilter();
  runChcon(kFilterLink, "-u system_u", 1);
  // The type label goes on the product's fixed place, wherever it was
  // installed.
  runChcon("/opt/oxa/bin/orbgsfilter", "-t bin_t", 1);
}
