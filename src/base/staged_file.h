// Writing a file where others may write too.  The text goes into a new
// file "<target>.XXXXXX", created exclusively beside the target (so never
// through a link planted under either name, and in the same file system),
// which takes the target's place with rename only once it is complete and
// its permission bits and owner are set on its descriptor.  The directory
// is reached name by name and held open (base/dir_walk.h), so a link
// planted on a directory of the path is not followed either.  Whatever
// fails, the target is left as it was and no staged file stays behind.
#ifndef LUMO_BASE_STAGED_FILE_H
#define LUMO_BASE_STAGED_FILE_H

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <functional>
#include <string>

#include "base/files.h"

// The permission bits and owner that a file is given; an owner or group of
// -1 stays the one who runs setup.
struct FileAttributes {
  mode_t mode;
  uid_t uid = uid_t(-1);
  gid_t gid = gid_t(-1);
};

// Asked once a staged file has taken its target's place, with what stood
// there: false puts that back.
using RenameCheck = std::function<bool(const struct stat& replaced)>;

// The process's file-creation mask.
mode_t creationMask();

class StagedFile {
 public:
  // Creates the staged file; ok() says whether that worked (error() why not).
  explicit StagedFile(const std::string& target);
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  // Removes the staged file unless it took the target's place.
  ~StagedFile();

  bool ok() const { return file_ != nullptr; }
  FILE* stream() const { return file_.get(); }
  const std::string& target() const { return target_; }
  // The errno of the first failure, 0 while there was none.
  int error() const { return error_; }

  // Checks every write, flushes and syncs the file, gives it the
  // attributes, closes it and renames it over the target.  True when the
  // target is now the written file; false (the staged file removed, the
  // reason in error()) otherwise.
  // With `stillWanted` the staged file and the target are exchanged in one
  // step (where the system can), and stillWanted is asked about the file
  // that stood there: false exchanges them back, so a change made to the
  // target up to that very moment is kept (error() ECANCELED).
  bool commit(const FileAttributes& attributes, const RenameCheck& stillWanted = nullptr);

  // commit with the permission bits, owner and group of the regular file
  // at the target, or `mode` and our own owner when the target is anything
  // else: missing, a link (never followed), a pipe or a device.
  bool commitKeeping(mode_t mode, const RenameCheck& stillWanted = nullptr);

 private:
  bool fail();
  void removeStaged();
  bool exchangeIfStillWanted(const RenameCheck& stillWanted);

  std::string target_;
  std::string name_;    // the target's name in dir_
  Fd dir_;              // the target's directory
  std::string staged_;  // the staged file's name in dir_
  File file_;
  int error_ = 0;
};

#endif
