#include "discovery/cups_version.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/files.h"
#include "base/line_reader.h"
#include "base/log.h"
#include "base/shell.h"
#include "base/text.h"
#include "base/tmp_file.h"
#include "discovery/tools.h"

const VersionLine kFirstLine = {"", false, "", ""};
const VersionLine kPrintersConfLine = {"Printer configuration", false, " v", ""};
const VersionLine kIndexTitleLine = {"<TITLE>", false, "CUPS", " "};
const VersionLine kTestPagePsLine = {"Printed Using CUPS", false, " v", ""};
const VersionLine kTestPageLine = {"produced by CUPS", true, "", " \tvV"};

namespace {

// The longest digits texts read: a server header's version, and the digits
// of the digit rule.  Longer texts are cut; only their leading digits can
// matter to a normalised version anyway.
constexpr size_t kHeaderTextMax = 31;
constexpr size_t kDigitsMax = 23;

constexpr int kFallbackVersion = 1400;

constexpr char kSpacedFormat[] = "CUPS Version : %d // %s";
constexpr char kJoinedFormat[] = "CUPS Version : %d// %s";

// The value of a text of digits.  Beyond nine significant digits the rest
// cannot change the normalised version, and nine always fit an int.
int digitsValue(const std::string& digits) {
  size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos)
    return 0;
  return std::stoi(digits.substr(first, 9));
}

bool isDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool exists(const char* path) {
  return access(path, F_OK) == 0;
}

const char* firstExisting(const char* first, const char* second) {
  return exists(first) ? first : second;
}

// Where the digits of a matching line start, or nullptr when the line does
// not match.
const char* versionStart(const char* line, const VersionLine& where) {
  const char* marker =
      where.caseless ? strcasestr(line, where.marker) : std::strstr(line, where.marker);
  if (!marker)
    return nullptr;
  const char* after = std::strstr(marker + std::strlen(where.marker), where.after);
  if (!after)
    return nullptr;
  after += std::strlen(where.after);
  return after + std::strspn(after, where.skip);
}

bool isCupsServerLine(const char* line) {
  return std::strstr(line, "Server:") && std::strstr(line, "CUPS");
}

// The program that talks to the server: the product's own netcat in the
// start directory's bin/ (where setup is), beside setup or in the
// product's binary directory, else the system's nc.
std::string netcatProgram(const std::string& startDir) {
  for (const char* dir : {"/bin", ""}) {
    std::string own = startDir + dir + "/orbnc";
    if (!startDir.empty() && exists(own.c_str()))
      return own;
  }
  if (exists("/opt/oxa/bin/orbnc"))
    return "/opt/oxa/bin/orbnc";
  std::string nc = findTool("nc");
  return nc.empty() ? "nc" : nc;
}

// The file sources of the version, each giving a number (see versionDigits)
// and the text to log with it.
int fromCupsConfig(std::string* text) {
  const char* tool = nullptr;
  for (const char* path : {"/usr/bin/cups-config", "/usr/sbin/cups-config", "/sbin/cups-config"})
    if (!tool && exists(path))
      tool = path;
  if (!tool)
    return -1;
  std::string output = newTmpFile("/tmp");
  runShell(std::string(tool) + " --version > " + " " + shellWord(output));
  int version = versionFromFile(output, kFirstLine, text);
  unlink(output.c_str());
  return version;
}

int fromPrintersConf(std::string* text) {
  return versionFromFile("/etc/cups/printers.conf", kPrintersConfLine, text);
}

int fromIndexTitle(std::string* text) {
  return versionFromFile("/usr/share/cups/doc/index.html", kIndexTitleLine, text);
}

int fromDocDir(std::string* text) {
  for (int minor = 0; minor <= 5; ++minor) {
    std::string dir = formatText("%s/cups-1.%d", "/usr/share/doc", minor);
    if (exists(dir.c_str())) {
      *text = dir;
      return 1000 + 100 * minor;
    }
  }
  return -1;
}

int fromTestPagePs(std::string* text) {
  return versionFromFile(
      firstExisting("/etc/cups/data/testprint.ps", "/usr/share/cups/data/testprint.ps"),
      kTestPagePsLine, text);
}

int fromTestPage(std::string* text) {
  return versionFromFile(
      firstExisting("/usr/share/cups/data/testprint", "/etc/cups/data/testprint"), kTestPageLine,
      text);
}

