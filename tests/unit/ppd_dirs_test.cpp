#include "discovery/ppd_dirs.h"

#include <gtest/gtest.h>

#include <set>

#include "discovery/facts.h"
#include "unit_support.h"

namespace {

const std::string FOO = "/usr/share/foomatic/db/source/PPD";

// The directories of the layout under test; nothing else exists.
std::set<std::string> layout;

bool inLayout(const std::string& path) {
  return layout.count(path) > 0;
}

struct Discovery {
  int flags = -1;
  std::string existing;
  std::string log;
};

// Discovers the layout into the fixture's locations, as a later step of the
// run finds them, starting from texts left by an earlier discovery.
class PpdDirs : public ::testing::Test {
 protected:
  Discovery discover(std::set<std::string> dirs) {
    layout = std::move(dirs);
    ppd.ppdInstallDir = "left over";
    ppd.existingPpdDir = "left over";
    ppd.flags = -1;
    TempLog log;
    discoverPpdDirs(log, ppd, inLayout);
    Discovery found;
    found.flags = ppd.flags;
    found.existing = ppd.existingPpdDir;
    found.log = log.text();
    return found;
  }
  PpdLocations ppd;
  const std::string& cupsModelDir = ppd.cupsModelDir;
  const std::string& systemPpdDir = ppd.systemPpdDir;
  const std::string& ppdInstallDir = ppd.ppdInstallDir;
};

TEST_F(PpdDirs, NothingThere) {
  Discovery found = discover({});
  EXPECT_EQ(found.flags, 0);
  EXPECT_EQ(cupsModelDir, "/usr/share/cups/model");
  EXPECT_EQ(systemPpdDir, "/usr/share/cups/model");
  EXPECT_EQ(ppdInstallDir, "");
  EXPECT_EQ(found.existing, "");
}

TEST_F(PpdDirs, CandidatesInOrder) {
  layout = {"/opt/cups/share/model", "/etc/cups/model", "/usr/local/share/ppd", FOO};
  EXPECT_TRUE(findCupsModelDir(ppd, inLayout));
  EXPECT_EQ(cupsModelDir, "/etc/cups/model");
  EXPECT_TRUE(findSystemPpdDir(ppd, inLayout));
  EXPECT_EQ(systemPpdDir, "/usr/local/share/ppd");
  layout = {"/usr/ppd", "/opt/cups/share/model"};
  EXPECT_TRUE(findCupsModelDir(ppd, inLayout));
  EXPECT_TRUE(findSystemPpdDir(ppd, inLayout));
  EXPECT_EQ(cupsModelDir, "/opt/cups/share/model");
  EXPECT_EQ(systemPpdDir, "/usr/ppd");
}

TEST_F(PpdDirs, SharedTreeByOriginAndByMaker) {
  std::set<std::string> dirs = {"/usr/share/cups/model", "/usr/share/ppd",
                                "/usr/share/ppd/openprinting", "/usr/share/ppd/cups-included"};
  Discovery found = discover(dirs);
  EXPECT_EQ(found.flags, 0x351);
  EXPECT_EQ(systemPpdDir, "/usr/share/ppd");
  EXPECT_EQ(ppdInstallDir, "/usr/share/ppd/oxa");

  dirs.insert({"/usr/share/ppd/openprinting/HP", "/usr/share/ppd/openprinting/Epson"});
  EXPECT_EQ(discover(dirs).flags, 0x351);
  EXPECT_EQ(ppdInstallDir, "/usr/share/ppd/openprinting/oxa");

  // Makers side by side form the layout too, but without openprinting the
  // proposal comes from the trees below.
  found =
      discover({"/usr/share/ppd", "/usr/share/ppd/HP", "/usr/share/ppd/Epson", "/opt/share/ppd"});
  EXPECT_EQ(found.flags,
            PPD_USR_SHARE | PPD_OPT_SHARE | PPD_SYSTEM | PPD_VENDOR_LAYOUT | PPD_CUPS_MODEL);
  EXPECT_EQ(cupsModelDir, "/usr/share/ppd");
  EXPECT_EQ(ppdInstallDir, "");
  EXPECT_NE(found.log.find("Share ppd directory : /usr/share/ppd\n"
                           "Share ppd directory : /opt/share/ppd\n"),
            std::string::npos);
  // cups-included without openprinting is no layout.
  EXPECT_EQ(discover({"/usr/share/ppd/cups-included"}).flags, 0);
}

TEST_F(PpdDirs, FoomaticTree) {
  Discovery found = discover({"/usr/share/cups/model", FOO});
  EXPECT_EQ(found.flags, 0x043);
  EXPECT_EQ(systemPpdDir, FOO);
  EXPECT_EQ(ppdInstallDir, FOO + "/oxa");

  found = discover({FOO, FOO + "/Norvik"});
  EXPECT_EQ(found.flags, PPD_FOOMATIC | PPD_FOOMATIC_MAKER | PPD_SYSTEM);
  EXPECT_EQ(ppdInstallDir, FOO + "/Norvik/oxa");
  EXPECT_EQ(found.existing, "");

  found = discover({FOO, FOO + "/Norvik", FOO + "/Norvik/oxa"});
  EXPECT_EQ(found.existing, FOO + "/Norvik/oxa");
  EXPECT_EQ(ppdInstallDir, FOO + "/Norvik/oxa");

  // The tree's own oxa directory wins over the Norvik one, everywhere.
  found = discover({FOO, FOO + "/Norvik", FOO + "/Norvik/oxa", FOO + "/oxa"});
  EXPECT_EQ(found.flags, PPD_FOOMATIC | PPD_FOOMATIC_MAKER | PPD_SYSTEM | PPD_FOOMATIC_PRODUCT);
  EXPECT_EQ(found.existing, FOO + "/oxa");
  EXPECT_EQ(ppdInstallDir, FOO + "/oxa");
  EXPECT_NE(found.log.find("Norvik directory     : " + FOO + "/oxa\n"), std::string::npos);
}

TEST_F(PpdDirs, OpenprintingFindOverruledByTheNorvikTree) {
  std::set<std::string> dirs = {"/usr/share/ppd", "/usr/share/ppd/openprinting",
                                "/usr/share/ppd/openprinting/oxa", FOO};
  Discovery found = discover(dirs);
  EXPECT_EQ(found.existing, "/usr/share/ppd/openprinting/oxa");
  EXPECT_NE(found.log.find("Found existing Lumo PPD dir: \"/usr/share/ppd/openprinting/oxa\"."),
            std::string::npos);

  dirs.insert(FOO + "/Norvik");
  found = discover(dirs);
  EXPECT_EQ(found.existing, "/usr/share/ppd/openprinting/oxa");
  EXPECT_EQ(found.log.find("Found existing"), std::string::npos);

  // Not found, so the later candidates are looked at again.
  dirs.insert("/usr/share/ppd/oxa");
  EXPECT_EQ(discover(dirs).existing, "/usr/share/ppd/oxa");
}

TEST_F(PpdDirs, LaterCandidatesOnlyWhenNothingWasFound) {
  EXPECT_EQ(discover({"/opt/share/ppd/oxa", "/usr/share/ppd/oxa"}).existing, "/opt/share/ppd/oxa");

  std::set<std::string> vendor = {"/usr/share/ppd/openprinting", "/usr/share/ppd/cups-included",
                                  "/usr/share/ppd/cups-included/oxa"};
  EXPECT_EQ(discover(vendor).existing, "/usr/share/ppd/cups-included/oxa");
  EXPECT_EQ(discover({"/usr/share/ppd/cups-included", "/usr/share/ppd/cups-included/oxa"}).existing,
            "");

  std::set<std::string> custom = {"/usr/share/cups/model", "/usr/share/cups/model/custom",
                                  "/usr/share/cups/model/custom/oxa"};
  Discovery found = discover(custom);
  EXPECT_EQ(found.flags, PPD_CUPS_MODEL | PPD_CUSTOM);
  EXPECT_EQ(found.existing, "/usr/share/cups/model/custom/oxa");
  EXPECT_EQ(ppdInstallDir, "/usr/share/cups/model/custom/oxa");
  EXPECT_NE(found.log.find("Custom ppd directory: /usr/share/cups/model/custom\n"),
            std::string::npos);
  custom.insert("/opt/share/ppd/oxa");
  EXPECT_EQ(discover(custom).existing, "/opt/share/ppd/oxa");

  // The custom directory counts only under a model directory that was found.
  found = discover({"/usr/share/cups/model/custom", "/usr/share/cups/model/custom/oxa"});
  EXPECT_EQ(found.flags, 0);
  EXPECT_EQ(found.existing, "");
}

}  // namespace
