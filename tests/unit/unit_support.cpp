#include "unit_support.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include <fstream>
#include <sstream>

TempDir::TempDir(Place place) {
  std::string pattern = place == kRootOnly && geteuid() == 0 ? "/run/lumo-unit-XXXXXX"
                                                              : "/tmp/lumo-unit-XXXXXX";
  path_ = mkdtemp(&pattern[0]);
}

TempDir::~TempDir() {
  std::filesystem::remove_all(path_);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string gunzip(const std::string& path) {
  gzFile in = gzopen(path.c_str(), "rb");
  std::string text;
  char block[4096];
  int got;
  while (in && (got = gzread(in, block, sizeof block)) > 0)
    text.append(block, size_t(got));
  if (in)
    gzclose(in);
  return text;
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

TempLog::TempLog() {
  open(dir_.file("UpdateLog"));
}

std::string TempLog::text() const {
  return readFile(dir_.file("UpdateLog"));
}

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
  // Past the limit the write fails instead of the process being killed.
  oldHandler_ = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  old_ = limit.rlim_cur;
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  struct rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = old_;
  setrlimit(RLIMIT_FSIZE, &limit);
  signal(SIGXFSZ, oldHandler_);
}
