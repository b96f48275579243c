#include "ppd/printer_scan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "unit_support.h"

namespace {

const std::string kModel = "*ModelName: \"Norvik Fjord 21 PXL\"\n";

std::string version(int v) {
  return "*% Lumo version: " + std::to_string(v) + "\n";
}

std::string filler(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i)
    text += "*% filler\n";
  return text;
}

class Scan : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(base.file("etc/cups/ppd")); }
  void ppd(const std::string& name, const std::string& text) {
    writeFile(base.file("etc/cups/ppd/" + name), text);
  }
  // The accepted queues by file name.
  std::map<std::string, PrinterEntry> scan() {
    std::map<std::string, PrinterEntry> found;
    EXPECT_TRUE(readCupsPrinters(log, base.path(), printers));
    // No product PPD directory was settled: only the product's own is looked in.
    QueuePlans queues = planQueues(index, ProductPpdSource{base.path(), "", {}}, printers);
    listInstalledPrinters(log, printers);
    listPpdFilesToInstall(log, queues);
    for (size_t i = 0; i < printers.size(); ++i) {
      const PrinterEntry& e = printers[i];
      EXPECT_EQ(e.index, int(i));
      found[e.ppdPath.substr(e.ppdPath.rfind('/') + 1)] = e;
    }
    return found;
  }
  TempDir base;
  TempLog log;
  ProductPpdIndex index;
  PrinterList printers;
};

TEST_F(Scan, VersionOneAndAPdlWordWithinThirtyReads) {
  ppd("before.ppd", version(1) + kModel);
  ppd("after.ppd", kModel + filler(28) + version(1));  // the 30th read
  ppd("late.ppd", kModel + filler(29) + version(1));   // the 31st
  // 600 characters take three reads: the model line comes 31st.
  ppd("long.ppd", "*%" + std::string(597, 'x') + "\n" + filler(27) + kModel + version(1));
  ppd("two-then-one.ppd", kModel + version(2) + version(1));
  ppd("zero-then-one.ppd", version(0) + kModel + version(1));
  ppd("no-pdl.ppd", "*ModelName: \"Norvik Fjord 21\"\n" + version(1));
  ppd("foreign-first.ppd", "*ModelName: \"Acme 9 PCL\"\n" + version(1) +
                               "*ModelName: \"Norvik Office 24 Duplex PCL\"\n");
  auto found = scan();
  std::vector<std::string> accepted;
  for (const auto& [file, entry] : found)
    accepted.push_back(file);
  EXPECT_EQ(accepted, (std::vector<std::string>{"after.ppd", "before.ppd", "foreign-first.ppd",
                                                "zero-then-one.ppd"}));
  const PrinterEntry& before = found["before.ppd"];
  EXPECT_EQ(before.queueName, "before");
  EXPECT_EQ(before.modelName, "\"Norvik Fjord 21 PXL\"");
  EXPECT_EQ(before.modelId, 112);
  EXPECT_EQ(before.pdlKind, kPdlPxl);
  EXPECT_EQ(found["foreign-first.ppd"].modelId, 260);
  EXPECT_EQ(found["foreign-first.ppd"].pdlKind, kPdlPcl);
}

TEST_F(Scan, QueueNamesAndListings) {
  ppd("Office.ppd", "*ModelName:  \"Norvik LP 1200 Duplex PS\"  \r\n" + version(1));
  ppd("Office.ppd.O", kModel + version(1));  // a backup copy counts too
  ppd("Office.ppd.O.a1B2c3", kModel + version(1));  // what a killed run staged does not
  ppd(std::string(80, 'q') + ".ppd", kModel + version(1));
  ppd(std::string(79, 'r') + ".ppd", kModel + version(1));
  auto found = scan();
  EXPECT_EQ(printers.size(), 3u);
  EXPECT_EQ(found["Office.ppd.O"].queueName, "Office");
  EXPECT_EQ(found[std::string(79, 'r') + ".ppd"].queueName, std::string(79, 'r'));
  std::string text = log.text();
  EXPECT_NE(text.find("Queue name longer than 79 characters passed over: '" +
                      base.file("etc/cups/ppd/" + std::string(80, 'q') + ".ppd'.")),
            std::string::npos);
  EXPECT_NE(text.find("List of Norvik Printers installed: 3.\n"), std::string::npos);
  EXPECT_NE(text.find("Printer : Office.\n\tPPD File: " + base.file("etc/cups/ppd/Office.ppd") +
                      ".\n\tModel   : \"Norvik LP 1200 Duplex PS\".\n\tNorvik ID: 1.\n"
                      "\tPDL     : PostScript.\n"),
            std::string::npos) << text;
  EXPECT_NE(text.find("List of Norvik PPD files to install: 3.\nPrinter : "), std::string::npos);
}

TEST_F(Scan, ReadingPartAloneLogsNoListing) {
  ppd("Office.ppd", kModel + version(1));
  ppd("Next.ppd", kModel + version(2));
  EXPECT_TRUE(readCupsPrinters(log, base.path(), printers));
  ASSERT_EQ(printers.size(), 1u);
  EXPECT_EQ(printers[0].queueName, "Office");
  EXPECT_EQ(log.text().find("List of"), std::string::npos);
}

TEST(ScanDir, CupsPpdDirUnderTheBaseDir) {
  EXPECT_EQ(cupsPpdDir(""), "/etc/cups/ppd");
  EXPECT_EQ(cupsPpdDir("/"), "/etc/cups/ppd");
  EXPECT_EQ(cupsPpdDir("/srv/cups"), "/srv/cups/etc/cups/ppd");
  TempLog log;
  PrinterList printers(2);
  EXPECT_FALSE(readCupsPrinters(log, "/nonexistent-base", printers));
  EXPECT_TRUE(printers.empty());
}

}  // namespace

// The queue comes from the file name given, the PPD path is kept as given.
TEST(ScanStream, QueueFromTheNameGiven) {
  TempLog log;
  ModelMatcher matcher;
  PrinterList printers;
  std::string text = version(1) + kModel;
  FILE* in = fmemopen(text.data(), text.size(), "r");
  ASSERT_TRUE(in);
  scanPpdStream(log, matcher, in, "/spool/x.ppd", "Hall.ppd.O", kOldPpdVersion, printers);
  std::fclose(in);
  ASSERT_EQ(printers.size(), 1u);
  EXPECT_EQ(printers[0].queueName, "Hall");
  EXPECT_EQ(printers[0].ppdPath, "/spool/x.ppd");
  EXPECT_EQ(printers[0].pdlKind, kPdlPxl);
}
