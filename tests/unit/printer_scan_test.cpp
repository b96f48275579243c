#include "ppd/printer_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "driver/run_settings.h"
#include "ppd/ppd_locations.h"
#include "unit_support.h"

namespace {

const std::string kPxlModel = "*ModelName: \"Norvik Fjord 21 PXL\"\n";
const std::string kPsModel = "*ModelName: \"Norvik LP 1200 Duplex PS\"\n";

std::string version(int v) {
  return "*% Lumo version: " + std::to_string(v) + "\n";
}

std::string lines(int n) {
  std::string text;
  for (int i = 0; i < n; ++i)
    text += "*% filler\n";
  return text;
}

class Scan : public ::testing::Test {
 protected:
  void SetUp() override {
    run = RunSettings();
    run.cupsBaseDir = base.path();
    ppdInstallDir = base.file("product");
    mkdir(ppdInstallDir.c_str(), 0755);
    for (const char* sub : {"/etc", "/etc/cups", "/etc/cups/ppd"})
      mkdir((base.path() + sub).c_str(), 0755);
  }
  void TearDown() override {
    initPrinterList(&printerList);
    ppdInstallDir.clear();
  }
  void ppd(const std::string& name, const std::string& text) {
    writeFile(base.path() + "/etc/cups/ppd/" + name, "*PPD-Adobe: \"4.3\"\n" + text);
  }
  // The accepted queues by file name, after a scan.
  std::map<std::string, PrinterEntry> scan() {
    int result = scanCupsPrinters(&printerList, count);
    EXPECT_EQ(result, count > 0 ? 1 : 0);
    std::map<std::string, PrinterEntry> found;
    PrinterEntry* e = &printerList;
    for (int i = 0; i < count; ++i, e = e->next) {
      EXPECT_EQ(e->index, i);
      std::string file = e->ppdPath.substr(e->ppdPath.rfind('/') + 1);
      found[file] = *e;
    }
    EXPECT_EQ(e, &printerList);  // the ring holds exactly count entries
    return found;
  }
  TempDir base;
  TempLog log;
  int count = -1;
};

TEST_F(Scan, VersionOneAndAPdlWordWithinThirtyReads) {
  ppd("before.ppd", version(1) + kPxlModel);
  ppd("after.ppd", kPsModel + lines(20) + version(1));
  ppd("two-then-one.ppd", kPxlModel + version(2) + version(1));
  ppd("zero-then-one.ppd", version(0) + kPxlModel + version(1));
  ppd("twelve.ppd", kPxlModel + "*% Lumo version: 12\n");
  ppd("quoted.ppd", kPxlModel + "*% Lumo version: \"1\"\n");
  // After the header line and the model line: the version in the 31st
  // read, and in the 30th.
  ppd("late-version.ppd", kPxlModel + lines(28) + version(1));
  ppd("in-time.ppd", kPxlModel + lines(27) + version(1));
  ppd("no-pdl.ppd", "*ModelName: \"Norvik Fjord 21\"\n" + version(1));
  ppd("foreign-then-ours.ppd",
      "*ModelName: \"Acme 9 PCL\"\n" + version(1) + "*ModelName: \"Norvik Office 24 Duplex PCL\"\n");
  ppd("model-only.ppd", kPxlModel);
  // 600 characters take three reads: the header, nine such lines and the
  // two wanted ones make 30 reads; ten such lines alone make 30.
  std::string longLine = "*%" + std::string(597, 'x') + "\n";
  std::string nine;
  for (int i = 0; i < 9; ++i)
    nine += longLine;
  ppd("long-lines-ok.ppd", nine + kPxlModel + version(1));
  writeFile(base.path() + "/etc/cups/ppd/long-lines-late.ppd",
            nine + longLine + kPxlModel + version(1));
  mkdir((base.path() + "/etc/cups/ppd/a-directory.ppd").c_str(), 0755);

  auto found = scan();
  std::vector<std::string> accepted;
  for (const auto& [file, entry] : found)
    accepted.push_back(file);
  EXPECT_EQ(accepted, (std::vector<std::string>{"after.ppd", "before.ppd", "foreign-then-ours.ppd",
                                                "in-time.ppd", "long-lines-ok.ppd", "twelve.ppd",
                                                "zero-then-one.ppd"}));
  EXPECT_EQ(count, 7);
  const PrinterEntry& before = found["before.ppd"];
  EXPECT_EQ(before.queueName, "before");
  EXPECT_EQ(before.modelName, "\"Norvik Fjord 21 PXL\"");
  EXPECT_EQ(before.modelId, 112);
  EXPECT_EQ(before.pdlKind, kPdlPxl);
  EXPECT_EQ(before.ppdPath, base.path() + "/etc/cups/ppd/before.ppd");
  EXPECT_EQ(found["after.ppd"].pdlKind, kPdlPostScript);
  EXPECT_EQ(found["after.ppd"].modelId, 1);
  EXPECT_EQ(found["foreign-then-ours.ppd"].modelId, 260);
  EXPECT_EQ(found["foreign-then-ours.ppd"].pdlKind, kPdlPcl);
}

TEST_F(Scan, BackupCopiesAndQueueNames) {
  ppd("Office.ppd", kPsModel + version(1));
  ppd("Office.ppd.O", kPsModel + version(1));
  ppd(".hidden.ppd", kPsModel + version(1));
  ppd(std::string(80, 'q') + ".ppd", kPsModel + version(1));
  ppd(std::string(79, 'r') + ".ppd", kPsModel + version(1));
  auto found = scan();
  EXPECT_EQ(count, 4);
  EXPECT_EQ(found["Office.ppd"].queueName, "Office");
  EXPECT_EQ(found["Office.ppd.O"].queueName, "Office");
  EXPECT_EQ(found[".hidden.ppd"].queueName, ".hidden");
  EXPECT_EQ(found[std::string(79, 'r') + ".ppd"].queueName, std::string(79, 'r'));
  EXPECT_NE(log.text().find("Queue name longer than 79 characters passed over: '" + base.path() +
                            "/etc/cups/ppd/" + std::string(80, 'q') + ".ppd'."),
            std::string::npos);
}

TEST_F(Scan, ListingsOfPrintersAndTheirProductPpds) {
  ppd("Office.ppd", "*ModelName:  \"Norvik LP 1200 Duplex PS\"  \r\n" + version(1));
  writeFile(ppdInstallDir + "/new.ppd", "*ModelName: \"Norvik LP 1200 Duplex PS\"\n");
  scan();
  ASSERT_EQ(count, 1);
  EXPECT_EQ(printerList.modelName, "\"Norvik LP 1200 Duplex PS\"");  // trimmed in place
  std::string expected =
      "List of Norvik Printers installed: 1.\n"
      "Printer : Office.\n"
      "\tPPD File: " + base.path() + "/etc/cups/ppd/Office.ppd.\n"
      "\tModel   : \"Norvik LP 1200 Duplex PS\".\n"
      "\tNorvik ID: 1.\n"
      "\tPDL     : PostScript.\n"
      "List of Norvik PPD files to install: 1.\n"
      "Printer : Office.\n"
      "Getting PPD from directory: " + ppdInstallDir + "\n"
      "PPD = " + ppdInstallDir + "/new.ppd.\n";
  EXPECT_NE(log.text().find(expected), std::string::npos) << log.text();
}

TEST_F(Scan, ListingWithoutPrintersOrProductPpd) {
  scan();
  EXPECT_EQ(count, 0);
  std::string text = log.text();
  EXPECT_NE(text.find("List of Norvik Printers installed: 0.\n"
                      "List of Norvik PPD files to install: 0.\n"),
            std::string::npos) << text;

  PrinterEntry head;
  head.modelName = "\"Norvik Fjord 21 PXL\"";
  head.pdlKind = kPdlPxl;
  head.modelId = 112;
  listPpdFilesToInstall(base.file("none"), &head, 1);
  EXPECT_NE(log.text().find("Printer : unknown.\n"
                            "Getting PPD from directory: " + base.file("none") + "\n"
                            "Getting PPD from directory: /opt/oxa/ppd\n"),
            std::string::npos) << log.text();
  EXPECT_NE(log.text().find("PPD NOT FOUND!\n"), std::string::npos);
}

TEST(ScanDir, CupsPpdDirUnderTheBaseDir) {
  run = RunSettings();
  EXPECT_EQ(cupsPpdDir(), "/etc/cups/ppd");
  run.cupsBaseDir = "/";
  EXPECT_EQ(cupsPpdDir(), "/etc/cups/ppd");
  run.cupsBaseDir = "/srv/cups";
  EXPECT_EQ(cupsPpdDir(), "/srv/cups/etc/cups/ppd");
  run.cupsBaseDir = "/nonexistent-base";
  int count = -1;
  EXPECT_EQ(scanCupsPrinters(&printerList, count), 0);
  EXPECT_EQ(count, 0);
}

}  // namespace
