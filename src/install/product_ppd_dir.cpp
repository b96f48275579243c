#include "install/product_ppd_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "driver/log.h"
#include "driver/shell.h"
#include "install/fs_helpers.h"
#include "ppd/ppd_locations.h"

const char kPpdArchive[] = "/var/tmp/LumoPPDFiles4.0-7.tar";

namespace {

void fallBackToModelDir() {
  // Without a model directory the fallback would be /oxa at the root.
  if (cupsModelDir.empty()) {
    logMessage("No CUPS model dir to fall back to.");
    return;
  }
  logFormat(catalogue(kFallingBackToModelDir), cupsModelDir.c_str());
  std::string fallback = cupsModelDir + "/oxa";
  if (!pathFits(fallback))
    return;
  ppdInstallDir = fallback;
  if (makeDir(fallback, 0, 0755) < 0 && makeDir(fallback, 1, 0766) < 0)
    logFormat(catalogue(kInstallDirNotOk), fallback.c_str());
}

// The archive's directory is writable for everyone: an earlier archive, or
// a link planted under its name, is removed and the archive created afresh
// and exclusively, so tar never writes through someone else's link.  In the
// sticky directory nobody else can replace it afterwards.
bool createArchive(const std::string& archive) {
  int fd = -1;
  if (unlink(archive.c_str()) == 0 || errno == ENOENT)
    fd = open(archive.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
  if (fd < 0) {
    logFormat("Cannot create the archive %s afresh: PPD files not saved.", archive.c_str());
    return false;
  }
  fchmod(fd, 0644);
  close(fd);
  return true;
}

}  // namespace

void prepareProductPpdDir() {
  if (ppdInstallDir.empty() || fileExists(ppdInstallDir)) {
    logFormat(catalogue(kPpdInstallDir), ppdInstallDir.c_str());
    return;
  }
  if (mkdir(ppdInstallDir.c_str(), 0777) != 0) {
    logFormat(catalogue(kCouldNotCreateDir), ppdInstallDir.c_str());
    fallBackToModelDir();
  } else if (chmod(ppdInstallDir.c_str(), 0755) != 0) {
    logFormat(catalogue(kCouldNotChmodDir), ppdInstallDir.c_str());
  } else {
    logFormat(catalogue(kChangingRights), ppdInstallDir.c_str(), 0755u);
  }
}

int savePpdFiles(const std::string& dir, const std::string& archive) {
  if (access(dir.c_str(), F_OK) != 0) {
    logFormat(catalogue(kCannotAccessPpdDir), dir.c_str());
    return -1;
  }
  if (!createArchive(archive))
    return -1;
  int status = runShell(formatText("#!/bin/sh\nc=`pwd`\ncd %s\ntar cf %s *\ncd ${c}\n",
                                   shellWord(dir).c_str(), shellWord(archive).c_str()));
  logFormat(catalogue(kSavedPpdFiles), dir.c_str());
  logFormat(catalogue(kTo), archive.c_str());
  return status;
}
