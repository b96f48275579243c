#include "app/report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "base/staged_file.h"
#include "base/text.h"
#include "base/trusted_path.h"
#include "discovery/spooler.h"

using nlohmann::json;

namespace {

// The text with each byte that is not part of a UTF-8 character written
// as "\xHH".
std::string utf8Text(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    bool whole = length > 0 && i + length <= text.size();
    for (size_t k = 1; whole && k < length; ++k)
      whole = (static_cast<unsigned char>(text[i + k]) >> 6) == 2;
    if (whole) {
      out.append(text, i, length);
      i += length;
    } else {
      out += formatText("\\x%02X", unsigned(c));
      ++i;
    }
  }
  return out;
}

json utf8Value(const json& value) {
  if (value.is_string())
    return utf8Text(value.get_ref<const std::string&>());
  if (value.is_array()) {
    json out = json::array();
    for (const json& item : value)
      out.push_back(utf8Value(item));
    return out;
  }
  if (value.is_object()) {
    json out = json::object();
    for (const auto& item : value.items())
      out[utf8Text(item.key())] = utf8Value(item.value());
    return out;
  }
  return value;
}

// The reason of an item not done, beside its result.
void addStatus(json& object, const Status& status) {
  if (status.ok())
    return;
  object["reason"] = status.text;
  object["reasonCode"] = reasonCode(status.reason);
  object["fault"] = isFault(status.reason);
  if (status.error != 0)
    object["errno"] = status.error;
}

// The result of an item, in words for each kind of item: what done and
// left are called.
const char* resultName(ItemState state, const char* done, const char* left) {
  switch (state) {
    case ItemState::kPlanned: return "planned";
    case ItemState::kDone: return done;
    case ItemState::kFailed: return "failed";
    case ItemState::kLeft: return left;
  }
  return "planned";
}

json fileObject(const FilePlan& file) {
  json object = {{"source", file.entry.source},
                 {"target", file.entry.target},
                 {"mode", file.entry.mode},
                 {"destination", file.installed},
                 {"action", fileActionName(file.action)},
                 {"current", file.current},
                 {"result", resultName(file.state, "copied", "skipped")}};
  addStatus(object, file.status);
  return object;
}

json defaultsArray(const DefaultDecisions& decisions) {
  json array = json::array();
  for (const DefaultDecision& d : decisions)
    array.push_back({{"keyword", d.keyword},
                     {"old", d.oldChoice},
                     {"new", d.newChoice},
                     {"kind", defaultKindName(d.kind)}});
  return array;
}

// The carried defaults as the new PPD spells them, and the old ones it did
// not take.
json carriedObject(const DefaultDecisions& decisions, bool carried) {
  json object = json::object();
  for (const DefaultDecision& d : decisions) {
    if ((d.kind == DefaultKind::kCarried) != carried)
      continue;
    if (carried)
      object[d.newKeyword] = d.newChoice;
    else
      object[d.keyword] = d.oldChoice;
  }
  return object;
}

const char* queueResult(ItemState state, bool undo) {
  return state == ItemState::kFailed ? "kept"
                                     : resultName(state, undo ? "undone" : "updated", "kept");
}

json queueFileObject(const QueueFile& file) {
  json object = {{"ppd", file.printer.ppdPath},
                 {"newPpd", file.productPpd},
                 {"action", file.action == QueueAction::kUpdate ? "update" : "keep"},
                 {"result", queueResult(file.state, file.undo)}};
  addStatus(object, file.state == ItemState::kPlanned ? file.why : file.status);
  return object;
}

json queueObject(const QueuePlan& queue) {
  const QueueFile& first = queue.files.front();
  json object = {{"name", queue.name},
                 {"oldPpd", first.printer.ppdPath},
                 {"model", first.printer.modelName},
                 {"newPpd", first.productPpd},
                 {"action", queue.action == QueueAction::kUpdate ? "update" : "keep"},
                 {"result", queueResult(queue.state, first.undo)},
                 {"defaults", defaultsArray(first.defaults)},
                 {"carried", carriedObject(first.defaults, true)},
                 {"notCarried", carriedObject(first.defaults, false)},
                 {"files", json::array()}};
  addStatus(object, queue.state == ItemState::kPlanned ? queue.why : queue.status);
  for (const QueueFile& file : queue.files)
    object["files"].push_back(queueFileObject(file));
  return object;
}

json pathObject(const RemovalPath& item) {
  json object = {{"path", item.path},
                 {"directory", item.directory},
                 {"action", item.present ? "delete" : "absent"},
                 {"result", resultName(item.state, "deleted", "absent")}};
  addStatus(object, item.status);
  return object;
}

json removalObject(const RemovalPlan& removal) {
  json queues = json::array();
  for (const QueueRemoval& queue : removal.queues) {
    json object = {{"name", queue.name},
                   {"result", resultName(queue.state, "removed", "kept")},
                   {"paths", json::array()}};
    for (const RemovalPath& item : queue.paths)
      object["paths"].push_back(pathObject(item));
    addStatus(object, queue.status);
    queues.push_back(object);
  }
  json paths = json::array();
  for (const RemovalPath& item : removal.paths)
    paths.push_back(pathObject(item));
  return {{"queues", queues}, {"paths", paths}};
}

json installObject(const InstallPlan& plan) {
  json files = json::array();
  for (const FilePlan& file : plan.files)
    files.push_back(fileObject(file));
  json queues = json::array();
  for (const QueuePlan& queue : plan.queues)
    queues.push_back(queueObject(queue));
  return {{"files", files},
          {"queues", queues},
          {"placing", plan.live ? "live" : "copy"},
          {"kind", plan.undo ? "undo" : "update"}};
}

}  // namespace

std::string reportText(const RunRecord& record, const Facts& facts) {
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
      {"productPpdDir", record.install.productPpdDir.empty() ? facts.ppd.ppdInstallDir
                                                             : record.install.productPpdDir},
      {"installDir", record.installDir},
      {"restarts", record.restarts},
      {"log", record.logPath},
      {"exitStatus", outcomeStatus(record)},
  };
  if (record.removing)
    report["removal"] = removalObject(record.removal);
  else
    report.update(installObject(record.install));
  if (!record.reason.empty())
    report["reason"] = record.reason;
  return utf8Value(report).dump(2) + "\n";
}

std::string reportPathProblem(const std::string& path, int uid) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return "it is a directory";
  std::string dir = parentDir(path);
  if (dir.empty())
    dir = ".";
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return "its directory " + dir + " does not exist";
  if (uid == 0) {
    std::string why;
    if (!isRootOnlyPath(dir, &why))
      return "its directory is not root's alone: " + why;
  } else if (int(st.st_uid) != uid || (st.st_mode & 022) != 0) {
    return "its directory " + dir + " is not the user's own";
  }
  return std::string();
}

bool writeReport(const std::string& path, const std::string& text) {
  StagedFile report(path);
  if (!report.ok())
    return false;
  std::fwrite(text.data(), 1, text.size(), report.stream());
  if (report.commit({0600}))
    return true;
  errno = report.error();
  return false;
}
