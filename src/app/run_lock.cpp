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

const char kLockName[] = "/Lumo4.0_setup.lock";

// How long a run waits for the lock directory, and, finding the lock busy,
// for the holder's id, which the holder writes just after taking the lock.
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

// The lock file's directory: /run/lock, else /var/lock; empty when
// neither is a directory.
std::string lockDirectory() {
  for (const char* dir : {"/run/lock", "/var/lock"})
    if (isDirectory(dir))
      return dir;
  return std::string();
}

// Opens the lock file, never through a link, making it when it is absent;
// invalid when what stands at the name is not a file of our own (root's:
// only a run as root takes the lock).  Only
// root may open it: anyone who could would hold its flock and so keep
// every later run from going on.  errno says why it is invalid.
Fd openRootsOwn(const std::string& path) {
  Fd fd(open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  if (!fd.valid())
    return fd;
  struct stat st;
  if (fstat(fd.get(), &st) != 0)
    return Fd();
  if (!isOwnRegularFile(st)) {
    errno = EPERM;
    return Fd();
  }
  return fchmod(fd.get(), 0600) == 0 ? std::move(fd) : Fd();
}

// Waits, for a bounded time, for an exclusive flock on fd; errno is the
// last attempt's.
bool lockWithin(int fd) {
  bool locked = false;
  retried([&] {
    locked = flock(fd, LOCK_EX | LOCK_NB) == 0;
    return locked || errno != EWOULDBLOCK;
  });
  return locked;
}

// The lock directory can be written by everyone: whatever else stands at
// the name (a link, a file of another user's, a hard link to another file)
// is taken away and the file made anew, once.  Two runs started at once
// may both find it there: without an order between them, the second would
// remove the file the first had just made and locked, and both would go
// on.  So the repair looks at the name again, and acts, under a lock on
// the directory itself.
Fd remakeLockFile(const std::string& dir, const std::string& path, std::string* why) {
  // (/var/lock may be root's link to /run/lock.)
  Fd dirFd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dirFd.valid() || !lockWithin(dirFd.get())) {
    *why = dir + ": " + std::strerror(errno);
    return Fd();
  }
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && !isOwnRegularFile(st))
    unlink(path.c_str());
  Fd fd = openRootsOwn(path);
  if (!fd.valid())
    *why = path + ": " + std::strerror(errno);
  return fd;
}

// The lock file; the directory is locked only to repair what a stranger
// left at its name, so nobody holding that directory's flock can stop a
// run on a sound machine.
Fd openLockFile(const std::string& dir, const std::string& path, std::string* why) {
  Fd fd = openRootsOwn(path);
  return fd.valid() ? std::move(fd) : remakeLockFile(dir, path, why);
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
  std::string dir = lockDirectory();
  if (dir.empty()) {
    *note = "neither /run/lock nor /var/lock is a directory";
    return Outcome::kFailed;
  }
  return takeIn(dir, note);
}

RunLock::Outcome RunLock::takeIn(const std::string& dir, std::string* note) {
  std::string path = dir + kLockName;
  Fd fd = openLockFile(dir, path, note);
  if (!fd.valid())
    return Outcome::kFailed;
  if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) {
      *note = path + ": " + std::strerror(errno);
      return Outcome::kFailed;
    }
    *note = holderOf(fd.get());
    return Outcome::kBusy;
  }
  std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(fd.get(), 0) != 0 || pwrite(fd.get(), pid.data(), pid.size(), 0) < 0) {
    *note = path + ": " + std::strerror(errno);
    return Outcome::kFailed;
  }
  // The file system stamps files with the coarse clock: on it, every file
  // made after this moment is no older.
  clock_gettime(CLOCK_REALTIME_COARSE, &takenAt_);
  fd_ = std::move(fd);
  return Outcome::kTaken;
}
