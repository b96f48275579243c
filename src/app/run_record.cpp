#include "app/run_record.h"

#include <algorithm>

namespace {

// A fault is what a rerun or the administrator can mend; the plan foresees
// some (a preview tells them too), the run meets others.
bool isFaulty(const FilePlan& file) {
  return file.state == ItemState::kFailed || file.action == FileAction::kNoDestination ||
         file.action == FileAction::kUntrusted;
}

bool isFaulty(const QueuePlan& queue) {
  return queue.state == ItemState::kFailed ||
         (queue.action == QueueAction::kKeep && isFault(queue.why.reason));
}

template <typename Item>
bool isFaulty(const Item& item) {
  return item.state == ItemState::kFailed;
}

template <typename Items>
bool anyFault(const Items& items) {
  return std::any_of(items.begin(), items.end(),
                     [](const auto& item) { return isFaulty(item); });
}

}  // namespace

const char* outcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kStopped: return "stopped";
    case Outcome::kDeclined: return "declined";
    case Outcome::kInstalled: return "installed";
    case Outcome::kUpgraded: return "upgraded";
    case Outcome::kRemoved: return "removed";
    case Outcome::kPreview: return "preview";
    case Outcome::kInterrupted: return "interrupted";
    case Outcome::kUndone: return "undone";
  }
  return "stopped";
}

int outcomeStatus(const RunRecord& record) {
  if (record.outcome == Outcome::kStopped || record.outcome == Outcome::kDeclined ||
      record.outcome == Outcome::kInterrupted)
    return 1;
  bool fault = anyFault(record.install.files) || anyFault(record.install.queues) ||
               anyFault(record.removal.queues) || anyFault(record.removal.paths);
  return fault ? 2 : 0;
}
