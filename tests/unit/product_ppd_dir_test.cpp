#include "install/product_ppd_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/run_settings.h"
#include "driver/shell.h"
#include "install/go_install.h"
#include "install_support.h"
#include "ppd/ppd_locations.h"
#include "unit_support.h"

namespace {

class ProductPpdDir : public ::testing::Test {
 protected:
  void SetUp() override { run = RunSettings(); }
  void TearDown() override {
    ppdInstallDir.clear();
    cupsModelDir.clear();
  }
  std::string prepare(const std::string& ppdDir, const std::string& modelDir) {
    ppdInstallDir = ppdDir;
    cupsModelDir = modelDir;
    return logOf(prepareProductPpdDir);
  }
  TempDir dir;
};

TEST_F(ProductPpdDir, ExistingOrUnsetIsOnlyReported) {
  EXPECT_EQ(prepare("", ""), "PPD installation dir: \n");
  EXPECT_EQ(prepare(dir.path(), ""), "PPD installation dir: " + dir.path() + "\n");
}

TEST_F(ProductPpdDir, MissingDirectoryIsCreatedWithMode0755) {
  std::string ppd = dir.file("oxa");
  EXPECT_EQ(prepare(ppd, ""), "Changing execution rights of '" + ppd + "' to  00755.\n");
  EXPECT_EQ(modeOf(ppd), 0755);
}

TEST_F(ProductPpdDir, FallsBackUnderTheModelDirectory) {
  std::string wanted = dir.file("no/oxa"), fallback = dir.file("oxa");
  EXPECT_EQ(prepare(wanted, dir.path()),
            "Could not create directory: " + wanted + "\nFalling back to CUPS model dir: " +
                dir.path() + "\nCreated directory: '" + fallback +
                "'.\nChanging execution rights of '" + fallback + "' to  00766.\n");
  EXPECT_EQ(ppdInstallDir, fallback);
  EXPECT_EQ(modeOf(fallback), 0766);
  // An existing fallback is taken as it is.
  chmod(fallback.c_str(), 0700);
  prepare(wanted, dir.path());
  EXPECT_EQ(modeOf(fallback), 0700);

  std::string missingModel = dir.file("model");
  EXPECT_NE(prepare(wanted, missingModel).find("The installation directory:\n\t'" + missingModel +
                                               "/oxa'\ndoes not exist or is not OK.\n"),
            std::string::npos);
  // Without a model directory there is nothing to fall back to: no /oxa.
  EXPECT_EQ(prepare(wanted, ""), "Could not create directory: " + wanted +
                                     "\nNo CUPS model dir to fall back to.\n");
  EXPECT_EQ(ppdInstallDir, wanted);
}

TEST_F(ProductPpdDir, SavesEveryFileAndNeverWritesThroughAPlantedLink) {
  std::string ppd = dir.file("ppd"), archive = dir.file("Saved.tar");
  mkdir(ppd.c_str(), 0755);
  writeFile(ppd + "/a.ppd", "a");
  writeFile(ppd + "/b.ppd", "b");
  writeFile(dir.file("victim"), "keep");
  symlink(dir.file("victim").c_str(), archive.c_str());

  int status = -2;
  EXPECT_EQ(logOf([&] { status = savePpdFiles(ppd, archive); }),
            "Saved PPD files from: " + ppd + ".\nTo: " + archive + ".\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(dir.file("victim")), "keep");
  runShell("tar tf " + archive + " > " + dir.file("list"));
  EXPECT_EQ(readFile(dir.file("list")), "a.ppd\nb.ppd\n");

  EXPECT_EQ(logOf([&] { status = savePpdFiles(dir.file("none"), archive); }),
            "Cannot access PPD dir: \"" + dir.file("none") + "\"\n");
  EXPECT_EQ(status, -1);
}

// The prepared state lasts for the process, so one test covers it.
TEST(PrepareInstallDir, MakesTheDirectoriesOnceAndForAll) {
  TempDir dir;
  run = RunSettings();
  std::string log = logOf([&] { EXPECT_EQ(prepareInstallDir(dir.file("no/oxa")), 0); });
  EXPECT_EQ(log, "No OXA directory: '" + dir.file("no/oxa") + "' possible\n");

  logOf([&] { EXPECT_EQ(prepareInstallDir(dir.file("oxa")), 1); });
  EXPECT_EQ(modeOf(dir.file("oxa")), 0777);
  EXPECT_EQ(modeOf(dir.file("oxa/bin")), 0755);
  EXPECT_EQ(modeOf(dir.file("oxa/etc")), 0755);
  EXPECT_EQ(prepareInstallDir(dir.file("other")), 1);
  EXPECT_EQ(modeOf(dir.file("other")), -1);
}

}  // namespace
