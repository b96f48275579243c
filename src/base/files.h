// Owned file handles: a FILE stream and a descriptor, each closed when its
// owner goes.
#ifndef LUMO_BASE_FILES_H
#define LUMO_BASE_FILES_H

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// fopen; an empty File when the path cannot be opened.
File openFile(const std::string& path, const char* mode);

// A file written into as it stands: a regular file of ours with no other
// name (no hard link to someone else's file).
bool isOwnRegularFile(const struct stat& st);

// Opens a regular file for reading without following a link at its name
// or waiting on a pipe: empty when the path names anything else.
File openRegularFile(const std::string& path);

// Closes the stream now; false when the close (its last write) failed.
bool closeFile(File& file);

// An open descriptor, closed when it goes; -1 holds nothing.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd();

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release();
  // Closes now; false when the close failed.
  bool close();

 private:
  int fd_;
};

// A stream over the descriptor, which it takes over; empty on failure
// (the descriptor is then closed).
File streamOf(Fd fd, const char* mode);

// Writes all of data to the descriptor; false when a write failed.
bool writeAll(int fd, const std::string& data);

// What tells a file apart from the same path changed or replaced later.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified = {};
  bool operator==(const FileStamp& other) const;
};

// The stamp of the file at path, following links; size -1 when there is
// none.
FileStamp stampOf(const std::string& path);
FileStamp stampOf(const struct stat& st);

// A stream reading the text (which must outlive it); empty on failure.
File textStream(const std::string& text);

#endif