// joined: the source is logged without the blank before its "//".
const struct {
  int (*read)(std::string* text);
  bool joined;
} kFileSources[] = {
    {fromCupsConfig, false}, {fromPrintersConf, false}, {fromIndexTitle, true},
    {fromDocDir, true},      {fromTestPagePs, true},    {fromTestPage, true},
};

}  // namespace

int normaliseVersion(int version) {
  if (version <= 0)
    return version;
  while (version <= 999)
    version *= 10;
  while (version > 9999)
    version /= 10;
  return version;
}

int versionDigits(const char* text) {
  std::string digits;
  for (; isDigit(*text) || *text == '.'; ++text)
    if (*text != '.' && digits.size() < kDigitsMax)
      digits += *text;
  return digits.empty() ? -1 : digitsValue(digits);
}

bool isVersion(int version) {
  return version > 0 && version != 100;
}

int headerVersion(const char* line) {
  const char* cups = std::strstr(line, "CUPS");
  if (!cups)
    return 0;
  const char* start = cups + 4;
  if (*start == '/')
    ++start;
  std::string text;
  for (const char* c = start; (isDigit(*c) || *c == '.') && text.size() < kHeaderTextMax; ++c)
    text += *c;

  // Read as a decimal number, which ends at a second dot, and scaled
  // exactly: whole numbers below 10 by 100, below 100 by 10.
  size_t dot = text.find('.');
  int whole = digitsValue(text.substr(0, dot));
  std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
  fraction.erase(std::min(fraction.find('.'), fraction.size()));
  size_t places = whole < 10 ? 2 : whole < 100 ? 1 : 0;
  fraction.resize(places, '0');
  int scaled = whole;
  for (char digit : fraction)
    scaled = scaled * 10 + (digit - '0');
  return scaled;
}

int versionFromReply(const std::string& path) {
  File in = openFile(path, "r");
  return in ? versionFromReply(in.get()) : 0;
}

int versionFromReply(FILE* in) {
  int version = 0;
  scanLines(in, [&](const char* line) {
    if (!isCupsServerLine(line))
      return false;
    version = headerVersion(line);
    return true;
  });
  return version;
}

int versionFromFile(const std::string& path, const VersionLine& where, std::string* line) {
  File in = openFile(path, "r");
  return in ? versionFromFile(in.get(), where, line) : -1;
}

int versionFromFile(FILE* in, const VersionLine& where, std::string* line) {
  int version = -1;
  scanLines(in, [&](const char* text) {
    const char* start = versionStart(text, where);
    if (!start)
      return false;
    *line = text;
    version = versionDigits(start);
    return true;
  });
  return version;
}

int versionFromServerHeader(Log& log, const std::string& startDir, int serverSeconds) {
  std::string reply = newTmpFile("/tmp");
  std::string exchange = formatText(
      "#!/bin/sh\n%s localhost 631 >%s <<EOF\nHEAD / HTTP/1.1\nConnection: Close\n%c\nEOF\n",
      shellWord(netcatProgram(startDir)).c_str(), shellWord(reply).c_str(), '\n');
  int version = 0;
  if (runShellWithin(exchange, serverSeconds) == kShellTimedOut)
    log.printf("The print server did not answer within %d seconds: the version is looked for "
               "in the files.",
               serverSeconds);
  else
    version = versionFromReply(reply);
  unlink(reply.c_str());
  return version;
}

int versionFromFiles(Log& log) {
  std::string text;
  for (const auto& source : kFileSources) {
    int version = source.read(&text);
    if (isVersion(version)) {
      version = normaliseVersion(version);
      if (source.joined)
        log.printf(kJoinedFormat, version, text.c_str());
      else
        log.printf(kSpacedFormat, version, text.c_str());
      return version;
    }
  }
  log.printf(kJoinedFormat, kFallbackVersion, msg::kCupsVersionNotFound);
  return kFallbackVersion;
}

int getCupsVersion(Log& log, const std::string& startDir, int serverSeconds) {
  int version = versionFromServerHeader(log, startDir, serverSeconds);
  if (version <= 0)
    return versionFromFiles(log);
  version = normaliseVersion(version);
  log.printf("CUPS Header Version : %d//HTTP", version);
  return version;
}
