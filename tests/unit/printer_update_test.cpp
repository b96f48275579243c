#include "ppd/printer_update.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ppd/printer_config.h"
#include "unit_support.h"

namespace {

TEST(PrinterUpdate, BackupName) {
  EXPECT_EQ(backupName("/etc/cups/ppd/Office.ppd", "Office"), "/etc/cups/Office.ppd.rpmsave");
  EXPECT_EQ(backupName("/srv/ppdroot/etc/cups/ppd/Q.ppd", "Q"), "/srv/Q.ppd.rpmsave");
  EXPECT_EQ(backupName("/x/Q.ppd", "Q"), "/x/Q.ppdQ.ppd.rpmsave");
}

TEST(PrinterUpdate, BackupAndReplacementLogTheirCopies) {
  TempLog log;
  TempDir dir;
  std::filesystem::create_directory(dir.file("ppd"));
  std::string ppd = dir.file("ppd/Q.ppd");
  writeFile(ppd, "old\n");
  chmod(ppd.c_str(), 0640);
  writeFile(dir.file("new"), "new\n");
  EXPECT_EQ(backupPPD(ppd, "Q"), 1);
  EXPECT_EQ(replacePPD(ppd, dir.file("new")), 1);
  EXPECT_EQ(replacePPD(dir.file("gone/Q.ppd"), dir.file("new")), 0);

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

TEST(PrinterUpdate, GzippedProductDecompressedACutOneRefused) {
  TempLog log;
  TempDir products;
  TmpDirEnv tmp;
  std::string product = products.file("nlp12pc.ppd.gz");
  std::string packed = readFile(std::string(LUMO_PRODUCT_PPD_DIR) + "/nlp12pc.ppd.gz");
  writeFile(product, packed);
  PrinterEntry printer;
  printer.queueName = "Q";
  printer.modelName = "\"Norvik LP 1200 PCL\"";
  printer.pdlKind = kPdlPcl;
  printer.modelId = 2;
  OptionEntry options;
  std::string newName;

  ASSERT_EQ(installNewPPD(products.path(), &options, 0, printer, newName), 1);
  // Its default lines are already in the written form: the copy is the
  // product's text, whole.
  EXPECT_EQ(readFile(newName), gunzip(product));
  unlink(newName.c_str());

  // Cut in the middle: the model line still reads, the rest does not.
  writeFile(product, packed.substr(0, packed.size() / 2));
  EXPECT_EQ(installNewPPD(products.path(), &options, 0, printer, newName), 0);
  EXPECT_EQ(newName, "");
  EXPECT_NE(log.text().find("Problem decompressing: " + tmp.dir.path() + "/orbin"),
            std::string::npos) << log.text();
  EXPECT_TRUE(std::filesystem::is_empty(tmp.dir.path()));
}

TEST(PrinterUpdate, ConfigurationMarker) {
  TempLog log;
  TempDir dir;
  std::string config = dir.file("lumoConfig");
  // A marker line of more than 255 characters goes whole.
  writeFile(config, "ID=1\n%%LUMO_VERSION_1.0 (old)\nX=1\n%%LUMO_VERSION_1.0" +
                        std::string(600, '-') + "\nY=2");
  EXPECT_EQ(updateConfigFile(config, "Office"), 1);
  EXPECT_EQ(readFile(config), "ID=1\n%%LUMO_VERSION_3.0\nX=1\n%%LUMO_VERSION_3.0\nY=2");
  writeFile(config, "no marker\n");
  EXPECT_EQ(updateConfigFile(config, "Again"), 1);
  EXPECT_EQ(readFile(config), "no marker\n");
  // A NUL byte ends the text of its line.
  writeFile(config, std::string("ID=1\n\0x\n%%LUMO_VERSION_1.0\n", 27));
  EXPECT_EQ(updateConfigFile(config, "Again"), 1);
  EXPECT_EQ(readFile(config), "ID=1\n%%LUMO_VERSION_3.0\n");
  EXPECT_EQ(updateConfigFile(dir.file("missing"), "Gone"), 0);
  std::string text = log.text();
  EXPECT_NE(text.find("processPrinterConfig(Office): updated.\n"
                      "processPrinterConfig(Again): updated.\n"),
            std::string::npos) << text;
  EXPECT_EQ(text.find("(Gone)"), std::string::npos);
  // "..ppd" and "...ppd" give the queues "." and "..".
  EXPECT_EQ(processPrinterConfig(".."), 0);
  EXPECT_NE(log.text().find("Printer name refused, it could name a path: '..'.\n"),
            std::string::npos);
}

}  // namespace
