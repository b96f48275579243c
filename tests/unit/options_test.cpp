#include "app/options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/options.h"

namespace {

// Runs both passes over a command line, as the run does, on fresh options.
std::string scan(std::vector<std::string> words, Options& options) {
  options = Options();
  words.insert(words.begin(), "setup");
  std::vector<char*> argv;
  for (std::string& w : words)
    argv.push_back(&w[0]);
  argv.push_back(nullptr);
  firstOptionPass(int(words.size()), argv.data(), options);
  return secondOptionPass(int(words.size()), argv.data(), options);
}

TEST(Options, FirstPassTakesOnlyItsOptions) {
  Options options;
  scan({"-q1", "-d", "-S3", "-f", "0"}, options);
  EXPECT_TRUE(options.deinstall);
  EXPECT_EQ(options.selinuxMode, std::optional<int>(3));
  EXPECT_EQ(options.allowAnyDir, 0);
  EXPECT_EQ(options.queryLevel, 1);
}

TEST(Options, IntegerArguments) {
  Options options;
  scan({"-q-1", "-m7", "-D2"}, options);
  EXPECT_EQ(options.queryLevel, 0);
  EXPECT_EQ(options.colourMode, 1);
  EXPECT_EQ(options.debugLevel, 2);
  scan({"-Z", "2", "-m", "3", "-S", "x"}, options);
  EXPECT_EQ(options.debugLevel, 2);
  EXPECT_EQ(options.colourMode, 3);
  EXPECT_EQ(options.selinuxMode, std::optional<int>(0));
}

TEST(Options, TextArgumentsAnyOrder) {
  Options options;
  EXPECT_EQ(scan({"-u", "/srv/x/", "-d", "-iOTHER.CONF", "-w/srv"}, options), "");
  EXPECT_EQ(options.installDir, "/srv/x/");
  EXPECT_EQ(options.manifestName, "OTHER.CONF");
  EXPECT_EQ(options.baseDir, "/srv");
  EXPECT_TRUE(options.deinstall);
  EXPECT_EQ(options.selinuxMode, std::nullopt);  // no -S: selinuxenabled decides
}

TEST(Options, HelpEndsTheFirstPass) {
  Options options;
  scan({"-h", "-d", "-S1"}, options);
  EXPECT_TRUE(options.usage);
  EXPECT_FALSE(options.deinstall);
  EXPECT_EQ(options.selinuxMode, std::nullopt);
}

TEST(Options, LongOptionWordGetsUsageAndNothingElse) {
  Options options;
  // getopt alone would read --dry-run as -d -r "y-run".  "-rfile" has its
  // argument already, and "-x" is the argument of "-r".
  for (auto words : std::vector<std::vector<std::string>>{
           {"--dry-run"}, {"-d", "--x"}, {"-rfile", "--x"}, {"-r", "-x", "--y"}, {"op", "--x"}}) {
    scan(words, options);
    EXPECT_TRUE(options.usage && options.refusedLong) << words[0];
    EXPECT_FALSE(options.deinstall);
    EXPECT_EQ(options.reportPath, "");
  }
  scan({"-h"}, options);
  EXPECT_FALSE(options.refusedLong);
}

TEST(Options, DashesOfAnArgumentOrAfterTheEndMarkerAreNoLongOption) {
  Options options;
  EXPECT_EQ(scan({"-dr", "--x", "-u", "--dir", "-S", "--s", "-q", "--q"}, options), "");
  EXPECT_FALSE(options.usage || options.refusedLong);
  EXPECT_TRUE(options.deinstall);
  EXPECT_EQ(options.reportPath, "--x");
  EXPECT_EQ(options.installDir, "--dir");

  scan({"-n", "--", "--dry-run"}, options);  // nothing after "--" is read
  EXPECT_FALSE(options.usage || options.refusedLong || options.deinstall);
  EXPECT_TRUE(options.preview);
}

TEST(Options, UsageAddsThisInstallersOptionsAfterTheClassicOnes) {
  testing::internal::CaptureStderr();
  printUsage();
  std::string usage = testing::internal::GetCapturedStderr();
  EXPECT_EQ(usage.rfind("Lumo setup version: 4.0-7.\n", 0), 0u) << usage;
  EXPECT_NE(usage.find("Options:\n-d\t: de-installation of Lumo 4.0-7.\n"), std::string::npos);
  const std::string tail =
      "-Dx\t: set debug mode. [0].\n"
      "-L\t: live update: hand the new PPD files to the running CUPS scheduler, no restart.\n"
      "-n\t: preview: tell what a run would do, change nothing.\n"
      "-p queue\t: update only this queue (repeatable); the others are left as they are.\n"
      "-r file\t: write a JSON report of the run to file.\n"
      "-R\t: undo the queue update: each queue gets its earlier PPD back.\n"
      "-x\t: let the exit status tell the outcome: 0 done, 1 stopped, 2 fault.\n";
  ASSERT_GE(usage.size(), tail.size());
  EXPECT_EQ(usage.substr(usage.size() - tail.size()), tail);
}

// -p names queues one at a time, in order.
TEST(Options, EachQueueNamedIsSelected) {
  Options options;
  EXPECT_EQ(scan({"-pAlpha", "-n", "-p", "Beta"}, options), "");
  EXPECT_EQ(options.selectedQueues, (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_NE(scan({"-p", std::string(256, 'q')}, options), "");
  EXPECT_TRUE(options.selectedQueues.empty());
}

TEST(Options, OverlongTextArgumentIsRefusedNotCut) {
  Options options;
  std::string fits(255, 'a');
  EXPECT_EQ(scan({"-u", fits}, options), "");
  EXPECT_EQ(options.installDir, fits);

  // Nothing is stored for a refused argument: every text keeps its default.
  const Options defaults;
  std::string tooLong(256, 'b');
  for (const char* option : {"-u", "-i", "-w"}) {
    std::string refusal = scan({option, tooLong}, options);
    EXPECT_NE(refusal.find(std::string("of ") + option), std::string::npos) << refusal;
    EXPECT_EQ(options.installDir, defaults.installDir);
    EXPECT_EQ(options.manifestName, defaults.manifestName);
    EXPECT_EQ(options.baseDir, defaults.baseDir);
  }
}

}  // namespace
