#include "install/product_ppd_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/files.h"
#include "base/fs_helpers.h"
#include "base/log.h"
#include "base/shell.h"
#include "base/text.h"

namespace {

void fallBackToModelDir(Log& log, PpdLocations& ppd) {
  const std::string& cupsModelDir = ppd.cupsModelDir;
  // Without a model directory the fallback would be /oxa at the root.
  if (cupsModelDir.empty()) {
    log.message("No CUPS model dir to fall back to.");
    return;
  }
  log.printf(msg::kFallingBackToModelDir, cupsModelDir.c_str());
  std::string fallback = cupsModelDir + "/oxa";
  if (!pathFits(log, fallback))
    return;
  ppd.ppdInstallDir = fallback;
  if (makeDir(log, fallback, false, kDirMode) == DirResult::kFailed &&
      makeDir(log, fallback, true, kDirMode) == DirResult::kFailed)
    log.printf(msg::kInstallDirNotOk, fallback.c_str());
}

// The archive's directory is writable for everyone: a link or anyone
// else's file planted under its name is removed and the archive created
// afresh and exclusively, so tar never writes through someone else's link.
// In the sticky directory nobody else can replace it afterwards.
bool createArchive(Log& log, const std::string& archive) {
  int fd = -1;
  if (unlink(archive.c_str()) == 0 || errno == ENOENT)
    fd = open(archive.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
  if (fd < 0) {
    log.printf("Cannot create the archive %s afresh: PPD files not saved.", archive.c_str());
    return false;
  }
  fchmod(fd, 0644);
  close(fd);
  return true;
}

// Nothing is at the path yet and its parent is a directory: mkdir can make
// it.
bool canBeMade(const std::string& dir) {
  struct stat st;
  return lstat(dir.c_str(), &st) != 0 && errno == ENOENT && isDirectory(parentDir(dir));
}

}  // namespace

std::string plannedProductPpdDir(const PpdLocations& ppd) {
  const std::string& dir = ppd.ppdInstallDir;
  if (dir.empty() || isDirectory(dir) || canBeMade(dir) || ppd.cupsModelDir.empty())
    return dir;
  return ppd.cupsModelDir + "/oxa";
}

void prepareProductPpdDir(Log& log, PpdLocations& ppd) {
  const std::string& ppdInstallDir = ppd.ppdInstallDir;
  if (ppdInstallDir.empty() || isDirectory(ppdInstallDir)) {
    log.printf(msg::kPpdInstallDir, ppdInstallDir.c_str());
    return;
  }
  NewDir made = createDir(ppdInstallDir, 0755);
  if (made == NewDir::kNotCreated) {
    log.printf(msg::kCouldNotCreateDir, ppdInstallDir.c_str());
    fallBackToModelDir(log, ppd);
  } else if (made == NewDir::kModeNotSet) {
    log.printf(msg::kCouldNotChmodDir, ppdInstallDir.c_str());
  } else {
    log.printf(msg::kChangingRights, ppdInstallDir.c_str(), 0755u);
  }
}

int savePpdFiles(Log& log, const std::string& dir, const std::string& archive) {
  if (access(dir.c_str(), F_OK) != 0) {
    log.printf(msg::kCannotAccessPpdDir, dir.c_str());
    return -1;
  }
  // A rerun finds the directory holding the new PPD files already: the
  // archive of the first run is the only one of the earlier generation's.
  struct stat st;
  if (lstat(archive.c_str(), &st) == 0 && isOwnRegularFile(st)) {
    log.printf("PPD files saved by an earlier run kept in: %s.", archive.c_str());
    return 0;
  }
  if (!createArchive(log, archive))
    return -1;
  int status = runShell(formatText("#!/bin/sh\nc=`pwd`\ncd %s\ntar cf %s *\ncd ${c}\n",
                                   shellWord(dir).c_str(), shellWord(archive).c_str()));
  log.printf(msg::kSavedPpdFiles, dir.c_str());
  log.printf(msg::kTo, archive.c_str());
  return status;
}
