#include "base/shell.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool isPlainShellChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::strchr("_./@%+=:,-", c) != nullptr;
}

// How often a command with a time limit is looked at.
constexpr long kPollNanoseconds = 10 * 1000 * 1000;

double monotonicSeconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The child's side: a process group of its own, so that everything the
// command starts (a netcat waiting on a socket) can be killed with it and
// an administrator's ^C, meant for setup, does not cut the command short;
// and every signal delivered as usual, whatever setup holds back.
[[noreturn]] void execShell(const std::string& command) {
  setpgid(0, 0);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

// Starts the command in a process group of its own; its pid, or -1.
pid_t startShell(const std::string& command) {
  // Output written by this process must reach its files before the
  // command's own output does.
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0)
    execShell(command);
  // Set on both sides: the group must exist before a kill can name it.
  if (child > 0)
    setpgid(child, child);
  return child;
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
  pid_t child = startShell(command);
  if (child < 0)
    return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR)
      return -1;
  return status;
}

int runShellWithin(const std::string& command, int seconds) {
  pid_t child = startShell(command);
  if (child < 0)
    return -1;
  double deadline = monotonicSeconds() + seconds;
  const timespec pause = {0, kPollNanoseconds};
  for (;;) {
    int status = 0;
    pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child)
      return status;
    if (done < 0 && errno != EINTR)
      return -1;
    if (monotonicSeconds() >= deadline) {
      kill(-child, SIGKILL);
      waitpid(child, &status, 0);
      return kShellTimedOut;
    }
    nanosleep(&pause, nullptr);
  }
}
