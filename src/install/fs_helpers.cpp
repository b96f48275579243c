#include "install/fs_helpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include "driver/log.h"
#include "driver/run_settings.h"

namespace {

bool isDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

int makeDir(const std::string& path, int create, int mode) {
  if (path.empty())
    return -1;
  struct stat info;
  if (create == 0 || stat(path.c_str(), &info) == 0)
    return isDirectory(path) ? 0 : -1;
  if (mkdir(path.c_str(), mode_t(mode)) != 0)
    return -1;

  logFormat(catalogue(kCreatedDirectory), path.c_str());
  if (chmod(path.c_str(), mode_t(mode)) != 0)
    logFormat(catalogue(kCouldNotChmod), path.c_str(), unsigned(mode));
  else
    logFormat(catalogue(kChangingRights), path.c_str(), unsigned(mode));
  return 1;
}

int makeDirPath(const std::string& path) {
  if (!pathFits(path))
    return 0;
  // A slash in the first two places is the root's: it starts no directory.
  for (size_t slash = path.find('/', 2); slash != std::string::npos;
       slash = path.find('/', slash + 1))
    makeDir(path.substr(0, slash), 1, 0777);
  makeDir(path, 1, 0777);
  return 0;
}

int makeLink(const std::string& file, const std::string& link) {
  if (!isPresent(file)) {
    logFormat("No file: %s", file.c_str());
    return -1;
  }
  // The presence test follows links: a dangling link counts as missing, and
  // symlink() then refuses to replace it.
  if (!isPresent(link))
    return symlink(file.c_str(), link.c_str()) == 0 ? 0 : -1;
  logFormat(catalogue(kLinkExists), link.c_str());
  return -1;
}

void makeReportedLink(const std::string& file, const std::string& link) {
  std::string message = formatText(catalogue(kLinkedTo), 1, link.c_str(), file.c_str());
  if (makeLink(file, link) != 0)
    message += catalogue(kWrong);
  logMessage(message);
}

bool isPresent(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

int fileExists(const std::string& path) {
  return isPresent(path) && isDirectory(path) ? 1 : 0;
}

void blankControls(std::string& text) {
  for (char& c : text)
    if ((unsigned char)c < 0x20)
      c = ' ';
}

bool pathFits(const std::string& path) {
  if (path.size() <= kTextMax)
    return true;
  logFormat("Path longer than %zu characters refused: '%s'.", kTextMax, path.c_str());
  return false;
}

FILE* openPath(const std::string& path, const char* mode) {
  return pathFits(path) ? std::fopen(path.c_str(), mode) : nullptr;
}

void setModeAndOwner(const std::string& path, int mode) {
  chmod(path.c_str(), mode_t(mode));
  int ignored = chown(path.c_str(), uid_t(run.uid), gid_t(run.gid));
  (void)ignored;
}
