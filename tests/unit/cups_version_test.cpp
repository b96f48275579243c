#include "discovery/cups_version.h"

#include <gtest/gtest.h>

#include "unit_support.h"

namespace {

TEST(CupsVersion, NormaliseScalesIntoFourDigits) {
  EXPECT_EQ(normaliseVersion(242), 2420);
  EXPECT_EQ(normaliseVersion(21), 2100);
  EXPECT_EQ(normaliseVersion(10), 1000);
  EXPECT_EQ(normaliseVersion(1), 1000);
  EXPECT_EQ(normaliseVersion(1000), 1000);
  EXPECT_EQ(normaliseVersion(9999), 9999);
  EXPECT_EQ(normaliseVersion(24213), 2421);
  EXPECT_EQ(normaliseVersion(100000), 1000);
}

TEST(CupsVersion, DigitRuleDropsDotsAndStopsAtOtherCharacters) {
  EXPECT_EQ(versionDigits("2.4.2\n"), 242);
  EXPECT_EQ(versionDigits("2.3.3op2"), 233);
  EXPECT_EQ(versionDigits(".1.5 beta"), 15);
  EXPECT_EQ(versionDigits("007"), 7);
  EXPECT_EQ(versionDigits("v2.4"), -1);
  EXPECT_EQ(versionDigits("..\n"), -1);
  EXPECT_EQ(versionDigits(""), -1);
}

TEST(CupsVersion, OverlongDigitsKeepTheirLeadingDigits) {
  // 40 digits: far beyond any integer, yet the version is their first four.
  std::string digits = "2.4" + std::string(38, '7');
  EXPECT_EQ(normaliseVersion(versionDigits(digits.c_str())), 2477);
  EXPECT_EQ(normaliseVersion(versionDigits(("1" + std::string(30, '0')).c_str())), 1000);
}

TEST(CupsVersion, HundredAndNothingAreNoVersion) {
  EXPECT_FALSE(isVersion(versionDigits("1.0.0")));
  EXPECT_FALSE(isVersion(versionDigits("0.0")));
  EXPECT_FALSE(isVersion(-1));
  EXPECT_TRUE(isVersion(versionDigits("1.0.1")));
  EXPECT_TRUE(isVersion(1000));
}

TEST(CupsVersion, ServerHeaderScalesExactly) {
  EXPECT_EQ(headerVersion("Server: CUPS/2.4 IPP/2.1\r\n"), 240);
  EXPECT_EQ(headerVersion("Server: CUPS/1.3\n"), 130);
  EXPECT_EQ(headerVersion("Server: CUPS/1.25\n"), 125);
  EXPECT_EQ(headerVersion("Server: CUPS/2.4.1 IPP/2.1\n"), 240);
  EXPECT_EQ(headerVersion("Server: CUPS/1.999\n"), 199);
  EXPECT_EQ(headerVersion("Server: CUPS/12.1\n"), 121);
  EXPECT_EQ(headerVersion("Server: CUPS/123.9\n"), 123);
  EXPECT_EQ(headerVersion("Server: CUPS/2\n"), 200);
  EXPECT_EQ(headerVersion("Server: CUPS 2.4\n"), 0);  // no slash, then a blank
  EXPECT_EQ(headerVersion("Server: CUPS/\n"), 0);
  std::string longWhole = "Server: CUPS/" + std::string(40, '3') + ".1\n";
  EXPECT_EQ(normaliseVersion(headerVersion(longWhole.c_str())), 3333);
}

TEST(CupsVersion, ReplyTakesTheFirstCupsServerLine) {
  TempDir dir;
  std::string reply = dir.file("reply");
  writeFile(reply,
            "HTTP/1.1 400 Bad Request\r\nServer: nginx\r\n"
            "X-Note: CUPS/9.9\r\nServer: CUPS/2.4 IPP/2.1\r\nServer: CUPS/1.1\r\n");
  EXPECT_EQ(versionFromReply(reply), 240);
  writeFile(reply, "");
  EXPECT_EQ(versionFromReply(reply), 0);
  EXPECT_EQ(versionFromReply(dir.file("missing")), 0);
}

struct SourceCase {
  const VersionLine* where;
  const char* text;
  int version;
  const char* line;
};

TEST(CupsVersion, FileSourcesFindTheirLine) {
  const SourceCase cases[] = {
      {&kFirstLine, "2.4.2\nx 3.0\n", 242, "2.4.2\n"},
      {&kPrintersConfLine,
       "# Printer configuration file\n# Printer configuration file for CUPS v2.3.3op2\n", 233,
       "# Printer configuration file for CUPS v2.3.3op2\n"},
      {&kIndexTitleLine, "<HEAD>\n<TITLE>Home - CUPS   1.5.3</TITLE>\n", 153,
       "<TITLE>Home - CUPS   1.5.3</TITLE>\n"},
      {&kTestPagePsLine, "%!PS\n(Printed Using CUPS v1.2.7) show\n", 127,
       "(Printed Using CUPS v1.2.7) show\n"},
      {&kTestPageLine, "This page was PRODUCED BY cups \t vV1.1.23\n", 1123,
       "This page was PRODUCED BY cups \t vV1.1.23\n"},
  };
  TempDir dir;
  for (const SourceCase& c : cases) {
    std::string path = dir.file("source");
    writeFile(path, c.text);
    std::string line;
    EXPECT_EQ(versionFromFile(path, *c.where, &line), c.version) << c.text;
    EXPECT_EQ(line, c.line);
  }
}

TEST(CupsVersion, FileSourceStopsAtItsFirstMatchingLine) {
  TempDir dir;
  std::string path = dir.file("printers.conf");
  std::string line;
  // The first full match names no version: the source gives none, even
  // though a later line would.
  writeFile(path, "# Printer configuration for CUPS vX\n# Printer configuration v2.2\n");
  EXPECT_EQ(versionFromFile(path, kPrintersConfLine, &line), -1);
  EXPECT_EQ(line, "# Printer configuration for CUPS vX\n");
  writeFile(path, "<Printer a>\n</Printer>\n");
  EXPECT_EQ(versionFromFile(path, kPrintersConfLine, &line), -1);
  EXPECT_EQ(versionFromFile(dir.file("missing"), kPrintersConfLine, &line), -1);
}

TEST(CupsVersion, LongLinesAreReadInPieces) {
  TempDir dir;
  std::string path = dir.file("testprint");
  // The marker stands at the end of the first 255-character piece and the
  // version at the start of the next: they are different lines.
  writeFile(path, std::string(255 - 16, 'x') + "produced by CUPS" + "v2.4\n");
  std::string line;
  EXPECT_EQ(versionFromFile(path, kTestPageLine, &line), -1);
  EXPECT_EQ(line.size(), 255u);
}

}  // namespace
