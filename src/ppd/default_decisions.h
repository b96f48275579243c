// What becomes of each default a queue's old PPD had chosen when the queue
// gets a new PPD: decided once, when the run is planned, from the new
// PPD's offered options; the rewrite then writes what was decided.
#ifndef LUMO_PPD_DEFAULT_DECISIONS_H
#define LUMO_PPD_DEFAULT_DECISIONS_H

#include <string>
#include <vector>

#include "ppd/option_list.h"

class Log;

enum class DefaultKind {
  kCarried,     // the new PPD offers the choice: it becomes its default
  kNotOffered,  // the new PPD lacks the option or the choice: its own stays
  kRepeated,    // the new PPD's option was met before under another spelling
};

struct DefaultDecision {
  std::string keyword;     // as the old PPD names it
  std::string oldChoice;   // the old PPD's default
  std::string newKeyword;  // as the new PPD names it; empty when it lacks it
  std::string newChoice;   // what the new PPD's default will be
  DefaultKind kind = DefaultKind::kNotOffered;
};
using DefaultDecisions = std::vector<DefaultDecision>;

// The kind's name in the report: "carried", "not-offered", "repeated".
const char* defaultKindName(DefaultKind kind);

// Matches each old default with the new PPD's options as CUPS matches
// names (without regard to case); a carried one is spelt as the new PPD
// spells it, so that what is written is what it offers.
DefaultDecisions decideDefaults(const OptionList& defaults, const OfferedOptions& offered);

// The carried defaults, as the option list the rewrite of the new PPD
// reads.
OptionList carriedDefaults(const DefaultDecisions& decisions);

// One Log line for each default that is not carried.
void logDefaultsLeft(Log& log, const DefaultDecisions& decisions);

#endif
