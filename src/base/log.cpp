#include "base/log.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "base/text.h"

namespace {

// What may stand in the Log file's place and be replaced: a file or a
// link.  A directory, a device, a pipe or a socket is someone's and stays.
bool isReplaceable(const struct stat& st) {
  return S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
}

// Root and the group that reads the system's logs, nobody else: the Log
// holds what protected PPD files say.
void protect(int fd) {
  const group* adm = getgrnam("adm");
  if (adm)
    fchown(fd, uid_t(-1), adm->gr_gid);
  fchmod(fd, kLogMode);
}

// Opens the Log file for writing, emptied.  Its directory may be writable
// by others, so no link is followed and no open waits (on a pipe); a link
// or a regular file that is not ours alone (another's, a hard link to
// another file) is removed and the file created anew, exclusively.
Fd openLogFile(const std::string& path) {
  const int flags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  struct stat st;
  bool present = lstat(path.c_str(), &st) == 0;
  if (present && !isReplaceable(st))
    return Fd();
  Fd fd;
  if (!present || isOwnRegularFile(st))
    fd = Fd(open(path.c_str(), flags | O_CREAT, 0600));
  // Whatever the path named at the open is what counts.
  if (!(fd.valid() && fstat(fd.get(), &st) == 0 && isOwnRegularFile(st) &&
        ftruncate(fd.get(), 0) == 0)) {
    fd.close();
    if (lstat(path.c_str(), &st) == 0 && (!isReplaceable(st) || unlink(path.c_str()) != 0))
      return Fd();
    fd = Fd(open(path.c_str(), flags | O_CREAT | O_EXCL, 0600));
  }
  if (fd.valid())
    protect(fd.get());
  return fd;
}

}  // namespace

bool Log::open(const std::string& path) {
  path_ = path;
  Fd fd = openLogFile(path);
  if (fd.valid())
    fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  file_ = streamOf(std::move(fd), "w");
  return isOpen();
}

void keepPreviousLog(const std::string& path) {
  struct stat st;
  std::string previous = path + ".1";
  if (lstat(path.c_str(), &st) != 0 || !isReplaceable(st) ||
      std::rename(path.c_str(), previous.c_str()) != 0)
    return;
  Fd fd(open(previous.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.valid() && fstat(fd.get(), &st) == 0 && isOwnRegularFile(st))
    protect(fd.get());
}

std::string Log::descriptorPath() const {
  return file_ ? formatText("/proc/%d/fd/%d", int(getpid()), fileno(file_.get())) : "";
}

void Log::message(const std::string& text) {
  if (discard_)
    return;
  FILE* target = file_ ? file_.get() : stderr;
  std::fputs(text.c_str(), target);
  if (text.empty() || text.back() != '\n')
    std::fputc('\n', target);
  std::fflush(target);
}

void Log::printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatTextV(format, args);
  va_end(args);
  if (!text.empty())
    message(text);
}

void Log::trace(const char* format, ...) {
  if (debugLevel_ <= 0)
    return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

void Log::close() {
  if (!file_)
    return;
  std::fprintf(file_.get(), msg::kFinishing, timeText().c_str());
  file_.reset();
}
