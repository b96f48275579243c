#include "ppd/undo_plan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "ppd/printer_scan.h"
#include "ppd/printer_update.h"
#include "unit_support.h"

namespace {

const std::string kBuilt = LUMO_PRODUCT_PPD_DIR;

// A queue on the product's PPD, as an update left it, and its backup.
class UndoPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0)
      GTEST_SKIP() << "product PPDs are taken only from where root alone writes";
    for (const char* dir : {"package/ppd", "etc/cups/ppd"})
      std::filesystem::create_directories(top.file(dir));
    product = readFile(kBuilt + "/nlp12dps.ppd");
    writeFile(top.file("package/ppd/nlp12dps.ppd"), product);
    // The earlier PPD: Letter, and a tray the product no longer offers.
    std::string earlier = replaced(product, "*% Lumo version: 4", "*% Lumo version: 1");
    earlier = replaced(earlier, "*DefaultPageSize: A4", "*DefaultPageSize: Letter");
    earlier = replaced(earlier, "*DefaultInputSlot: Auto",
                       "*DefaultInputSlot: Tray9\n*InputSlot Tray9/Tray9: \"\"");
    writeFile(top.file("etc/cups/Q.ppd.rpmsave"), earlier);
    // What the update wrote (Letter carried, the product's Auto), with
    // the page size an administrator chose since.
    writeFile(top.file("etc/cups/ppd/Q.ppd"),
              replaced(product, "*DefaultPageSize: A4", "*DefaultPageSize: Legal"));
  }
  QueuePlans plan() {
    PrinterList printers;
    EXPECT_TRUE(readCupsPrinters(log, top.path(), printers, kProductPpdVersion));
    return planUndo(index, ProductPpdSource{top.file("package"), "", {}}, printers);
  }
  TempDir top{TempDir::kRootOnly};
  TempLog log;
  ProductPpdIndex index;
  std::string product;
};

// Only what was chosen since the update is carried back; everything else
// is the earlier PPD's own (its Tray9 included).
TEST_F(UndoPlanTest, CarriesBackOnlyWhatWasChosenSinceTheUpdate) {
  QueuePlans queues = plan();
  ASSERT_EQ(queues.size(), 1u);
  const QueueFile& file = queues[0].files[0];
  EXPECT_EQ(queues[0].action, QueueAction::kUpdate);
  EXPECT_TRUE(file.undo);
  EXPECT_EQ(file.productPpd, top.file("etc/cups/Q.ppd.rpmsave"));
  ASSERT_EQ(file.defaults.size(), 1u);
  EXPECT_EQ(file.defaults[0].keyword, "PageSize");
  EXPECT_EQ(file.defaults[0].newChoice, "Legal");
  EXPECT_EQ(file.defaults[0].kind, DefaultKind::kCarried);
  EXPECT_EQ(keptCurrentName(file.printer.ppdPath, "Q"), top.file("etc/cups/Q.ppd.lumo4"));
}

TEST_F(UndoPlanTest, NothingToUndoToIsKeptWithItsReason) {
  writeFile(top.file("etc/cups/Q.ppd.rpmsave"), "*PPD-Adobe: \"4.3\"\n*ModelName: \"Acme 9\"\n");
  QueuePlans queues = plan();
  EXPECT_EQ(queues[0].action, QueueAction::kKeep);
  EXPECT_EQ(queues[0].why.reason, Reason::kNoBackup);
  std::filesystem::remove(top.file("etc/cups/Q.ppd.rpmsave"));
  EXPECT_EQ(plan()[0].why.reason, Reason::kNoBackup);
  EXPECT_FALSE(isFault(Reason::kNoBackup));
}

}  // namespace
