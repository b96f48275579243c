// The running CUPS version as a four-digit number: 1400 stands for 1.4,
// 2420 for 2.4.2.  Taken from the local server's reply header, else from
// cups-config and the files CUPS installs, else 1400.
#ifndef LUMO_DISCOVERY_CUPS_VERSION_H
#define LUMO_DISCOVERY_CUPS_VERSION_H

#include <cstdio>
#include <string>

class Log;

// The version, logged with the source it came from.  startDir is where
// the product's own netcat may lie; the server is given serverSeconds to
// answer.
int getCupsVersion(Log& log, const std::string& startDir, int serverSeconds);

// The scaled version named by the local server's "Server:" header, or 0;
// also 0, with a Log line, when the server has not answered within
// serverSeconds.
int versionFromServerHeader(Log& log, const std::string& startDir, int serverSeconds);

// The normalised version from cups-config and the CUPS files; 1400 when
// none of them names one.
int versionFromFiles(Log& log);

// Maps a positive number into 1000 to 9999: 242 gives 2420, a five-digit
// number loses its last digit.
int normaliseVersion(int version);

// The digit rule: from text on, digits are kept and dots stepped over up
// to the first other character, and the digits are read as one number
// (2.4.2 gives 242); -1 when no digit comes first.
int versionDigits(const char* text);

// Whether a number read from a source counts as a version: 100 (as 1.0.0
// reads) and numbers without value do not.
bool isVersion(int version);

// The scaled version of a "Server:" header line, read after its first
// "CUPS" (and one slash) as a decimal number: 1.3 gives 130, 2.4 gives 240,
// 1.25 gives 125, 12.1 gives 121.
int headerVersion(const char* line);

// The scaled version of the first line of a server reply holding both
// "Server:" and "CUPS"; 0 when there is none or the file cannot be read.
int versionFromReply(const std::string& path);
int versionFromReply(FILE* in);

// Where a file names the version: the first line that holds marker
// (compared without regard to case when caseless) and, behind it, after;
// the digits start behind after, once the characters of skip are stepped
// over.
struct VersionLine {
  const char* marker;
  bool caseless;
  const char* after;
  const char* skip;
};

extern const VersionLine kFirstLine;        // cups-config's answer
extern const VersionLine kPrintersConfLine;  // printers.conf's comment
extern const VersionLine kIndexTitleLine;    // the documentation's title
extern const VersionLine kTestPagePsLine;    // the PostScript test page
extern const VersionLine kTestPageLine;      // the other test page

// The number the file's first such line names (see versionDigits), with the
// line in *line; -1 when the file cannot be opened or has no such line.
int versionFromFile(const std::string& path, const VersionLine& where, std::string* line);
// The same from an open stream, read from where it stands; -1 when it has
// no such line.
int versionFromFile(FILE* in, const VersionLine& where, std::string* line);

#endif
