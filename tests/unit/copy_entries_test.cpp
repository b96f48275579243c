#include "install/copy_entries.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <initializer_list>

#include "install_support.h"
#include "unit_support.h"

namespace {

class CopyEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0)
      GTEST_SKIP() << "files are copied only from where root alone writes";
    installDir = top.file("install");
    for (const char* d : {"install", "install/bin", "start", "start/bin", "start/ppd", "ppd",
                          "model"})
      mkdir(top.file(d).c_str(), 0755);
    for (const char* f : {"bin/filter", "ppd/a.ppd", "nc", "ab", "it's $x"})
      writeFile(top.file("start/") + f, f);
    ASSERT_TRUE(getcwd(oldCwd, sizeof oldCwd));
    ASSERT_EQ(chdir(top.file("start").c_str()), 0);
  }
  void TearDown() override { EXPECT_EQ(chdir(oldCwd), 0); }
  // Plans and copies the entries; returns what was logged.
  std::string copy(std::initializer_list<ManifestEntry> entries, bool dirsDiffer) {
    files = planFiles(Manifest(entries), top.file("start"), installDir, ppd(), dirsDiffer);
    return logOf(run.log, [&] { copyFiles(run.context, files); });
  }
  // Each file's planned action and outcome, with the reason of a failure.
  std::string outcomes() const {
    std::string text;
    for (const FilePlan& file : files)
      text += std::string(fileActionName(file.action)) + ":" + stateName(file.state) +
              (file.status.ok() ? "" : std::string("/") + reasonCode(file.status.reason)) + " ";
    return text;
  }
  std::string dest(const std::string& target) {
    return entryDestination(ManifestEntry{"doc/README", target, 0}, installDir, ppd());
  }
  PpdLocations& ppd() { return run.facts.ppd; }
  TempDir top{TempDir::kRootOnly};
  TestRun run;
  FilePlans files;
  std::string installDir;
  char oldCwd[4096];
};

TEST_F(CopyEntries, DestinationByTargetForm) {
  std::string install = installDir;
  EXPECT_EQ(dest("."), install + "/doc/README");
  EXPECT_EQ(dest("/"), install + "/doc/README");
  EXPECT_EQ(dest("./share/doc"), install + "/share/doc");
  EXPECT_EQ(dest("/usr/lib/cups/filter"), "/usr/lib/cups/filter");
  for (const char* none : {"", "./", "bin", "/a", "?x", ".."})
    EXPECT_EQ(dest(none), "") << none;

  // "?": the product PPD directory (the run makes it before the copies),
  // else the CUPS model directory when it is one, else /tmp.
  EXPECT_EQ(dest("?"), "/tmp");
  ppd().cupsModelDir = top.file("missing");
  EXPECT_EQ(dest("?"), "/tmp");
  ppd().cupsModelDir = top.file("model");
  EXPECT_EQ(dest("?"), top.file("model"));
  ppd().ppdInstallDir = top.file("not-yet");
  EXPECT_EQ(dest("?"), top.file("not-yet"));
}

TEST_F(CopyEntries, CopiesFromElsewhereWithModesAndReportsEveryOutcome) {
  ppd().ppdInstallDir = top.file("ppd");
  std::string install = installDir;
  std::string log = copy({{"bin/filter", "./bin", 0750},
                          {"it's $x", ".", 0640},
                          {"ppd/a.ppd", "?", 0644},
                          {"nc", "./bin", 0},
                          {"ab", "./bin", 0755},
                          {"bin/filter", "", 0755},
                          {"bin/missing", "./bin", 0755},
                          {"bin/filter", "./new/sub", 0755}},
                         true);
  EXPECT_EQ(log,
            "Copying file bin/filter to " + install + "/bin. \n"
            "Changing execution rights of '" + install + "/bin/filter' to  00750.\n"
            "Copying file it's $x to " + install + "/it's $x. \n"
            "Changing execution rights of '" + install + "/it's $x' to  00640.\n"
            "Copying file ppd/a.ppd to " + top.file("ppd") + ". \n"
            "Changing execution rights of '" + top.file("ppd/a.ppd") + "' to  00644.\n"
            "Copying file nc to " + install + "/bin. \n"
            "No destination for file bin/filter (target ''): not copied.\n"
            "Copying file bin/missing to " + install + "/bin. : WRONG!!!\n"
            "Copying file bin/filter to " + install + "/new/sub. : WRONG!!!\n");
  EXPECT_EQ(modeOf(install + "/bin/filter"), 0750);
  EXPECT_EQ(readFile(install + "/it's $x"), "it's $x");
  EXPECT_EQ(modeOf(install + "/it's $x"), 0640);
  EXPECT_EQ(modeOf(top.file("ppd/a.ppd")), 0644);
  EXPECT_EQ(readFile(install + "/bin/nc"), "nc");
  EXPECT_EQ(modeOf(install + "/bin/ab"), -1);
  EXPECT_EQ(modeOf(install + "/new"), -1);  // cp never made a file of the missing directory
  EXPECT_EQ(outcomes(),
            "copy:done copy:done copy:done copy:done no-product-file:left "
            "no-destination:failed/no-destination copy:failed/copy-failed "
            "copy:failed/copy-failed ");
}

