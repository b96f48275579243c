#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/log.h"
#include "ppd/model_table.h"

namespace {

// The work directory, removed with its contents at a normal exit.
struct WorkDir {
  WorkDir() {
    const char* tmp = std::getenv("TMPDIR");
    path = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumo-fuzz-XXXXXX";
    if (!mkdtemp(&path[0])) {
      std::perror(path.c_str());
      std::exit(1);
    }
  }
  ~WorkDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

}  // namespace

Log& quietLog() {
  static Log log;
  if (!log.isOpen())
    log.open("/dev/null");
  return log;
}

const std::string& workDir() {
  static const WorkDir dir;
  return dir.path;
}

std::string workPath(const std::string& name) {
  return workDir() + "/" + name;
}

void makeWorkDir(const std::string& name) {
  std::filesystem::create_directories(workPath(name));
}

std::string writeInput(const std::string& name, const uint8_t* data, size_t size) {
  std::string path = workPath(name);
  // The work directory is this process's own: the name cannot be planted.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written <= 0) {
      std::perror(path.c_str());
      std::exit(1);
    }
    data += written;
    size -= size_t(written);
  }
  close(fd);
  return path;
}

std::string writeInput(const std::string& name, const std::string& text) {
  return writeInput(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool isModelId(int id) {
  for (int i = 0; i < kModelCount; ++i)
    if (kModelTable[i].id == id)
      return true;
  return false;
}

bool keepsLines(const std::string& input, const std::string& output) {
  auto lineFeeds = [](const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
  };
  bool lastLineEnds = input.empty() || input.back() == '\n';
  return lineFeeds(output) == lineFeeds(input) ||
         (!lastLineEnds && lineFeeds(output) == lineFeeds(input) + 1);
}

void fuzzCheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}
