// Temporary files: every one is created exclusively (a unique name as
// mkstemp makes them, never an existing path followed), readable and
// writable by its owner only.
#ifndef LUMO_BASE_TMP_FILE_H
#define LUMO_BASE_TMP_FILE_H

#include <stdexcept>
#include <string>
#include <vector>

#include "base/files.h"

// Creates the empty file "<stem>XXXXXX" in the open directory (the X made
// unique as mkstemp does) and returns its open descriptor, with its name
// in name; an invalid Fd (errno saying why) on failure.
Fd createExclusiveAt(int dirFd, const std::string& stem, std::string& name);

// createExclusiveAt for "<dir>/<prefix>XXXXXX", with the path in path.
Fd createTmpFile(const std::string& dir, const std::string& prefix, std::string& path);

// No temporary file could be had where the run cannot go on without one;
// what() is the message for standard error, and the run ends with status
// 255.
class TmpFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates an empty file "<prefix>XXXXXX" in the directory ("ORB" for the
// run's scratch files) and returns its path; throws TmpFileError when none
// can be created.
std::string newTmpFile(const std::string& dir, const char* prefix = "ORB");

// The temporary files of one step: whatever is still held is removed when
// the object goes.
class ScratchFiles {
 public:
  ScratchFiles() = default;
  ScratchFiles(const ScratchFiles&) = delete;
  ScratchFiles& operator=(const ScratchFiles&) = delete;
  ~ScratchFiles();
  void hold(const std::string& path);
  // The file is no longer ours to remove (kept, or given to another).
  void release(const std::string& path);

 private:
  std::vector<std::string> paths_;
};

#endif