TEST_F(CopyEntries, FileTargetsMakeTheirDirectoriesAndNeverBecomeOne) {
  mkdir(top.file("start/doc").c_str(), 0755);
  writeFile(top.file("start/doc/README"), "read me");
  copy({{"doc/README", ".", 0600}}, true);
  std::string installed = installDir + "/doc/README";
  EXPECT_EQ(modeOf(installDir + "/doc"), 0755);
  EXPECT_EQ(readFile(installed), "read me");
  EXPECT_EQ(modeOf(installed), 0600);
  // A second file entry after a directory entry still lands as a file.
  copy({{"bin/filter", "./bin", 0755}, {"doc/README", ".", 0600}}, true);
  EXPECT_EQ(readFile(installed), "read me");
}

TEST_F(CopyEntries, InPlaceOnlyThePpdFilesAreCopied) {
  ppd().cupsModelDir = top.file("model");
  std::string log = copy({{"bin/filter", "./bin", 0755}, {"ppd/a.ppd", "?", 0}, {"x", "", 0}},
                         false);
  EXPECT_EQ(log, "Copying file ppd/a.ppd to " + top.file("model") + ". \n");
  EXPECT_EQ(readFile(top.file("model/a.ppd")), "ppd/a.ppd");
  EXPECT_EQ(modeOf(installDir + "/bin/filter"), -1);
  EXPECT_EQ(outcomes(), "in-place:left copy:done no-product-file:left ");
}

// A source others could have written is no product file: root would
// install what they put there.
TEST_F(CopyEntries, SourcesOthersCanWriteAreNotCopied) {
  chmod(top.file("start/bin").c_str(), 0777);
  std::string log = copy({{"bin/filter", "./bin", 0755}, {"nc", "./bin", 0755}}, true);
  EXPECT_EQ(outcomes(), "untrusted:failed/untrusted copy:done ");
  EXPECT_EQ(log.find("File " + top.file("start/bin/filter") + " passed over: " +
                     top.file("start/bin") + " can be written by group or others.\n"),
            0u) << log;
  EXPECT_EQ(modeOf(installDir + "/bin/filter"), -1);
}

// A rerun can tell that a copy would change nothing: the installed file
// has the source's bytes and the entry's mode, and is no link.
TEST_F(CopyEntries, InstalledCopiesAreKnownToBeCurrent) {
  auto plannedCurrent = [this] {
    files = planFiles(Manifest({{"bin/filter", "./bin", 0755}}), top.file("start"), installDir,
                      ppd(), true);
    return files.front().current;
  };
  EXPECT_FALSE(plannedCurrent());
  copy({{"bin/filter", "./bin", 0755}}, true);
  std::string installed = installDir + "/bin/filter";
  EXPECT_TRUE(plannedCurrent());
  chmod(installed.c_str(), 0775);
  EXPECT_FALSE(plannedCurrent());
  chmod(installed.c_str(), 0755);
  writeFile(installed, "bin/filteR");
  chmod(installed.c_str(), 0755);
  EXPECT_FALSE(plannedCurrent());
  unlink(installed.c_str());
  ASSERT_EQ(symlink(top.file("start/bin/filter").c_str(), installed.c_str()), 0);
  EXPECT_FALSE(plannedCurrent());
}

TEST_F(CopyEntries, OverlongDestinationsAreRefused) {
  std::string target = "/" + std::string(250, 'd');
  std::string log = copy({{"bin/filter", target, 0755}}, true);
  EXPECT_EQ(log, "Path longer than 255 characters refused: '" + target + "/filter'.\n");
}

}  // namespace
