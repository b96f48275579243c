#include "base/shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool isPlainShellChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::strchr("_./@%+=:,-", c) != nullptr;
}

}  // namespace

std::string shellWord(const std::string& word) {
  bool plain = !word.empty();
  for (unsigned char c : word)
    if (!isPlainShellChar(c))
      plain = false;
  if (plain)
    return word;

  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  quoted += "'";
  return quoted;
}

int runShell(const std::string& command) {
  // Output written by this process must reach its files before the
  // command's own output does.
  std::fflush(nullptr);
  return std::system(command.c_str());
}
