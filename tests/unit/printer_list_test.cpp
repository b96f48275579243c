#include "ppd/printer_list.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "unit_support.h"

namespace {

// The queue names in list order; every entry's index is its place.
std::vector<std::string> names(const PrinterList& printers) {
  std::vector<std::string> result;
  for (size_t i = 0; i < printers.size(); ++i) {
    EXPECT_EQ(printers[i].index, int(i));
    result.push_back(printers[i].queueName);
  }
  return result;
}

class InfoPrinters : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0)
      GTEST_SKIP() << "the information file is taken only from where root alone writes";
  }
  bool read(const std::string& block, int kind = 2) {
    writeFile(dir.file(kind == 1 ? "lumoInfo2.0" : "lumoInfo4.0"), block);
    return readInfoPrinters(log, dir.path(), kind, printers);
  }
  TempDir dir{TempDir::kRootOnly};
  TempLog log;
  PrinterList printers;
};

TEST_F(InfoPrinters, ReadsTheBlockInOrder) {
  EXPECT_TRUE(read("#\n%%ORBBLOCK_PRINTERS_BEGIN  \nDefault\nlab1  \nlab2\n"
                   "%%ORBBLOCK_PRINTERS_END\nafter\n"));
  // Trailing blanks and line feeds are no part of a name.
  EXPECT_EQ(names(printers), (std::vector<std::string>{"Default", "lab1", "lab2"}));
  // Reading again replaces the list rather than growing it.
  EXPECT_TRUE(read("%%ORBBLOCK_PRINTERS_BEGIN\nDefault\nx\n"));
  EXPECT_EQ(names(printers), (std::vector<std::string>{"Default", "x"}));
}

TEST_F(InfoPrinters, KindOneReadsTheEarlierGeneration) {
  EXPECT_TRUE(read("%%ORBBLOCK_PRINTERS_BEGIN\nold\n%%ORBBLOCK_PRINTERS_END\n", 1));
  EXPECT_EQ(names(printers), (std::vector<std::string>{"old"}));
}

TEST_F(InfoPrinters, EmptyBlockCountsZeroAndMissingBlockChangesNothing) {
  EXPECT_TRUE(read("%%ORBBLOCK_PRINTERS_BEGIN\nq\n"));
  EXPECT_TRUE(read("%%ORBBLOCK_PRINTERS_BEGIN\n%%ORBBLOCK_PRINTERS_END\n"));
  EXPECT_TRUE(printers.empty());
  printers.resize(5);
  EXPECT_FALSE(read("%%ORBBLOCK_PRINTERS_BEGIN\t\nq\n"));
  EXPECT_FALSE(read("%%ORBBLOCK_PRINTERS_BEGIN\r\nq\n"));
  EXPECT_EQ(printers.size(), 5u);
  EXPECT_FALSE(readInfoPrinters(log, dir.path(), 1, printers));  // no lumoInfo2.0
  EXPECT_EQ(printers.size(), 5u);
}

TEST_F(InfoPrinters, OverlongQueueNameIsRefusedWhole) {
  std::string name79(79, 'q');
  std::string block = "%%ORBBLOCK_PRINTERS_BEGIN\nDefault\n" + std::string(80, 'x') + "\n" +
                      std::string(300, 'y') + "short\n" + name79 + "\n\n%%ORBBLOCK_PRINTERS_END\n";
  EXPECT_TRUE(read(block));
  std::string text = log.text();
  EXPECT_EQ(names(printers), (std::vector<std::string>{"Default", name79, ""}));
  EXPECT_NE(text.find("Queue name longer than 79 characters refused: 'xxx"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("short"), std::string::npos);
}

}  // namespace
