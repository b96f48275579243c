#include "base/copy_file.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/files.h"
#include "base/staged_file.h"

namespace {

constexpr size_t kBlockSize = 40960;

bool copyBlocks(FILE* in, FILE* out) {
  std::array<char, kBlockSize> block;
  size_t got;
  do {
    got = std::fread(block.data(), 1, block.size(), in);
    if (got > 0 && std::fwrite(block.data(), 1, got, out) != got)
      return false;
  } while (got == block.size());
  return !std::ferror(in);
}

}  // namespace

int copyFile(const std::string& source, const std::string& target, int mode,
             const RenameCheck& stillWanted) {
  File in = openFile(source, "rb");
  if (!in)
    return 0;
  StagedFile out(target);
  if (!out.ok())
    return 0;
  if (!copyBlocks(in.get(), out.stream()))
    return 0;  // errno is the failed read's or write's
  bool done;
  struct stat st;
  bool sourceKnown = fstat(fileno(in.get()), &st) == 0;
  if (mode >= 0) {
    done = out.commit({mode_t(mode)}, stillWanted);
  } else if (mode == kSourceMode) {
    done = sourceKnown &&
           out.commit({mode_t(st.st_mode & 07777), st.st_uid, st.st_gid}, stillWanted);
  } else {
    mode_t bits = sourceKnown ? st.st_mode & 0777 : 0666;
    done = out.commitKeeping(bits & ~creationMask(), stillWanted);
  }
  errno = out.error();
  return done;
}

bool sameContent(const std::string& first, const std::string& second) {
  File a = openFile(first, "rb");
  File b = openFile(second, "rb");
  struct stat sa, sb;
  if (!a || !b || fstat(fileno(a.get()), &sa) != 0 || fstat(fileno(b.get()), &sb) != 0 ||
      sa.st_size != sb.st_size)
    return false;
  std::array<char, kBlockSize> blockA, blockB;
  size_t got;
  do {
    got = std::fread(blockA.data(), 1, kBlockSize, a.get());
    if (std::fread(blockB.data(), 1, kBlockSize, b.get()) != got ||
        std::memcmp(blockA.data(), blockB.data(), got) != 0)
      return false;
  } while (got == kBlockSize);
  return !std::ferror(a.get()) && !std::ferror(b.get());
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
