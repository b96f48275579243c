#include "app/summary.h"

#include <unistd.h>

bool onTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

void showProgress(FILE* out, size_t done, size_t total) {
  std::fprintf(out, "\rUpdating queues: %zu/%zu", done, total);
  if (done == total)
    std::fputc('\n', out);
  std::fflush(out);
}

void printSummary(FILE* out, const RunRecord& record, const std::string& logPath) {
  std::fprintf(out, "Lumo 4.0-0 setup: %s", outcomeName(record.outcome));
  if (!record.reason.empty())
    std::fprintf(out, " (%s)", record.reason.c_str());
  size_t updated = 0;
  for (const QueueResult& queue : record.queues)
    updated += queue.updated ? 1 : 0;
  std::fprintf(out, "; queues updated: %zu, kept: %zu.\n", updated,
               record.queues.size() - updated);
  for (const QueueResult& queue : record.queues)
    if (!queue.updated)
      std::fprintf(out, "  %s keeps its PPD: %s.\n", queue.queue.c_str(), queue.reason.c_str());
  std::fprintf(out, "Log file: %s\n", logPath.c_str());
}
