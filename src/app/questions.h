// Console questions: one question on standard output, one typed line as
// the answer.  Answer codes: 1 yes, 0 no, 2 all, 3 break, -1 unrecognised.
#ifndef LUMO_APP_QUESTIONS_H
#define LUMO_APP_QUESTIONS_H

#include <cstdio>
#include <string>

#include "base/answer.h"

int askYesNo(const std::string& question);
int askYesNoAllBreak(const std::string& question);

// Reads one answer line of at most 255 characters and strips its line end
// (never its first character).  False at the end of input.
bool readLine(std::FILE* in, std::string& line);

// The answer rules, applied to one answer line.
int readYesNo(const std::string& line);
int readYesNoAllBreak(const std::string& line);

#endif
