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
