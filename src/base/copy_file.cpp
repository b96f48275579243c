#include "base/copy_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "base/files.h"
#include "base/tmp_file.h"

namespace {

constexpr size_t kBlockSize = 40960;

// The file a path names, through a symbolic link, so that replacing it
// keeps the link.
std::string resolved(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real)
    return path;
  std::string result = real;
  free(real);
  return result;
}

bool copyBlocks(FILE* in, FILE* out) {
  std::vector<char> block(kBlockSize);
  size_t got;
  do {
    got = std::fread(block.data(), 1, block.size(), in);
    if (got > 0 && std::fwrite(block.data(), 1, got, out) != got)
      return false;
  } while (got == block.size());
  return !std::ferror(in);
}

mode_t creationMask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// Removes the staged file after a failure, keeping the failure's errno.
int dropStaged(const std::string& staged) {
  int saved = errno;
  unlink(staged.c_str());
  errno = saved;
  return 0;
}

// Gives the staged file the target's permission bits and owner, or `mode`
// when there is no target yet, and renames it over the target.
int putInPlace(const std::string& staged, const std::string& target, mode_t mode) {
  struct stat old;
  bool ok;
  if (stat(target.c_str(), &old) == 0) {
    ok = chmod(staged.c_str(), old.st_mode & 07777) == 0;
    // The copy keeps the target's owner; a file of ours needs no chown.
    if (ok && (old.st_uid != geteuid() || old.st_gid != getegid()))
      ok = chown(staged.c_str(), old.st_uid, old.st_gid) == 0;
  } else {
    ok = chmod(staged.c_str(), mode) == 0;
  }
  if (ok && rename(staged.c_str(), target.c_str()) == 0)
    return 1;
  return dropStaged(staged);
}

// Creates the file "path.XXXXXX" exclusively, beside the file it is to
// replace and so in the same file system, and opens it for writing; its
// name goes into staged.  Empty on failure, errno saying why.
File createBeside(const std::string& path, std::string& staged) {
  File out = streamOf(createExclusive(path + ".", staged), "wb");
  if (!out && !staged.empty())
    dropStaged(staged);
  return out;
}

}  // namespace

int copyFile(const std::string& source, const std::string& target) {
  File in = openFile(source, "rb");
  if (!in)
    return 0;
  struct stat st;
  mode_t mode = (fstat(fileno(in.get()), &st) == 0 ? st.st_mode & 0777 : 0666) & ~creationMask();
  std::string real = resolved(target);
  std::string staged;
  File out = createBeside(real, staged);
  if (!out)
    return 0;
  bool copied = copyBlocks(in.get(), out.get());
  int saved = errno;
  if (!closeFile(out) && copied) {
    copied = false;
    saved = errno;
  }
  if (!copied) {
    errno = saved;
    return dropStaged(staged);
  }
  return putInPlace(staged, real, mode);
}

int readUncompressed(const std::string& source, std::string& text) {
  text.clear();
  gzFile in = gzopen(source.c_str(), "rb");
  if (!in)
    return 0;
  std::vector<char> block(kBlockSize);
  int got;
  while ((got = gzread(in, block.data(), unsigned(block.size()))) > 0)
    text.append(block.data(), size_t(got));
  // A cut or damaged stream shows as a read error or in the close.
  bool read = got == 0;
  return gzclose(in) == Z_OK && read;
}
