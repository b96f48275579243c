#include "base/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

File openFile(const std::string& path, const char* mode) {
  return File(std::fopen(path.c_str(), mode));
}

bool isOwnRegularFile(const struct stat& st) {
  return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid();
}

File openRegularFile(const std::string& path) {
  Fd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st;
  if (!fd.valid() || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
    return File();
  return streamOf(std::move(fd), "r");
}

bool closeFile(File& file) {
  return file && std::fclose(file.release()) == 0;
}

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.release();
  }
  return *this;
}

Fd::~Fd() {
  close();
}

int Fd::release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

bool Fd::close() {
  if (fd_ < 0)
    return true;
  return ::close(release()) == 0;
}

File streamOf(Fd fd, const char* mode) {
  if (!fd.valid())
    return File();
  File file(fdopen(fd.get(), mode));
  if (file)
    fd.release();
  return file;
}

bool writeAll(int fd, const std::string& data) {
  const char* next = data.data();
  size_t left = data.size();
  while (left > 0) {
    ssize_t written = write(fd, next, left);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    next += written;
    left -= size_t(written);
  }
  return true;
}

File textStream(const std::string& text) {
  // Read only: the buffer is never written through.
  return File(fmemopen(const_cast<char*>(text.data()), text.size(), "r"));
}

bool FileStamp::operator==(const FileStamp& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

FileStamp stampOf(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    return FileStamp();
  return stampOf(st);
}

FileStamp stampOf(const struct stat& st) {
  return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}
