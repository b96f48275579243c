#include "app/report.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "unit_support.h"

namespace {

QueuePlan queue(const char* name, QueueAction action, ItemState state, Reason reason = Reason::kNone) {
  QueuePlan plan;
  plan.name = name;
  plan.action = action;
  plan.state = state;
  QueueFile file;
  file.printer.queueName = name;
  file.printer.ppdPath = std::string("/etc/cups/ppd/") + name + ".ppd";
  file.action = action;
  file.state = state;
  if (action == QueueAction::kKeep)
    plan.why = file.why = failure(reason, reasonCode(reason));
  if (action == QueueAction::kKeep && state != ItemState::kPlanned)
    plan.status = file.status = plan.why;
  else if (reason != Reason::kNone)
    plan.status = file.status = failure(reason, reasonCode(reason));
  plan.files.push_back(file);
  return plan;
}

FilePlan file(const char* source, FileAction action, ItemState state) {
  FilePlan plan;
  plan.entry = {source, ".", 0644};
  plan.action = action;
  plan.state = state;
  if (state == ItemState::kFailed)
    plan.status = failure(Reason::kCopyFailed, "cannot copy", ENOSPC);
  return plan;
}

// Only faults make 2: a queue the product has no PPD for, and the
// administrator's answers, are none; the plan's faults count in a preview.
TEST(RunRecord, ExitStatusTellsTheOutcome) {
  RunRecord record;
  EXPECT_EQ(outcomeStatus(record), 1);  // stopped
  record.outcome = Outcome::kDeclined;
  EXPECT_EQ(outcomeStatus(record), 1);
  record.outcome = Outcome::kInstalled;
  InstallPlan& plan = record.install;
  plan.files = {file("a", FileAction::kCopy, ItemState::kDone),
                file("b", FileAction::kInPlace, ItemState::kLeft)};
  plan.queues = {queue("A", QueueAction::kUpdate, ItemState::kDone),
                 queue("B", QueueAction::kUpdate, ItemState::kLeft, Reason::kDeclined),
                 queue("C", QueueAction::kUpdate, ItemState::kLeft, Reason::kBrokenOff),
                 queue("U", QueueAction::kKeep, ItemState::kLeft, Reason::kNoProductPpd)};
  EXPECT_EQ(outcomeStatus(record), 0);
  plan.queues.push_back(queue("D", QueueAction::kUpdate, ItemState::kFailed, Reason::kBackupFailed));
  EXPECT_EQ(outcomeStatus(record), 2);
  plan.queues.pop_back();
  plan.queues.push_back(queue("E", QueueAction::kKeep, ItemState::kPlanned, Reason::kNotPackageFile));
  record.outcome = Outcome::kPreview;
  EXPECT_EQ(outcomeStatus(record), 2);
  plan.queues.pop_back();
  EXPECT_EQ(outcomeStatus(record), 0);
  plan.files.push_back(file("c", FileAction::kCopy, ItemState::kFailed));
  EXPECT_EQ(outcomeStatus(record), 2);
  plan.files.pop_back();
  record.removal.paths.push_back({"/opt/oxa/bin", true, true, ItemState::kFailed, Status()});
  EXPECT_EQ(outcomeStatus(record), 2);
}

TEST(Report, SerialisesThePlanWithEachOutcome) {
  RunRecord record;
  record.outcome = Outcome::kUpgraded;
  QueuePlan office = queue("Office", QueueAction::kUpdate, ItemState::kDone);
  office.files[0].defaults = {{"PageSize", "A4", "PageSize", "A4", DefaultKind::kCarried},
                              {"InputSlot", "Tray3", "InputSlot", "Auto", DefaultKind::kNotOffered}};
  QueueFile older = office.files[0];
  older.printer.ppdPath += ".O";
  older.state = ItemState::kFailed;
  older.status = failure(Reason::kWriteFailed, "Problem writing\n", ENOSPC);
  office.files.push_back(older);
  record.install.queues = {office, queue("Lab", QueueAction::kKeep, ItemState::kLeft,
                                         Reason::kNoProductPpd)};
  record.install.files = {file("bin/setup", FileAction::kCopy, ItemState::kDone),
                          file("doc/x", FileAction::kCopy, ItemState::kFailed)};
  record.restarts = {0, 256};
  record.logPath = "/var/log/L";
  Facts facts;
  facts.spoolerKind = kSpoolerCups;
  facts.cupsVersion = 2420;

  nlohmann::json report = nlohmann::json::parse(reportText(record, facts));
  EXPECT_EQ(report["outcome"], "upgraded");
  EXPECT_EQ(report["exitStatus"], 2);
  EXPECT_EQ(report["log"], "/var/log/L");
  EXPECT_EQ(report["cups"]["version"], 2420);
  EXPECT_EQ(report["files"][0]["result"], "copied");
  EXPECT_EQ(report["files"][1]["result"], "failed");
  EXPECT_EQ(report["files"][1]["reasonCode"], "copy-failed");
  EXPECT_EQ(report["files"][1]["errno"], ENOSPC);
  EXPECT_EQ(report["files"][1]["fault"], true);
  const nlohmann::json& first = report["queues"][0];
  EXPECT_EQ(first["result"], "updated");
  EXPECT_EQ(first["carried"], nlohmann::json({{"PageSize", "A4"}}));
  EXPECT_EQ(first["notCarried"], nlohmann::json({{"InputSlot", "Tray3"}}));
  EXPECT_EQ(first["defaults"][1]["kind"], "not-offered");
  EXPECT_EQ(first["defaults"][1]["new"], "Auto");
  EXPECT_EQ(first["files"][1]["reason"], "Problem writing");
  EXPECT_EQ(first["files"][1]["result"], "kept");
  EXPECT_FALSE(first.contains("reason"));
  EXPECT_EQ(report["queues"][1]["reasonCode"], "no-product-ppd");
  EXPECT_EQ(report["queues"][1]["fault"], false);
  EXPECT_EQ(report["queues"].size(), 2u);  // the older copy is a file of its queue
  EXPECT_EQ(report["restarts"], nlohmann::json({0, 256}));
  EXPECT_FALSE(report.contains("reason"));
}

// A name CUPS accepts in Latin-1 is reported, escaped, not fatal.
TEST(Report, BytesThatAreNotUtf8AreEscaped) {
  RunRecord record;
  record.install.queues = {queue("Caf\xe9", QueueAction::kKeep, ItemState::kLeft,
                                 Reason::kNoProductPpd),
                           queue("Caf\xc3\xa9", QueueAction::kKeep, ItemState::kLeft,
                                 Reason::kNoProductPpd)};
  record.reason = "cut \xe2\x82";
  nlohmann::json report = nlohmann::json::parse(reportText(record, Facts()));
  EXPECT_EQ(report["queues"][0]["name"], "Caf\\xE9");
  EXPECT_EQ(report["queues"][1]["name"], "Caf\xc3\xa9");
  EXPECT_EQ(report["reason"], "cut \\xE2\\x82");
}

TEST(Report, PathMustBeCreatableAndWrittenWhole) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to give the directory another owner";
  TempDir dir;
  const int user = 4321;  // a user's own directory, for a run as that user
  ASSERT_EQ(chown(dir.path().c_str(), user, -1), 0);
  EXPECT_EQ(reportPathProblem(dir.file("report.json"), user), "");
  EXPECT_EQ(reportPathProblem(dir.path(), user), "it is a directory");
  EXPECT_NE(reportPathProblem(dir.file("none/report.json"), user).find("does not exist"),
            std::string::npos);
  EXPECT_NE(reportPathProblem(dir.file("report.json"), 4322), "");
  chmod(dir.path().c_str(), 0777);
  EXPECT_NE(reportPathProblem(dir.file("report.json"), user), "");
  chmod(dir.path().c_str(), 0700);
  // Root's run trusts only what root alone could have made: not /tmp's.
  EXPECT_NE(reportPathProblem(dir.file("report.json"), 0).find("not root's alone"),
            std::string::npos);
  ASSERT_EQ(chown(dir.path().c_str(), getuid(), -1), 0);

  // A link in the report's place is replaced, never written through.
  writeFile(dir.file("target"), "keep\n");
  ASSERT_EQ(symlink(dir.file("target").c_str(), dir.file("report.json").c_str()), 0);
  ASSERT_TRUE(writeReport(dir.file("report.json"), "{}\n"));
  EXPECT_EQ(readFile(dir.file("report.json")), "{}\n");
  EXPECT_EQ(readFile(dir.file("target")), "keep\n");
  struct stat st;
  ASSERT_EQ(stat(dir.file("report.json").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
