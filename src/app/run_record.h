// A run's plan and what became of it: built once before anything changes,
// then filled in item by item as the run works through it.  The preview,
// the report, the terminal summary and the exit status only read it.
#ifndef LUMO_APP_RUN_RECORD_H
#define LUMO_APP_RUN_RECORD_H

#include <string>
#include <vector>

#include "deinstall/deinstall.h"
#include "install/copy_entries.h"
#include "ppd/queue_plan.h"

enum class Outcome {
  kStopped, kDeclined, kInstalled, kUpgraded, kRemoved, kPreview, kInterrupted, kUndone
};

// What an installing run does: the manifest's files, then the queues on
// the maker's older PPD files, whose new PPD files are copied into place
// for a restart of CUPS to read or, live, handed to the running scheduler.
struct InstallPlan {
  std::string productPpdDir;
  FilePlans files;
  QueuePlans queues;
  bool live = false;
  bool undo = false;  // -R: no files; the queues get their earlier PPD back
};

struct RunRecord {
  Outcome outcome = Outcome::kStopped;
  std::string reason;  // why the run stopped
  bool removing = false;
  std::string installDir;  // where the product goes, or is removed from
  InstallPlan install;
  RemovalPlan removal;
  std::vector<int> restarts;  // the status of each CUPS restart
  std::string logPath;        // the Log file written; empty when none was
};

// The outcome's name in the report and the summary.
const char* outcomeName(Outcome outcome);

// The exit status that -x asks for: 1 when the run stopped before
// installing or removing, or was interrupted; 2 when an item failed or
// was kept for a fault (something a rerun or the administrator can mend),
// else 0.
int outcomeStatus(const RunRecord& record);

#endif
