#include "base/shell.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <time.h>

#include <chrono>
#include <fstream>
#include <string>

#include "unit_support.h"

namespace {

TEST(Shell, OrdinaryWordsStandAsTheyAre) {
  EXPECT_EQ(shellWord("/opt/oxa/bin/orbgsfilter"), "/opt/oxa/bin/orbgsfilter");
  EXPECT_EQ(shellWord("a_b.c@d%e+f=g:h,i-j"), "a_b.c@d%e+f=g:h,i-j");
}

TEST(Shell, OtherWordsAreQuotedSoTheShellReadsThemLiterally) {
  EXPECT_EQ(shellWord("my file"), "'my file'");
  EXPECT_EQ(shellWord("$HOME;rm"), "'$HOME;rm'");
  EXPECT_EQ(shellWord("it's"), "'it'\\''s'");
  EXPECT_EQ(shellWord(""), "''");
}

TEST(Shell, QuotedWordSurvivesTheShell) {
  const std::string nasty = "a b;$(false)`x`'\"\\\nz";
  std::string command = "test \"$(printf '%s' " + shellWord(nasty) + ")\" = " + shellWord(nasty);
  EXPECT_EQ(runShell(command), 0);
}

TEST(ShellWithin, CommandThatEndsGivesItsStatus) {
  EXPECT_EQ(runShellWithin("exit 3", 5), 3 << 8);
  EXPECT_EQ(runShellWithin("true", 5), 0);
}

// A command that never ends is stopped at its limit together with what it
// started: the background sleep must not outlive it.
TEST(ShellWithin, CommandThatHangsIsKilledWithItsGroup) {
  TempDir dir;
  std::string pidFile = dir.file("pid");
  auto start = std::chrono::steady_clock::now();
  int status = runShellWithin("sleep 60 & echo $! > " + pidFile + "; wait", 1);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(status, kShellTimedOut);
  EXPECT_GE(seconds, 1.0);
  EXPECT_LT(seconds, 5.0);
  int sleeper = 0;
  std::ifstream(pidFile) >> sleeper;
  ASSERT_GT(sleeper, 0);
  const timespec pause = {0, 20 * 1000 * 1000};
  for (int i = 0; i < 100 && kill(sleeper, 0) == 0; ++i)
    nanosleep(&pause, nullptr);
  EXPECT_NE(kill(sleeper, 0), 0);
}

}  // namespace
