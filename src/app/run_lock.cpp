#include "app/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/files.h"
#include "base/fs_helpers.h"

namespace {

// The lock's own directory, in /run, and the lock file in it.  The lock
// once lived in /run/lock, where every user may write: a user's directory
// or flocked file at its name there stopped every run.
const char kLockDirName[] = "lumo";
const char kLockName[] = "Lumo4.0_setup.lock";

// How long a run that finds the lock busy waits for the holder's id, which
// the holder writes just after taking the lock.
constexpr int kWaits = 100;
constexpr long kWaitNanoseconds = 50 * 1000 * 1000;

// Tries `attempt` until it succeeds, kWaits times at most; whether it did.
template <typename Attempt>
bool retried(Attempt attempt) {
  const timespec pause = {0, kWaitNanoseconds};
  for (int wait = 0; wait < kWaits; ++wait) {
    if (attempt())
      return true;
    nanosleep(&pause, nullptr);
  }
  return false;
}

// The last failure's errno, said of path.
std::string failureAt(const std::string& path) {
  return path + ": " + std::strerror(errno);
}

// Where the lock's directory is made: /run, else /var/run on a system
// older than /run; empty when neither is a directory.
std::string runDirectory() {
  for (const char* dir : {"/run", "/var/run"})
    if (isDirectory(dir))
      return dir;
  return std::string();
}

// Why the directory at path, of status st, may not hold the lock: a user
// who could write in it could put the lock's directory or file out of
// reach, or set his own in their place.  Empty when it may.  (Only a run
// as root takes the lock: our own is root's.)
std::string unfitDirectory(const std::string& path, const struct stat& st) {
  if (st.st_uid != geteuid())
    return path + " does not belong to root";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return path + " can be written by group or others";
  return std::string();
}

// fd, opened on the directory at path, when that directory may hold the
// lock; otherwise invalid, and *note says why.
Fd fitDirectory(Fd fd, const std::string& path, std::string* note) {
  struct stat st;
  if (!fd.valid() || fstat(fd.get(), &st) != 0) {
    *note = failureAt(path);
    return Fd();
  }
  std::string why = unfitDirectory(path, st);
  if (why.empty())
    return fd;
  *note = why;
  return Fd();
}

// The lock's directory, at path, in the directory parentFd; made when it
// is missing.  What else stands at its name is refused, never
// followed.
Fd openLockDirectory(int parentFd, const std::string& path, std::string* note) {
  if (mkdirat(parentFd, kLockDirName, 0700) != 0 && errno != EEXIST) {
    *note = failureAt(path);
    return Fd();
  }
  Fd fd(openat(parentFd, kLockDirName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid() && (errno == ELOOP || errno == ENOTDIR)) {
    *note = path + " is not a directory";
    return Fd();
  }
  return fitDirectory(std::move(fd), path, note);
}

// Opens the lock file in the lock's directory, never through a link,
// making it when it is absent; invalid, *note saying why, when what stands
// at the name is not a file of our own.  Only root may open it: anyone who
// could would hold its flock and so keep every later run from going on;
// so a file left readable by others is narrowed.
Fd openLockFile(int dirFd, const std::string& path, std::string* note) {
  Fd fd(openat(dirFd, kLockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  struct stat st;
  if (!fd.valid() || fstat(fd.get(), &st) != 0) {
    *note = failureAt(path);
    return Fd();
  }
  if (!isOwnRegularFile(st)) {
    *note = path + " is not a file of root's alone";
    return Fd();
  }
  if (fchmod(fd.get(), 0600) != 0) {
    *note = failureAt(path);
    return Fd();
  }
  return fd;
}

// The lock file at *path, through descriptors of parent and of the lock's
// directory that only root can write; invalid, *note saying why, when one
// of them cannot be had or trusted.
Fd openLock(const std::string& parent, std::string* path, std::string* note) {
  std::string dir = parent + "/" + kLockDirName;
  *path = dir + "/" + kLockName;
  Fd parentFd = fitDirectory(Fd(open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
                             parent, note);
  if (!parentFd.valid())
    return Fd();
  Fd dirFd = openLockDirectory(parentFd.get(), dir, note);
  return dirFd.valid() ? openLockFile(dirFd.get(), *path, note) : Fd();
}

// The process id the holder wrote, waiting a little for it.
std::string holderOf(int fd) {
  std::string pid = "unknown";
  retried([&] {
    char text[32] = {};
    ssize_t size = pread(fd, text, sizeof text - 1, 0);
    size_t digits = size > 0 ? std::strspn(text, "0123456789") : 0;
    bool said = digits > 0 && text[digits] == '\n';
    if (said)
      pid.assign(text, digits);
    return said;
  });
  return pid;
}

}  // namespace

RunLock::Outcome RunLock::take(std::string* note) {
  std::string parent = runDirectory();
  if (parent.empty()) {
    *note = "neither /run nor /var/run is a directory";
    return Outcome::kFailed;
  }
  return takeIn(parent, note);
}

RunLock::Outcome RunLock::takeIn(const std::string& parent, std::string* note) {
  std::string path;
  Fd fd = openLock(parent, &path, note);
  if (!fd.valid())
    return Outcome::kFailed;
  if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) {
      *note = failureAt(path);
      return Outcome::kFailed;
    }
    *note = holderOf(fd.get());
    return Outcome::kBusy;
  }
  std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd.get(), 0) != 0 || pwrite(fd.get(), pid.data(), pid.size(), 0) < 0) {
    *note = failureAt(path);
    return Outcome::kFailed;
  }
  // The file system stamps files with the coarse clock: on it, every file
  // made after this moment is no older.
  clock_gettime(CLOCK_REALTIME_COARSE, &takenAt_);
  fd_ = std::move(fd);
  return Outcome::kTaken;
}
