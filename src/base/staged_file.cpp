#include "base/staged_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/dir_walk.h"
#include "base/tmp_file.h"

mode_t creationMask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

StagedFile::StagedFile(const std::string& target)
    : target_(target), dir_(openParentWalking(target, &name_)) {
  if (dir_.valid())
    file_ = streamOf(createExclusiveAt(dir_.get(), name_ + ".", staged_), "w");
  if (!file_)
    fail();
}

StagedFile::~StagedFile() {
  removeStaged();
}

void StagedFile::removeStaged() {
  if (!staged_.empty())
    unlinkat(dir_.get(), staged_.c_str(), 0);
  staged_.clear();
}

// Keeps the first failure's errno and gives up the staged file.
bool StagedFile::fail() {
  if (error_ == 0)
    error_ = errno != 0 ? errno : EIO;
  file_.reset();
  removeStaged();
  return false;
}

bool StagedFile::commit(const FileAttributes& attributes, const RenameCheck& stillWanted) {
  if (!file_)
    return false;
  FILE* out = file_.get();
  int fd = fileno(out);
  // A write that failed earlier left errno to whatever came after it.
  errno = EIO;
  if (std::ferror(out) || std::fflush(out) != 0 || fsync(fd) != 0)
    return fail();
  // The file is ours already: only another owner needs a chown, which
  // comes before the chmod, for it clears the set-id bits.
  uid_t uid = attributes.uid == geteuid() ? uid_t(-1) : attributes.uid;
  gid_t gid = attributes.gid == getegid() ? gid_t(-1) : attributes.gid;
  if ((uid != uid_t(-1) || gid != gid_t(-1)) && fchown(fd, uid, gid) != 0)
    return fail();
  if (fchmod(fd, attributes.mode) != 0)
    return fail();
  if (stillWanted)
    return closeFile(file_) ? exchangeIfStillWanted(stillWanted) : fail();
  if (!closeFile(file_) || renameat(dir_.get(), staged_.c_str(), dir_.get(), name_.c_str()) != 0)
    return fail();
  staged_.clear();
  return true;
}

bool StagedFile::exchangeIfStillWanted(const RenameCheck& stillWanted) {
  int dir = dir_.get();
  struct stat replaced;
  if (renameat2(dir, staged_.c_str(), dir, name_.c_str(), RENAME_EXCHANGE) != 0) {
    if (errno != EINVAL && errno != ENOSYS)
      return fail();
    // No exchange in this file system: asked just before the rename.
    if (fstatat(dir, name_.c_str(), &replaced, AT_SYMLINK_NOFOLLOW) != 0 ||
        !stillWanted(replaced)) {
      errno = ECANCELED;
      return fail();
    }
    if (renameat(dir, staged_.c_str(), dir, name_.c_str()) != 0)
      return fail();
    staged_.clear();
    return true;
  }
  // The staged name now holds what stood at the target.
  if (fstatat(dir, staged_.c_str(), &replaced, AT_SYMLINK_NOFOLLOW) != 0 ||
      !stillWanted(replaced)) {
    renameat2(dir, staged_.c_str(), dir, name_.c_str(), RENAME_EXCHANGE);
    errno = ECANCELED;
    return fail();
  }
  unlinkat(dir, staged_.c_str(), 0);
  staged_.clear();
  return true;
}

bool StagedFile::commitKeeping(mode_t mode, const RenameCheck& stillWanted) {
  FileAttributes attributes{mode};
  struct stat old;
  if (fstatat(dir_.get(), name_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode))
    attributes = {mode_t(old.st_mode & 07777), old.st_uid, old.st_gid};
  return commit(attributes, stillWanted);
}
