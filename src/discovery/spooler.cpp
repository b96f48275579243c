#include "discovery/spooler.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/files.h"
#include "base/line_reader.h"
#include "base/log.h"
#include "base/shell.h"
#include "base/text.h"
#include "base/tmp_file.h"
#include "base/trusted_path.h"
#include "discovery/cups_dirs.h"

namespace {

const char* const kFoomaticRips[] = {
    "/usr/bin/foomatic-rip",
    "/bin/foomatic-rip",
    "/sbin/foomatic-rip",
    "/usr/local/bin/foomatic-rip",
    "/opt/bin/foomatic-rip",
    "/usr/lib/cups/filter/foomatic-rip",
    "/usr/local/lib/cups/filter/foomatic-rip",
    "/opt/lib/cups/filter/foomatic-rip",
    "/lib/cups/filter/foomatic-rip",
};

struct NamedKind {
  const char* name;
  int kind;
};

const NamedKind kSpoolerNames[] = {
    {"CUPS", kSpoolerCups},
    {"LPRNG", kSpoolerLprng},
    {"LPR", kSpoolerLpr},
    {"LP", kSpoolerLp},
};

// The daemons looked for, in order, and the kind each one means.  The CUPS
// daemon is looked for first and again last.
const NamedKind kDaemons[] = {
    {"cupsd", kSpoolerCups},
    {"lpsched", kSpoolerLp},
    {"lpd", kSpoolerLpr},
    {"cupsd", kSpoolerCups},
};

// The running CUPS daemon's directories: the path by which it was started,
// then what its start scripts (or the machine's directories) say.
void findCupsDirs(Facts& facts, const std::string& word) {
  if (std::optional<std::string> prefix = cupsdPrefix(word))
    facts.cupsBinDir = *prefix;
  std::string prefix, execPrefix;
  if (readCupsPrefixes(prefix, execPrefix, facts.cupsBinDir) != 1)
    return;
  if (!prefix.empty())
    facts.cupsBaseDir = prefix;
  if (!execPrefix.empty())
    facts.cupsBinDir = execPrefix;
}

// The kind of the first daemon seen in the process listings, or 0.  The
// listing goes into a file of our own, created exclusively: a predictable
// name in /tmp would let anyone have this root process write through a
// planted link.
int daemonKind(Log& log, Facts& facts, int pauseSeconds) {
  std::string listing = newTmpFile("/tmp", "ORBLPD");
  int kind = kSpoolerUnknown;
  for (int i = 0; i < 4; ++i) {
    std::string command = formatText("ps -ef | grep %s > %s", kDaemons[i].name,
                                     shellWord(listing).c_str());
    runShell(command);
    sleep(unsigned(pauseSeconds));
    std::string word;
    ListingCheck accept;
    if (kDaemons[i].kind == kSpoolerCups)
      accept = [&log](const char* line, const std::string& w) {
        return isTrustedScheduler(log, line, w);
      };
    int found = findInListing(log, listing, kDaemons[i].name, i, &word, accept);
    if (found < 0) {
      std::fprintf(stderr, "Cannot open file(cmd=%s) i=%d\n", command.c_str(), i);
      break;
    }
    if (found > 0) {
      kind = kDaemons[i].kind;
      if (i == 0)
        findCupsDirs(facts, word);
      break;
    }
  }
  unlink(listing.c_str());
  return kind;
}

// An lpd that names itself LPRng when asked for its version.
int lprngTest(int kind) {
  std::string answer = newTmpFile("/tmp", "ORBLPRNG");
  runShell(formatText("lpd -V 2> %s", shellWord(answer).c_str()));
  kind = lprngKind(answer, kind);
  unlink(answer.c_str());
  return kind;
}

// The second field of a "ps -ef" line, the process id, when it is all
// digits; else empty.
std::string processId(const char* line) {
  const char* at = line + std::strspn(line, " ");
  at += std::strcspn(at, " ");
  at += std::strspn(at, " ");
  size_t digits = std::strspn(at, "0123456789");
  if (digits == 0 || (at[digits] != ' ' && at[digits] != '\0'))
    return std::string();
  return std::string(at, digits);
}

// The program path at the start of a word: up to its first blank.
std::string programPath(const std::string& word) {
  size_t start = word.find_first_not_of(' ');
  if (start == std::string::npos)
    return std::string();
  size_t end = word.find_first_of(" \t\r\n", start);
  return word.substr(start, end == std::string::npos ? end : end - start);
}

std::string executableOf(const std::string& pid, std::string* why) {
  std::string link = "/proc/" + pid + "/exe";
  char target[4096];
  ssize_t size = readlink(link.c_str(), target, sizeof target - 1);
  if (size < 0) {
    *why = link + ": " + std::strerror(errno);
    return std::string();
  }
  return std::string(target, size_t(size));
}

}  // namespace

