#include "ppd/printer_update.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ppd/copy_file.h"
#include "ppd/printer_config.h"
#include "unit_support.h"

namespace {

TEST(PrinterUpdate, BackupName) {
  EXPECT_EQ(backupName("/etc/cups/ppd/Office.ppd", "Office"), "/etc/cups/Office.ppd.rpmsave");
  EXPECT_EQ(backupName("/srv/ppdroot/etc/cups/ppd/Q.ppd", "Q"), "/srv/Q.ppd.rpmsave");
  EXPECT_EQ(backupName("/x/Q.ppd", "Q"), "/x/Q.ppdQ.ppd.rpmsave");
}

TEST(PrinterUpdate, CopyFileReplacesWholeOrNotAtAll) {
  TempDir dir;
  std::string text(100000, 'x');  // more than two blocks
  writeFile(dir.file("source"), text);
  writeFile(dir.file("target"), "good\n");
  chmod(dir.file("target").c_str(), 0604);
  EXPECT_EQ(copyFile(dir.file("source"), dir.file("target")), 1);
  EXPECT_EQ(readFile(dir.file("target")), text);
  struct stat st;
  stat(dir.file("target").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0604u);

  EXPECT_EQ(copyFile(dir.path(), dir.file("target")), 0);  // a directory reads as nothing
  EXPECT_EQ(copyFile(dir.file("missing"), dir.file("target")), 0);
  EXPECT_EQ(readFile(dir.file("target")), text);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
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
}

}  // namespace
