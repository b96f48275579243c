#include "ppd/printer_update.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "base/answer.h"
#include "ppd/printer_config.h"
#include "unit_support.h"

namespace {

TEST(PrinterUpdate, BackupName) {
  EXPECT_EQ(backupName("/etc/cups/ppd/Office.ppd", "Office"), "/etc/cups/Office.ppd.rpmsave");
  EXPECT_EQ(backupName("/srv/ppdroot/etc/cups/ppd/Q.ppd", "Q"), "/srv/Q.ppd.rpmsave");
  EXPECT_EQ(backupName("/x/Q.ppd", "Q"), "/x/Q.ppdQ.ppd.rpmsave");
  // CUPS's older copy beside the queue's PPD has a backup of its own.
  EXPECT_EQ(backupName("/etc/cups/ppd/Office.ppd.O", "Office"), "/etc/cups/Office.ppd.O.rpmsave");
}

TEST(PrinterUpdate, BackupAndReplacementLogTheirCopies) {
  TempLog log;
  TempDir dir;
  std::filesystem::create_directory(dir.file("ppd"));
  std::string ppd = dir.file("ppd/Q.ppd");
  writeFile(ppd, "old\n");
  chmod(ppd.c_str(), 0640);
  writeFile(dir.file("new"), "new\n");
  EXPECT_TRUE(backupPPD(log, ppd, "Q"));
  EXPECT_TRUE(replacePPD(log, ppd, dir.file("new")));
  EXPECT_FALSE(replacePPD(log, dir.file("gone/Q.ppd"), dir.file("new")));

  EXPECT_EQ(readFile(dir.file("Q.ppd.rpmsave")), "old\n");
  EXPECT_EQ(readFile(ppd), "new\n");
  struct stat st;
  stat(ppd.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  std::string text = log.text();
  for (std::string line : {"saving " + ppd + " to " + dir.file("Q.ppd.rpmsave") + ": result=0\n",
                           "Copying " + dir.file("new") + " to " + ppd + ": result=0\n",
                           "Copying " + dir.file("new") + " to " + dir.file("gone/Q.ppd") +
                               ": result=-1\nCannot copy " + dir.file("new") + " to " +
                               dir.file("gone/Q.ppd") + ": No such file or directory.\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
}

// The temporary directory of a test, given to the code as TMPDIR.
class TmpDirEnv {
 public:
  TmpDirEnv() { setenv("TMPDIR", dir.path().c_str(), 1); }
  ~TmpDirEnv() { unsetenv("TMPDIR"); }
  TempDir dir;
};

// The build's product PPD files stand for the package's: <dir>/ppd/<name>.
const std::string kPackage = std::string(LUMO_PRODUCT_PPD_DIR) + "/..";

TEST(PrinterUpdate, GzippedProductDecompressedACutOneRefused) {
  TempLog log;
  TempDir package;
  TmpDirEnv tmp;
  std::string products = package.file("ppd");
  std::filesystem::create_directory(products);
  std::string product = products + "/nlp12pc.ppd.gz";
  std::string packed = readFile(std::string(LUMO_PRODUCT_PPD_DIR) + "/nlp12pc.ppd.gz");
  writeFile(product, packed);
  PrinterEntry printer;
  printer.queueName = "Q";
  printer.modelName = "\"Norvik LP 1200 PCL\"";
  printer.pdlKind = kPdlPcl;
  printer.modelId = 2;
  ProductPpdIndex index;
  OptionList options;
  std::string newName;

  ASSERT_TRUE(installNewPPD(log, index, products, kPackage, options, printer, newName));
  // Its default lines are already in the written form: the copy is the
  // product's text, whole.
  EXPECT_EQ(readFile(newName), gunzip(product));
  unlink(newName.c_str());

  // Cut in the middle: the model line still reads, the rest does not.  It
  // is not the package's file, so it is not even opened.
  writeFile(product, packed.substr(0, packed.size() / 2));
  EXPECT_FALSE(installNewPPD(log, index, products, kPackage, options, printer, newName));
  EXPECT_EQ(newName, "");
  EXPECT_NE(log.text().find("Product PPD " + product + " is not the same as the package's " +
                            kPackage + "/ppd/nlp12pc.ppd.gz: not used.\n"),
            std::string::npos) << log.text();
  EXPECT_EQ(log.text().find("Problem decompressing"), std::string::npos);
  // The package's own file cut the same way fails in the decompression.
  EXPECT_FALSE(
      installNewPPD(log, index, products, package.path(), options, printer, newName));
  EXPECT_NE(log.text().find("Problem decompressing: " + tmp.dir.path() + "/orbin"),
            std::string::npos) << log.text();
  EXPECT_TRUE(std::filesystem::is_empty(tmp.dir.path()));

  // A product PPD the package lacks proves nothing either.
  std::string stray = products + "/stray.ppd.gz";
  std::filesystem::rename(product, stray);
  EXPECT_FALSE(installNewPPD(log, index, products, kPackage, options, printer, newName));
  EXPECT_NE(log.text().find("Product PPD " + stray +
                            " has no copy in the package to check it against: not used.\n"),
            std::string::npos) << log.text();
}

TEST(PrinterUpdate, ALinkAtTheConfigurationIsNeitherReadNorWrittenThrough) {
  TempLog log;
  TempDir dir;
  std::string victim = dir.file("shadow");
  writeFile(victim, "root:x\n%%LUMO_VERSION_1.0\n");
  chmod(victim.c_str(), 0600);
  ASSERT_EQ(symlink(victim.c_str(), dir.file("lumoConfig").c_str()), 0);
  EXPECT_FALSE(updateConfigFile(log, dir.file("lumoConfig"), "Q"));
  EXPECT_EQ(readFile(victim), "root:x\n%%LUMO_VERSION_1.0\n");
  EXPECT_EQ(std::filesystem::read_symlink(dir.file("lumoConfig")), victim);
  EXPECT_EQ(log.text().find("updated."), std::string::npos);
}

TEST(PrinterUpdate, ConfigurationMarker) {
  TempLog log;
  TempDir dir;
  std::string config = dir.file("lumoConfig");
  // A marker line of more than 255 characters goes whole.
  writeFile(config, "ID=1\n%%LUMO_VERSION_1.0 (old)\nX=1\n%%LUMO_VERSION_1.0" +
                        std::string(600, '-') + "\nY=2");
  EXPECT_TRUE(updateConfigFile(log, config, "Office"));
  EXPECT_EQ(readFile(config), "ID=1\n%%LUMO_VERSION_3.0\nX=1\n%%LUMO_VERSION_3.0\nY=2");
  writeFile(config, "no marker\n");
  EXPECT_TRUE(updateConfigFile(log, config, "Again"));
  EXPECT_EQ(readFile(config), "no marker\n");
  // A NUL byte ends the text of its line.
  writeFile(config, std::string("ID=1\n\0x\n%%LUMO_VERSION_1.0\n", 27));
  EXPECT_TRUE(updateConfigFile(log, config, "Again"));
  EXPECT_EQ(readFile(config), "ID=1\n%%LUMO_VERSION_3.0\n");
  EXPECT_FALSE(updateConfigFile(log, dir.file("missing"), "Gone"));
  std::string text = log.text();
  EXPECT_NE(text.find("processPrinterConfig(Office): updated.\n"
                      "processPrinterConfig(Again): updated.\n"),
            std::string::npos) << text;
  EXPECT_EQ(text.find("(Gone)"), std::string::npos);
  // "..ppd" and "...ppd" give the queues "." and "..".
  EXPECT_FALSE(processPrinterConfig(log, ".."));
  EXPECT_NE(log.text().find("Printer name refused, it could name a path: '..'.\n"),
            std::string::npos);
}

// The administrator is asked before each printer, in list order: "no"
// passes the printer over, "all" updates it and every later one without
// asking again, "break" ends the update there.
TEST(PrinterUpdate, AsksPerPrinterAndHonoursNoAllAndBreak) {
  TempLog log;
  TempDir dir;
  std::filesystem::create_directory(dir.file("ppd"));
  PrinterList printers;
  for (const char* queue : {"A", "B", "C", "D"}) {
    PrinterEntry printer;
    printer.queueName = queue;
    printer.ppdPath = dir.file("ppd/") + queue + ".ppd";
    printer.modelName = "\"Acme Laser 9 PCL\"";  // no product PPD: each keeps its own
    printer.pdlKind = kPdlPcl;
    printer.index = int(printers.size());
    printers.push_back(printer);
    writeFile(printer.ppdPath, "*PPD-Adobe: \"4.3\"\n");
  }
  ProductPpdIndex index;
  std::string products = dir.file("products");
  // Runs the update with the answers in turn; returns the queues asked
  // about and, in updated, the queues the update worked on.
  QueueResults results;
  auto update = [&](std::vector<int> answers, std::vector<std::string>& updated) {
    std::vector<std::string> asked;
    size_t next = 0;
    std::string before = log.text();
    results.clear();
    updatePrinters(log, index, products, "", printers, [&](const PrinterEntry& printer) {
      asked.push_back(printer.queueName);
      return next < answers.size() ? answers[next++] : kAnswerUnknown;
    }, results);
    std::string logged = log.text().substr(before.size());
    updated.clear();
    for (const PrinterEntry& printer : printers)
      if (logged.find("Printer = " + printer.queueName + " with PPD=" + printer.ppdPath + "\n") !=
          std::string::npos)
        updated.push_back(printer.queueName);
    return asked;
  };
  using Names = std::vector<std::string>;
  Names updated;
  EXPECT_EQ(update({kAnswerNo, kAnswerYes, kAnswerAll}, updated), (Names{"A", "B", "C"}));
  EXPECT_EQ(updated, (Names{"B", "C", "D"}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("A.ppd.rpmsave")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("D.ppd.rpmsave")));

  // Each queue's fate is recorded: without a product PPD none is updated.
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0].reason, kDeclinedReason);
  EXPECT_EQ(results[3].reason, "no product PPD for its model");
  EXPECT_FALSE(results[3].updated);

  EXPECT_EQ(update({kAnswerYes, kAnswerBreak}, updated), (Names{"A", "B"}));
  EXPECT_EQ(updated, (Names{"A"}));
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[1].reason, kBrokenOffReason);
  EXPECT_EQ(results[3].reason, kBrokenOffReason);

  EXPECT_EQ(update({kAnswerBreak}, updated), (Names{"A"}));
  EXPECT_EQ(updated, Names{});

  // Without a question every printer is updated.
  std::string before = log.text();
  updatePrinters(log, index, products, "", printers, nullptr, results);
  std::string logged = log.text().substr(before.size());
  for (const PrinterEntry& printer : printers)
    EXPECT_NE(logged.find("Printer = " + printer.queueName + " with PPD="), std::string::npos)
        << logged;

  // CUPS's older copy of a queue's PPD follows the answer for the queue:
  // nobody is asked twice about one queue.
  PrinterEntry older = printers[0];
  older.ppdPath += ".O";
  writeFile(older.ppdPath, "*PPD-Adobe: \"4.3\"\n");
  printers.insert(printers.begin() + 1, older);
  EXPECT_EQ(update({kAnswerNo, kAnswerYes, kAnswerNo, kAnswerNo}, updated),
            (Names{"A", "B", "C", "D"}));
  EXPECT_EQ(updated, (Names{"B"}));
  EXPECT_EQ(update({kAnswerYes, kAnswerNo, kAnswerNo, kAnswerNo}, updated),
            (Names{"A", "B", "C", "D"}));
  EXPECT_NE(log.text().find("with PPD=" + older.ppdPath + "\n"), std::string::npos);
}

}  // namespace
