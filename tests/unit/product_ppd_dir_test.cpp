#include "install/product_ppd_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/shell.h"
#include "install/go_install.h"
#include "install_support.h"
#include "unit_support.h"

namespace {

class ProductPpdDir : public ::testing::Test {
 protected:
  std::string prepare(const std::string& ppdDir, const std::string& modelDir) {
    ppd.ppdInstallDir = ppdDir;
    ppd.cupsModelDir = modelDir;
    return logOf(log, [&] { prepareProductPpdDir(log, ppd); });
  }
  TempDir dir;
  TempLog log;
  PpdLocations ppd;
};

TEST_F(ProductPpdDir, ExistingOrUnsetIsOnlyReported) {
  EXPECT_EQ(prepare("", ""), "PPD installation dir: \n");
  EXPECT_EQ(prepare(dir.path(), ""), "PPD installation dir: " + dir.path() + "\n");
}

TEST_F(ProductPpdDir, MissingDirectoryIsCreatedWithMode0755) {
  std::string oxa = dir.file("oxa");
  EXPECT_EQ(prepare(oxa, ""), "Changing execution rights of '" + oxa + "' to  00755.\n");
  EXPECT_EQ(modeOf(oxa), 0755);
}

TEST_F(ProductPpdDir, FallsBackUnderTheModelDirectory) {
  std::string wanted = dir.file("no/oxa"), fallback = dir.file("oxa");
  EXPECT_EQ(prepare(wanted, dir.path()),
            "Could not create directory: " + wanted + "\nFalling back to CUPS model dir: " +
                dir.path() + "\nCreated directory: '" + fallback +
                "'.\nChanging execution rights of '" + fallback + "' to  00755.\n");
  EXPECT_EQ(ppd.ppdInstallDir, fallback);
  EXPECT_EQ(modeOf(fallback), 0755);
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
  EXPECT_EQ(ppd.ppdInstallDir, wanted);
}

TEST_F(ProductPpdDir, SavesEveryFileAndNeverWritesThroughAPlantedLink) {
  std::string ppdDir = dir.file("ppd"), archive = dir.file("Saved.tar");
  mkdir(ppdDir.c_str(), 0755);
  writeFile(ppdDir + "/a.ppd", "a");
  writeFile(ppdDir + "/b.ppd", "b");
  writeFile(dir.file("victim"), "keep");
  symlink(dir.file("victim").c_str(), archive.c_str());

  int status = -2;
  EXPECT_EQ(logOf(log, [&] { status = savePpdFiles(log, ppdDir, archive); }),
            "Saved PPD files from: " + ppdDir + ".\nTo: " + archive + ".\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(dir.file("victim")), "keep");
  runShell("tar tf " + archive + " > " + dir.file("list"));
  EXPECT_EQ(readFile(dir.file("list")), "a.ppd\nb.ppd\n");

  // A rerun keeps the archive of the first run, whatever the directory
  // holds now.
  writeFile(ppdDir + "/new.ppd", "new");
  EXPECT_EQ(logOf(log, [&] { status = savePpdFiles(log, ppdDir, archive); }),
            "PPD files saved by an earlier run kept in: " + archive + ".\n");
  EXPECT_EQ(status, 0);
  runShell("tar tf " + archive + " > " + dir.file("list"));
  EXPECT_EQ(readFile(dir.file("list")), "a.ppd\nb.ppd\n");

  EXPECT_EQ(logOf(log, [&] { status = savePpdFiles(log, dir.file("none"), archive); }),
            "Cannot access PPD dir: \"" + dir.file("none") + "\"\n");
  EXPECT_EQ(status, -1);
}

TEST(PrepareInstallDir, MakesTheDirectoryAndItsBinAndEtc) {
  TempDir dir;
  TestRun run;
  std::string log =
      logOf(run.log, [&] { EXPECT_FALSE(prepareInstallDir(run.context, dir.file("no/oxa"))); });
  EXPECT_EQ(log, "No OXA directory: '" + dir.file("no/oxa") + "' possible\n");

  logOf(run.log, [&] { EXPECT_TRUE(prepareInstallDir(run.context, dir.file("oxa"))); });
  EXPECT_EQ(modeOf(dir.file("oxa")), 0755);
  EXPECT_EQ(modeOf(dir.file("oxa/bin")), 0755);
  EXPECT_EQ(modeOf(dir.file("oxa/etc")), 0755);
}

}  // namespace
