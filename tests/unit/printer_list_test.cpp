#include "ppd/printer_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "driver/run_settings.h"
#include "unit_support.h"

namespace {

std::vector<std::string> names(PrinterEntry* head, int count) {
  std::vector<std::string> result;
  PrinterEntry* e = head;
  for (int i = 0; i < count; ++i, e = e->next) {
    EXPECT_EQ(e->index, i);
    result.push_back(e->queueName);
  }
  return result;
}

class InfoPrinters : public ::testing::Test {
 protected:
  void SetUp() override {
    run = RunSettings();
    run.installDir = dir.path();
    initPrinterList(&printerList);
    printerCount = -7;
  }
  void TearDown() override { initPrinterList(&printerList); }
  int read(const std::string& block, int kind = 2) {
    writeFile(dir.file(kind == 1 ? "lumoInfo2.0" : "lumoInfo4.0"), block);
    return readInfoPrinters(kind, &printerList);
  }
  TempDir dir;
};

TEST(PrinterList, AppendKeepsRingAndOrder) {
  PrinterEntry head;
  PrinterEntry* a = new PrinterEntry;
  addPList(&head, a);
  EXPECT_TRUE(head.next == a && head.prev == a && a->next == &head && a->prev == &head);
  PrinterEntry* b = new PrinterEntry;
  addPList(&head, b);
  EXPECT_TRUE(a->next == b && b->prev == a && b->next == &head && head.prev == b);
  head.queueName = "kept";
  clearPrinterList(&head);
  EXPECT_TRUE(head.next == &head && head.prev == &head);
  EXPECT_EQ(head.queueName, "kept");
  initPrinterList(&head);
  EXPECT_EQ(head.queueName, "");
  EXPECT_TRUE(head.next == &head && head.prev == &head);
}

TEST(PrinterListDeath, AppendWithoutHeadIsFatal) {
  PrinterEntry entry;
  EXPECT_EXIT(addPList(nullptr, &entry), ::testing::ExitedWithCode(1), "addPList\\(NULL,...\\) Error!");
}

TEST(PrinterList, TrimLineEnd) {
  std::string text = "abc  \n \n";
  trimLineEnd(text, 256);
  EXPECT_EQ(text, "abc");
  text = "abc\r\n";
  trimLineEnd(text, 256);
  EXPECT_EQ(text, "abc\r");
  text = "abcdef   ";
  trimLineEnd(text, 4);
  EXPECT_EQ(text, "abcd");
  text = "   ";
  trimLineEnd(text, 256);
  EXPECT_EQ(text, "");
}

TEST_F(InfoPrinters, ReadsTheBlockInOrder) {
  EXPECT_EQ(read("#\n%%ORBBLOCK_PRINTERS_BEGIN  \nDefault\nlab1\nlab2\n%%ORBBLOCK_PRINTERS_END\n"
                 "after\n"),
            1);
  EXPECT_EQ(printerCount, 3);
  EXPECT_EQ(names(&printerList, 3), (std::vector<std::string>{"Default", "lab1", "lab2"}));
  // Reading again replaces the list rather than growing it.
  EXPECT_EQ(read("%%ORBBLOCK_PRINTERS_BEGIN\nDefault\nx\n"), 1);
  EXPECT_EQ(printerCount, 2);
}

TEST_F(InfoPrinters, KindOneReadsTheEarlierGeneration) {
  EXPECT_EQ(read("%%ORBBLOCK_PRINTERS_BEGIN\nold\n%%ORBBLOCK_PRINTERS_END\n", 1), 1);
  EXPECT_EQ(printerCount, 1);
  EXPECT_EQ(printerList.queueName, "old");
}

TEST_F(InfoPrinters, EmptyBlockCountsZeroAndMissingBlockChangesNothing) {
  EXPECT_EQ(read("%%ORBBLOCK_PRINTERS_BEGIN\n%%ORBBLOCK_PRINTERS_END\n"), 1);
  EXPECT_EQ(printerCount, 0);
  printerCount = 5;
  EXPECT_EQ(read("%%ORBBLOCK_PRINTERS_BEGIN\t\nq\n"), 0);
  EXPECT_EQ(read("%%ORBBLOCK_PRINTERS_BEGIN\r\nq\n"), 0);
  EXPECT_EQ(printerCount, 5);
  EXPECT_EQ(readInfoPrinters(1, &printerList), 0);  // no lumoInfo2.0
}

TEST_F(InfoPrinters, OverlongQueueNameIsRefusedWhole) {
  std::string name79(79, 'q');
  std::string block = "%%ORBBLOCK_PRINTERS_BEGIN\nDefault\n" + std::string(80, 'x') + "\n" +
                      std::string(300, 'y') + "short\n" + name79 + "\n\n%%ORBBLOCK_PRINTERS_END\n";
  testing::internal::CaptureStderr();
  EXPECT_EQ(read(block), 1);
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(names(&printerList, printerCount), (std::vector<std::string>{"Default", name79, ""}));
  EXPECT_NE(log.find("Queue name longer than 79 characters refused: 'xxx"), std::string::npos);
  EXPECT_EQ(log.find("short"), std::string::npos);
}

}  // namespace
