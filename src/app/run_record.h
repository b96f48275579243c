// What a run did, gathered as it goes: the outcome, each queue's fate and
// the CUPS restarts.  Read at the end by the report, the terminal summary
// and the exit status.
#ifndef LUMO_APP_RUN_RECORD_H
#define LUMO_APP_RUN_RECORD_H

#include <string>
#include <vector>

#include "install/installation.h"
#include "ppd/printer_update.h"

enum class Outcome { kStopped, kDeclined, kInstalled, kUpgraded, kRemoved, kPreview };

struct RunRecord {
  Outcome outcome = Outcome::kStopped;
  std::string reason;  // why the run stopped
  QueueResults queues;
  std::vector<int> restarts;  // the status of each CUPS restart
};

// The outcome's name in the report and the summary.
const char* outcomeName(Outcome outcome);

// A queue that kept its PPD for a fault, not by the administrator's answer.
bool keptByFault(const QueueResult& queue);

// The exit status that -x asks for: 1 when the run stopped before
// installing or removing, 2 when it installed but a copy failed or a queue
// kept its PPD for a fault, else 0.
int outcomeStatus(const RunRecord& record, const Installation& installation);

#endif