bool isTrustedScheduler(Log& log, const char* line, const std::string& word) {
  std::string pid = processId(line);
  std::string why = "no process id";
  std::string program = pid.empty() ? std::string() : executableOf(pid, &why);
  bool trusted = !program.empty() && isRootOnlyPath(program, &why);
  if (trusted && cupsdPrefix(word)) {
    program = programPath(word);
    trusted = isRootOnlyPath(program, &why);
  }
  if (!trusted)
    log.printf("CUPS scheduler %s passed over (process %s): %s.",
               program.empty() ? "?" : program.c_str(), pid.empty() ? "?" : pid.c_str(),
               why.c_str());
  return trusted;
}

bool hasFoomaticRip() {
  for (const char* path : kFoomaticRips)
    if (access(path, F_OK) == 0)
      return true;
  return false;
}

int spoolerKindNamed(const char* name) {
  for (const auto& spooler : kSpoolerNames)
    if (std::strcmp(name, spooler.name) == 0)
      return spooler.kind;
  return kSpoolerUnknown;
}

const char* spoolerName(int kind) {
  for (const auto& spooler : kSpoolerNames)
    if (kind == spooler.kind)
      return spooler.name;
  return nullptr;
}

int spoolerFromEnv() {
  const char* mode = std::getenv("ORBLPMODE");
  if (!mode)
    mode = std::getenv("LUMOLPMODE");
  return mode ? spoolerKindNamed(mode) : kSpoolerUnknown;
}

int findInListing(Log& log, const std::string& path, const char* name, int position,
                  std::string* word, const ListingCheck& accept) {
  File in = openFile(path, "r");
  return in ? findInListing(log, in.get(), name, position, word, accept) : -1;
}

int findInListing(Log& log, FILE* in, const char* name, int position, std::string* word,
                  const ListingCheck& accept) {
  return scanLines(in, [&](const char* line) {
    log.trace("STRING=(%s) i=%d\n", line, position);
    const char* match = std::strstr(line, name);
    if (std::strstr(line, "grep") || !match)
      return false;
    const char* start = match;
    while (start > line && start[-1] != ' ')
      --start;
    if (accept && !accept(line, start))
      return false;
    *word = start;
    return true;
  });
}

int lprngKind(const std::string& path, int kindSoFar) {
  File in = openFile(path, "r");
  return in ? lprngKind(in.get(), kindSoFar) : kindSoFar;
}

int lprngKind(FILE* in, int kindSoFar) {
  bool named =
      scanLines(in, [](const char* line) { return std::strstr(line, "LPRng") != nullptr; });
  return named ? kSpoolerLprng : kindSoFar;
}

int probeSpooler(Log& log, Facts& facts, int pauseSeconds) {
  int kind = daemonKind(log, facts, pauseSeconds);
  if (kind == kSpoolerCups || kind == kSpoolerLp)
    return kind;
  return lprngTest(kind);
}
