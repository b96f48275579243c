#include "base/shell.h"

#include <gtest/gtest.h>

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

}  // namespace
