#include "app/summary.h"

#include <unistd.h>

#include <algorithm>

namespace {

const char* logName(const RunRecord& record) {
  return record.logPath.empty() ? "none" : record.logPath.c_str();
}

}  // namespace

bool onTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

void showProgress(FILE* out, size_t done, size_t total) {
  std::fprintf(out, "\rUpdating queues: %zu/%zu", done, total);
  if (done == total)
    std::fputc('\n', out);
  std::fflush(out);
}

void printSummary(FILE* out, const RunRecord& record) {
  std::fprintf(out, "Lumo 4.0-0 setup: %s", outcomeName(record.outcome));
  if (!record.reason.empty())
    std::fprintf(out, " (%s)", record.reason.c_str());
  if (record.removing) {
    const std::vector<QueueRemoval>& queues = record.removal.queues;
    size_t removed = size_t(std::count_if(queues.begin(), queues.end(), [](const QueueRemoval& q) {
      return q.state == ItemState::kDone;
    }));
    std::fprintf(out, "; queues removed: %zu of %zu.\n", removed, queues.size());
    std::fprintf(out, "Log file: %s\n", logName(record));
    return;
  }
  size_t updated = 0, unsupported = 0;
  const QueuePlans& queues = record.install.queues;
  for (const QueuePlan& queue : queues) {
    updated += queue.state == ItemState::kDone ? 1 : 0;
    unsupported += queue.status.reason == Reason::kNoProductPpd ? 1 : 0;
  }
  std::fprintf(out, "; queues %s: %zu, kept: %zu", record.install.undo ? "undone" : "updated",
               updated, queues.size() - updated);
  if (unsupported > 0)
    std::fprintf(out, " (unsupported: %zu)", unsupported);
  std::fprintf(out, ".\n");
  for (const QueuePlan& queue : queues)
    if (queue.state != ItemState::kDone)
      std::fprintf(out, "  %s keeps its PPD: %s.\n", queue.name.c_str(), queue.status.text.c_str());
  std::fprintf(out, "Log file: %s\n", logName(record));
}
