#include "app/run_record.h"

#include <algorithm>

const char* outcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kStopped: return "stopped";
    case Outcome::kDeclined: return "declined";
    case Outcome::kInstalled: return "installed";
    case Outcome::kUpgraded: return "upgraded";
    case Outcome::kRemoved: return "removed";
    case Outcome::kPreview: return "preview";
  }
  return "stopped";
}

bool keptByFault(const QueueResult& queue) {
  return !queue.updated && queue.reason != kDeclinedReason && queue.reason != kBrokenOffReason;
}

int outcomeStatus(const RunRecord& record, const Installation& installation) {
  if (record.outcome == Outcome::kStopped || record.outcome == Outcome::kDeclined)
    return 1;
  const auto& copies = installation.copies;
  bool copyFailed = std::count(copies.begin(), copies.end(), CopyState::kFailed) > 0;
  bool queueKept = std::any_of(record.queues.begin(), record.queues.end(), keptByFault);
  return copyFailed || queueKept ? 2 : 0;
}
