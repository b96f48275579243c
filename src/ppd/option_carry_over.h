// The PPD option carry-over: copies a new PPD file line by line, rewriting
// the default line of every user-interface option (between "*OpenUI" and
// "*CloseUI") and of every JCL option (between "*JCLOpenUI" and
// "*JCLCloseUI") with the choice the printer's old PPD had, where the
// option list holds one.  A line-oriented filter, not a PPD parser: either
// closing line ends the block it is in.
#ifndef LUMO_PPD_OPTION_CARRY_OVER_H
#define LUMO_PPD_OPTION_CARRY_OVER_H

#include <cstdio>
#include <optional>
#include <string>

#include "ppd/option_list.h"

class Log;

// Longest keyword and value of a default line that is rewritten; a longer
// one is copied unchanged.
constexpr size_t kDefaultKeywordMax = 78;
constexpr size_t kDefaultValueMax = 79;

// Copies input to output, rewriting default lines inside user-interface
// and JCL blocks as "*Default%s: %s".  The caller checks the streams.
void processNewPPD(Log& log, FILE* input, FILE* output, const OptionList& options);

// For a line holding "*Default" (but not "*DefaultColorSep"), the keyword
// with its asterisk (e.g. *PageSize) and, in value, the first word after
// the colon.  Nothing for any other line, for a keyword followed by neither
// a space nor a colon, and for an over-long keyword or value.
std::optional<std::string> readDefaultLine(const std::string& line, std::string& value);

#endif
