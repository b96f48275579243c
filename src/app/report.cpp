#include "app/report.h"

#include <cerrno>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "base/staged_file.h"
#include "discovery/spooler.h"

using nlohmann::json;

namespace {

const char* copyStateName(CopyState state) {
  switch (state) {
    case CopyState::kCopied: return "copied";
    case CopyState::kFailed: return "failed";
    case CopyState::kSkipped: return "skipped";
  }
  return "skipped";
}

json optionsObject(const OptionList& options) {
  json object = json::object();
  for (const OptionEntry& option : options)
    object[option.keyword] = option.choice;
  return object;
}

// The old PPD's defaults that the new PPD did not take.
json notCarried(const QueueResult& queue) {
  json object = json::object();
  if (!queue.updated)
    return object;
  for (const OptionEntry& option : queue.defaults)
    if (!findIndex(queue.carried, option.index))
      object[option.keyword] = option.choice;
  return object;
}

json queueObject(const QueueResult& queue) {
  json object = {{"name", queue.queue},
                 {"oldPpd", queue.ppdPath},
                 {"newPpd", queue.productPpd},
                 {"result", queue.updated ? "updated" : "kept"},
                 {"carried", optionsObject(queue.carried)},
                 {"notCarried", notCarried(queue)}};
  if (!queue.updated)
    object["reason"] = queue.reason;
  return object;
}

json filesArray(const Installation& installation) {
  json files = json::array();
  for (size_t i = 0; i < installation.manifest.size(); ++i) {
    const ManifestEntry& entry = installation.manifest[i];
    json file = {{"source", entry.source}, {"target", entry.target}, {"mode", entry.mode}};
    if (i < installation.copies.size())
      file["result"] = copyStateName(installation.copies[i]);
    files.push_back(file);
  }
  return files;
}

}  // namespace

std::string reportText(const RunRecord& record, const Facts& facts,
                       const Installation& installation, const std::string& logPath) {
  const char* spooler = spoolerName(facts.spoolerKind);
  json report = {
      {"product", "Lumo"},
      {"version", "4.0-0"},
      {"outcome", outcomeName(record.outcome)},
      {"spooler", spooler ? spooler : "unknown"},
      {"cups",
       {{"version", facts.cupsVersion},
        {"baseDir", facts.cupsBaseDir},
        {"binDir", facts.cupsBinDir},
        {"modelDir", facts.ppd.cupsModelDir}}},
      {"productPpdDir", facts.ppd.ppdInstallDir},
      {"installDir", installation.dir},
      {"files", filesArray(installation)},
      {"queues", json::array()},
      {"restarts", record.restarts},
      {"log", logPath},
      {"exitStatus", outcomeStatus(record, installation)},
  };
  if (!record.reason.empty())
    report["reason"] = record.reason;
  for (const QueueResult& queue : record.queues)
    report["queues"].push_back(queueObject(queue));
  return report.dump(2) + "\n";
}

bool writeReport(const std::string& path, const std::string& text) {
  StagedFile report(path);
  if (!report.ok())
    return false;
  std::fwrite(text.data(), 1, text.size(), report.stream());
  if (report.commit({0644}))
    return true;
  errno = report.error();
  return false;
}
