#include "ppd/queue_plan.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "ppd/printer_scan.h"
#include "unit_support.h"

namespace {

const std::string kBuilt = LUMO_PRODUCT_PPD_DIR;

// A package in a directory of its own (its ppd/ holding one product PPD),
// a product PPD directory and a CUPS PPD directory of queues on older PPDs.
class QueuePlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0)
      GTEST_SKIP() << "product PPDs are taken only from where root alone writes";
    for (const char* dir : {"package/ppd", "product", "etc/cups/ppd"})
      std::filesystem::create_directories(top.file(dir));
    product = readFile(kBuilt + "/nlp12dps.ppd");
    writeFile(top.file("package/ppd/nlp12dps.ppd"), product);
    source = {top.file("package"), top.file("product"), {}};
  }
  // A queue's PPD file of the older generation, with one default changed.
  void queue(const std::string& file, const std::string& text = "") {
    std::string old = replaced(text.empty() ? product : text, "*% Lumo version: 4",
                               "*% Lumo version: 1");
    writeFile(top.file("etc/cups/ppd/" + file),
              replaced(old, "*DefaultPageSize: A4", "*DefaultPageSize: Letter"));
  }
  QueuePlans plan() {
    PrinterList printers;
    EXPECT_TRUE(readCupsPrinters(log, top.path(), printers));
    return planQueues(index, source, printers);
  }
  TempDir top{TempDir::kRootOnly};
  TempLog log;
  ProductPpdIndex index;
  ProductPpdSource source;
  std::string product;
};

// A queue gets the copy the run installs of the package's file, planned
// before that copy exists; CUPS's older copy is a file of the same queue,
// after the queue's own PPD.
TEST_F(QueuePlanTest, TheInstalledCopyOfThePackagesFileOneEntryPerQueue) {
  std::string installed = top.file("product/nlp12dps.ppd");
  source.installs[top.file("package/ppd/nlp12dps.ppd")] = installed;
  queue("Office.ppd.O");
  queue("Office.ppd");
  QueuePlans queues = plan();
  ASSERT_EQ(queues.size(), 1u);
  const QueuePlan& office = queues[0];
  EXPECT_EQ(office.action, QueueAction::kUpdate);
  ASSERT_EQ(office.files.size(), 2u);
  EXPECT_EQ(office.files[0].printer.ppdPath, top.file("etc/cups/ppd/Office.ppd"));
  for (const QueueFile& file : office.files) {
    EXPECT_EQ(file.productPpd, installed);
    EXPECT_EQ(file.packagePpd, top.file("package/ppd/nlp12dps.ppd"));
    EXPECT_EQ(file.stamp, stampOf(file.printer.ppdPath));
  }
  const DefaultDecision& pageSize = office.files[0].defaults.front();
  EXPECT_EQ(pageSize.keyword, "PageSize");
  EXPECT_EQ(pageSize.newChoice, "Letter");
  EXPECT_EQ(pageSize.kind, DefaultKind::kCarried);
  EXPECT_EQ(log.text(), "");  // planning is silent: the run logs as it goes
}

// After a live update the scheduler keeps the queue's earlier PPD as
// Q.ppd.O; with the queue's own PPD current, a rerun has nothing to move.
TEST_F(QueuePlanTest, CupsBackupOfACurrentQueueIsLeftAlone) {
  queue("Office.ppd.O");
  writeFile(top.file("etc/cups/ppd/Office.ppd"), product);
  queue("Hall.ppd.O");
  queue("Hall.ppd");
  QueuePlans queues = plan();
  ASSERT_EQ(queues.size(), 1u);
  EXPECT_EQ(queues[0].name, "Hall");
  EXPECT_EQ(queues[0].files.size(), 2u);
}

// Without an installed copy, a file already in the product PPD directory
// serves only when it is the package's, byte for byte.
TEST_F(QueuePlanTest, AFileInTheProductDirectoryMustBeThePackages) {
  queue("Office.ppd");
  writeFile(top.file("product/nlp12dps.ppd"), product);
  QueuePlans queues = plan();
  EXPECT_EQ(queues[0].action, QueueAction::kUpdate);
  EXPECT_EQ(queues[0].files[0].productPpd, top.file("product/nlp12dps.ppd"));

  writeFile(top.file("product/nlp12dps.ppd"), product + "*% changed\n");
  queues = plan();
  EXPECT_EQ(queues[0].action, QueueAction::kKeep);
  EXPECT_EQ(queues[0].why.reason, Reason::kNotPackageFile);
  EXPECT_TRUE(queues[0].files[0].defaults.empty());

  // The package's own file, where the product directory has none.
  std::filesystem::remove(top.file("product/nlp12dps.ppd"));
  queues = plan();
  EXPECT_EQ(queues[0].files[0].productPpd, top.file("package/ppd/nlp12dps.ppd"));
}

// A product PPD in a place others can write is no product PPD, even the
// package's own file, which cannot vouch for itself.
TEST_F(QueuePlanTest, OnlyFromPlacesRootAloneWrites) {
  queue("Office.ppd");
  chmod(top.file("package/ppd").c_str(), 0777);
  QueuePlans queues = plan();
  EXPECT_EQ(queues[0].action, QueueAction::kKeep);
  EXPECT_EQ(queues[0].why.reason, Reason::kUntrusted);
  EXPECT_NE(queues[0].why.text.find("can be written by group or others"), std::string::npos);
}

TEST_F(QueuePlanTest, KeptForAModelWithoutProductPpdOrAnUnreadableOne) {
  std::string other = product;
  for (size_t at; (at = other.find("LP 1200 Duplex PS")) != std::string::npos;)
    other.replace(at, 17, "LP 1400 PS");
  queue("Orphan.ppd", other);
  queue("Office.ppd");
  // Without its first line the package's file is no PPD libcups reads.
  writeFile(top.file("package/ppd/nlp12dps.ppd"), product.substr(product.find('\n') + 1));
  QueuePlans queues = plan();
  ASSERT_EQ(queues.size(), 2u);
  for (const QueuePlan& queue : queues) {
    EXPECT_EQ(queue.action, QueueAction::kKeep) << queue.name;
    Reason expected = queue.name == "Orphan" ? Reason::kNoProductPpd : Reason::kUnreadablePpd;
    EXPECT_EQ(queue.why.reason, expected) << queue.name;
    EXPECT_FALSE(isFault(Reason::kNoProductPpd));
  }
}

}  // namespace
