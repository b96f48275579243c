// Running external commands through the shell.
#ifndef LUMO_BASE_SHELL_H
#define LUMO_BASE_SHELL_H

#include <string>

// A word for a shell command: returned as it stands when every character is
// one of [A-Za-z0-9_./@%+=:,-], else single-quoted so the shell reads it
// literally.
std::string shellWord(const std::string& word);

// Runs the command through the shell, in a process group of its own, and
// returns its raw wait status, as system() reports it (0 for success, 256
// for exit code 1).
int runShell(const std::string& command);

// What runShellWithin gives when the time ran out.
inline constexpr int kShellTimedOut = -2;

// runShell with a time limit: the command runs in a process group of its
// own, and when it has not ended within `seconds` the whole group is killed
// and kShellTimedOut returned.  -1 when the shell cannot be started.
int runShellWithin(const std::string& command, int seconds);

#endif
