#include "ppd/ppd_tmp_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "driver/log.h"
#include "driver/run_settings.h"

namespace {

// The longest name created: "/orbinXXXXXX" after the directory.
constexpr size_t kLongestName = 12;

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
