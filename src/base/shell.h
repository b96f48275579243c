// Running external commands through the shell.
#ifndef LUMO_BASE_SHELL_H
#define LUMO_BASE_SHELL_H

#include <string>

// A word for a shell command: returned as it stands when every character is
// one of [A-Za-z0-9_./@%+=:,-], else single-quoted so the shell reads it
// literally.
std::string shellWord(const std::string& word);

// Runs the command through the shell and returns the raw status that
// system() reports (0 for success, 256 for exit code 1).
int runShell(const std::string& command);

#endif
