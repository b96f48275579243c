#include "base/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "base/remove_tree.h"
#include "base/text.h"

namespace {

// Removes whatever is in the Log file's place, a directory with its tree.
void removeEntry(const std::string& path, const struct stat& st) {
  if (S_ISDIR(st.st_mode))
    removeTree(path);
  else
    unlink(path.c_str());
}

// Opens the Log file for writing, emptied.  Its directory may be writable
// by others, so no link is followed and no open waits (on a pipe); anything
// but a regular file of ours (a link, a pipe, a directory, a device, a
// hard link to another file) is removed and the file created anew,
// exclusively.
Fd openLogFile(const std::string& path) {
  const int flags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  struct stat st;
  bool present = lstat(path.c_str(), &st) == 0;
  Fd fd;
  if (!present || isOwnRegularFile(st))
    fd = Fd(open(path.c_str(), flags | O_CREAT, 0666));
  // Whatever the path named at the open is what counts.
  if (fd.valid() && fstat(fd.get(), &st) == 0 && isOwnRegularFile(st) &&
      ftruncate(fd.get(), 0) == 0)
    return fd;
  fd.close();
  if (lstat(path.c_str(), &st) == 0)
    removeEntry(path, st);
  return Fd(open(path.c_str(), flags | O_CREAT | O_EXCL, 0666));
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
