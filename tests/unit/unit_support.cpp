#include "unit_support.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

TempDir::TempDir() {
  char pattern[] = "/tmp/lumo-unit-XXXXXX";
  path_ = mkdtemp(pattern);
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

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}
