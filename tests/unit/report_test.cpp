#include "app/report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "unit_support.h"

namespace {

QueueResult queue(const char* name, bool updated, const char* reason) {
  QueueResult result;
  result.queue = name;
  result.updated = updated;
  result.reason = reason;
  return result;
}

TEST(RunRecord, ExitStatusTellsTheOutcome) {
  RunRecord record;
  Installation installation;
  EXPECT_EQ(outcomeStatus(record, installation), 1);  // stopped
  record.outcome = Outcome::kDeclined;
  EXPECT_EQ(outcomeStatus(record, installation), 1);
  record.outcome = Outcome::kInstalled;
  installation.copies = {CopyState::kCopied, CopyState::kSkipped};
  record.queues = {queue("A", true, ""), queue("B", false, kDeclinedReason),
                   queue("C", false, kBrokenOffReason)};
  EXPECT_EQ(outcomeStatus(record, installation), 0);  // the administrator's choices
  record.queues.push_back(queue("D", false, "no backup of its PPD"));
  EXPECT_EQ(outcomeStatus(record, installation), 2);
  record.queues.pop_back();
  installation.copies.push_back(CopyState::kFailed);
  EXPECT_EQ(outcomeStatus(record, installation), 2);
  record.outcome = Outcome::kPreview;
  installation.copies.clear();
  EXPECT_EQ(outcomeStatus(record, installation), 0);
}

TEST(Report, HoldsEachQueueAndFileAndWritesWhole) {
  RunRecord record;
  record.outcome = Outcome::kUpgraded;
  QueueResult office = queue("Office", true, "");
  office.defaults = {{"PageSize", "A4", 1}, {"InputSlot", "Tray3", 2}};
  office.carried = {{"PageSize", "A4", 1}};
  record.queues = {office, queue("Lab", false, "no product PPD for its model")};
  record.restarts = {0, 256};
  Facts facts;
  facts.spoolerKind = kSpoolerCups;
  facts.cupsVersion = 2420;
  Installation installation;
  installation.dir = "/opt/oxa";
  installation.manifest = {{"bin/setup", "./bin", 0755}, {"doc/x", ".", 0644}};
  installation.copies = {CopyState::kCopied, CopyState::kFailed};

  nlohmann::json report =
      nlohmann::json::parse(reportText(record, facts, installation, "/var/log/L"));
  EXPECT_EQ(report["outcome"], "upgraded");
  EXPECT_EQ(report["exitStatus"], 2);
  EXPECT_EQ(report["spooler"], "CUPS");
  EXPECT_EQ(report["cups"]["version"], 2420);
  EXPECT_EQ(report["files"][1]["result"], "failed");
  EXPECT_EQ(report["files"][0]["mode"], 0755);
  EXPECT_EQ(report["queues"][0]["carried"], nlohmann::json({{"PageSize", "A4"}}));
  EXPECT_EQ(report["queues"][0]["notCarried"], nlohmann::json({{"InputSlot", "Tray3"}}));
  EXPECT_EQ(report["queues"][1]["reason"], "no product PPD for its model");
  EXPECT_FALSE(report["queues"][0].contains("reason"));
  EXPECT_EQ(report["restarts"], nlohmann::json({0, 256}));
  EXPECT_FALSE(report.contains("reason"));

  TempDir dir;
  // A link in the report's place is replaced, never written through.
  writeFile(dir.file("target"), "keep\n");
  ASSERT_EQ(symlink(dir.file("target").c_str(), dir.file("report.json").c_str()), 0);
  ASSERT_TRUE(writeReport(dir.file("report.json"), "{}\n"));
  EXPECT_EQ(readFile(dir.file("report.json")), "{}\n");
  EXPECT_EQ(readFile(dir.file("target")), "keep\n");
  EXPECT_FALSE(writeReport(dir.file("none/report.json"), "{}\n"));
}

}  // namespace
