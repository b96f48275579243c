#include "ppd/ppd_tmp_files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "driver/log.h"
#include "driver/run_settings.h"

namespace {

// Attempts at a compressed name that is not taken yet.
constexpr int kReserveAttempts = 100;

// The longest name created: "/orbinXXXXXX.gz" after the directory.
constexpr size_t kLongestName = 15;

}  // namespace

std::string tmpPpdDir() {
  const char* dir = getenv("TMPDIR");
  struct stat st;
  if (!dir || !*dir || stat(dir, &st) != 0 || !S_ISDIR(st.st_mode))
    return "/tmp";
  if (std::strlen(dir) + kLongestName > kTextMax) {
    logFormat("TMPDIR longer than %zu characters not used: '%s'.", kTextMax - kLongestName, dir);
    return "/tmp";
  }
  return dir;
}

int createTmpFile(const std::string& dir, const std::string& prefix, const std::string& suffix,
                  std::string& path) {
  std::string base = dir;
  if (!base.empty() && base.back() == '/')
    base.pop_back();
  std::string pattern = base + "/" + prefix + "XXXXXX" + suffix;
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemps(name.data(), int(suffix.size()));
  if (fd >= 0)
    path = name.data();
  return fd;
}

bool reserveInputCopy(const std::string& dir, bool compressed, std::string& plain,
                      std::string& gz) {
  for (int attempt = 0; attempt < kReserveAttempts; ++attempt) {
    int fd = createTmpFile(dir, "orbin", "", plain);
    if (fd < 0)
      return false;
    close(fd);
    if (!compressed)
      return true;
    gz = plain + ".gz";
    fd = open(gz.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) {
      close(fd);
      return true;
    }
    bool taken = errno == EEXIST;
    unlink(plain.c_str());
    if (!taken)
      return false;
  }
  return false;
}

ScratchFiles::~ScratchFiles() {
  for (const std::string& path : paths_)
    unlink(path.c_str());
}

void ScratchFiles::hold(const std::string& path) {
  paths_.push_back(path);
}

void ScratchFiles::release(const std::string& path) {
  paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
}
