#include "base/fs_helpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/dir_walk.h"
#include "base/log.h"
#include "base/text.h"

NewDir createDir(const std::string& path, int mode) {
  std::string name;
  Fd parent = openParentWalking(path, &name);
  if (!parent.valid() || mkdirat(parent.get(), name.c_str(), mode_t(mode)) != 0)
    return NewDir::kNotCreated;
  Fd made(openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st;
  // (What stands there now may be another's directory put in its place.)
  bool set = made.valid() && fstat(made.get(), &st) == 0 && st.st_uid == geteuid() &&
             fchmod(made.get(), mode_t(mode)) == 0;
  return set ? NewDir::kCreated : NewDir::kModeNotSet;
}

DirResult makeDir(Log& log, const std::string& path, bool create, int mode) {
  if (path.empty())
    return DirResult::kFailed;
  struct stat info;
  if (!create || stat(path.c_str(), &info) == 0)
    return isDirectory(path) ? DirResult::kExists : DirResult::kFailed;
  NewDir made = createDir(path, mode);
  if (made == NewDir::kNotCreated)
    return DirResult::kFailed;

  log.printf(msg::kCreatedDirectory, path.c_str());
  if (made == NewDir::kModeNotSet)
    log.printf(msg::kCouldNotChmod, path.c_str(), unsigned(mode));
  else
    log.printf(msg::kChangingRights, path.c_str(), unsigned(mode));
  return DirResult::kCreated;
}

void makeDirPath(Log& log, const std::string& path) {
  if (!pathFits(log, path))
    return;
  // A slash in the first two places is the root's: it starts no directory.
  for (size_t slash = path.find('/', 2); slash != std::string::npos;
       slash = path.find('/', slash + 1))
    makeDir(log, path.substr(0, slash), true, kDirMode);
  makeDir(log, path, true, kDirMode);
}

bool makeLink(Log& log, const std::string& file, const std::string& link) {
  if (!isPresent(file)) {
    log.printf("No file: %s", file.c_str());
    return false;
  }
  // The presence test follows links: a dangling link counts as missing, and
  // symlinkat() then refuses to replace it.
  if (!isPresent(link)) {
    std::string name;
    Fd parent = openParentWalking(link, &name);
    return parent.valid() && symlinkat(file.c_str(), parent.get(), name.c_str()) == 0;
  }
  log.printf(msg::kLinkExists, link.c_str());
  return false;
}

void makeReportedLink(Log& log, const std::string& file, const std::string& link) {
  std::string message = formatText(msg::kLinkedTo, 1, link.c_str(), file.c_str());
  if (!makeLink(log, file, link))
    message += msg::kWrong;
  log.message(message);
}

bool isPresent(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool pathFits(Log& log, const std::string& path) {
  if (path.size() <= kTextMax)
    return true;
  log.printf("Path longer than %zu characters refused: '%s'.", kTextMax, path.c_str());
  return false;
}

File openPath(Log& log, const std::string& path, const char* mode) {
  return pathFits(log, path) ? openFile(path, mode) : File();
}
