#include "driver/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/run_settings.h"

namespace {

// Runs both passes over a command line, as the run does, on fresh settings.
std::string scan(std::vector<std::string> words) {
  run = RunSettings();
  words.insert(words.begin(), "setup");
  std::vector<char*> argv;
  for (std::string& w : words)
    argv.push_back(&w[0]);
  argv.push_back(nullptr);
  firstOptionPass(int(words.size()), argv.data());
  return secondOptionPass(int(words.size()), argv.data());
}

TEST(Options, FirstPassTakesOnlyItsOptions) {
  scan({"-q1", "-d", "-S3", "-f", "0"});
  EXPECT_EQ(run.deinstall, 1);
  EXPECT_EQ(run.selinuxMode, 3);
  EXPECT_EQ(run.allowAnyDir, 0);
  EXPECT_EQ(run.queryLevel, 1);
}

TEST(Options, IntegerArguments) {
  scan({"-q-1", "-m7", "-D2"});
  EXPECT_EQ(run.queryLevel, 0);
  EXPECT_EQ(run.colourMode, 1);
  EXPECT_EQ(run.debugLevel, 2);
  scan({"-Z", "2", "-m", "3", "-S", "x"});
  EXPECT_EQ(run.debugLevel, 2);
  EXPECT_EQ(run.colourMode, 3);
  EXPECT_EQ(run.selinuxMode, 0);
}

TEST(Options, TextArgumentsAnyOrder) {
  EXPECT_EQ(scan({"-u", "/srv/x/", "-d", "-iOTHER.CONF", "-w/srv"}), "");
  EXPECT_EQ(run.installDir, "/srv/x/");
  EXPECT_EQ(run.manifestName, "OTHER.CONF");
  EXPECT_EQ(run.baseDir, "/srv");
  EXPECT_EQ(run.deinstall, 1);
}

TEST(Options, OverlongTextArgumentIsRefusedNotCut) {
  std::string fits(255, 'a');
  EXPECT_EQ(scan({"-u", fits}), "");
  EXPECT_EQ(run.installDir, fits);

  std::string tooLong(256, 'b');
  for (const char* option : {"-u", "-i", "-w"}) {
    std::string refusal = scan({option, tooLong});
    EXPECT_NE(refusal.find(std::string("of ") + option), std::string::npos) << refusal;
    EXPECT_TRUE(run.installDir.empty() && run.manifestName.empty() && run.baseDir.empty());
  }
}

}  // namespace
