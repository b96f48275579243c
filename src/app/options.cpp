#include "app/options.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/catalogue.h"
#include "base/text.h"

namespace {

const char kOptionString[] = "df:hi:Lm:np:q:r:Ru:w:xS:D:Z:";
const char kUsageVersion[] = "4.0-7";
// Restarts getopt at the first argument (glibc re-initialises on 0).
void resetScanner() {
  optind = 0;
}

// Stores a text option, or describes why it cannot be stored.
std::string setText(std::string& setting, char option, const char* value) {
  std::string text = value;
  if (text.size() > kTextMax)
    return formatText("The argument of -%c is longer than %zu characters: refused.\n", option,
                      kTextMax);
  setting = text;
  return std::string();
}

// Whether the option letter takes an argument ("r:" in the option string).
bool takesArgument(char letter) {
  const char* at = letter == ':' ? nullptr : std::strchr(kOptionString, letter);
  return at && at[1] == ':';
}

// Whether the next word is the argument of the option word's last letter
// ("-r" or "-dr", but not "-rfile", whose argument is attached).
bool argumentFollows(const char* word) {
  for (const char* at = word + 1; *at; ++at)
    if (takesArgument(*at))
      return at[1] == '\0';
  return false;
}

// Whether an option word of the line is a long one: getopt would read
// "--dry-run" as the letters -d -r with the argument "y-run".  The words
// are classed as getopt classes them, so an option's argument ("-r --x")
// is no option word, and a bare "--" ends the options.
bool hasLongOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    if (std::strcmp(word, "--") == 0)
      return false;
    if (word[0] != '-' || word[1] == '\0')
      continue;  // an operand, which getopt passes over
    if (word[1] == '-')
      return true;
    if (argumentFollows(word))
      ++i;
  }
  return false;
}

}  // namespace

std::string firstOptionPass(int argc, char** argv, Options& options) {
  if (hasLongOption(argc, argv)) {
    options.usage = options.refusedLong = true;  // nothing else of the line is taken
    return std::string();
  }
  resetScanner();
  std::string refusal;
  int option;
  while (!options.usage && (option = getopt(argc, argv, kOptionString)) != -1) {
    switch (option) {
      case 'S': options.selinuxMode = std::atoi(optarg); break;
      case 'd': options.deinstall = true; break;
      case 'f': options.allowAnyDir = std::atoi(optarg); break;
      case 'h': options.usage = true; break;
      case 'L': options.liveUpdate = true; break;
      case 'n': options.preview = true; break;
      case 'R': options.undo = true; break;
      case 'r':
        if (refusal.empty())
          refusal = setText(options.reportPath, 'r', optarg);
        break;
      case 'x': options.exitStatus = true; break;
      default: break;
    }
  }
  resetScanner();
  if (refusal.empty() && options.undo && options.deinstall)
    refusal = "-R undoes the queue update and -d removes the product: not both.\n";
  return refusal;
}

std::string secondOptionPass(int argc, char** argv, Options& options) {
  resetScanner();
  std::string refusal;
  int option;
  while ((option = getopt(argc, argv, kOptionString)) != -1) {
    std::string problem;
    switch (option) {
      case 'D':
      case 'Z': options.debugLevel = std::atoi(optarg); break;
      case 'i': problem = setText(options.manifestName, 'i', optarg); break;
      case 'm': {
        int mode = std::atoi(optarg);
        if (mode >= 1 && mode <= 3)
          options.colourMode = mode;
        break;
      }
      case 'q': options.queryLevel = std::max(0, std::atoi(optarg)); break;
      case 'p': {
        std::string queue;
        problem = setText(queue, 'p', optarg);
        if (problem.empty())
          options.selectedQueues.push_back(queue);
        break;
      }
      case 'u': problem = setText(options.installDir, 'u', optarg); break;
      case 'w': problem = setText(options.baseDir, 'w', optarg); break;
      default: break;
    }
    if (refusal.empty())
      refusal = problem;
  }
  return refusal;
}

namespace {

// The options this installer has beyond the classic ones, listed after them.
const char kUsageLiveUpdate[] =
    "-L\t: live update: hand the new PPD files to the running CUPS scheduler, no restart.\n";
const char kUsagePreview[] = "-n\t: preview: tell what a run would do, change nothing.\n";
const char kUsageSelect[] =
    "-p queue\t: update only this queue (repeatable); the others are left as they are.\n";
const char kUsageReport[] = "-r file\t: write a JSON report of the run to file.\n";
const char kUsageUndo[] =
    "-R\t: undo the queue update: each queue gets its earlier PPD back.\n";
const char kUsageExitStatus[] =
    "-x\t: let the exit status tell the outcome: 0 done, 1 stopped, 2 fault.\n";

}  // namespace

void printUsage() {
  std::fprintf(stderr, msg::kSetupVersion, kUsageVersion);
  std::fputs(msg::kCopyrightFirst, stderr);
  std::fputs(msg::kCopyrightSecond, stderr);
  std::fputs(msg::kUsageTitle, stderr);
  std::fputs(msg::kUsageSynopsis, stderr);
  std::fputs(msg::kUsageOptions, stderr);
  std::fprintf(stderr, msg::kUsageDeinstall, kUsageVersion);
  for (const char* line : {msg::kUsageAnyDir, msg::kUsageHelp, msg::kUsageQuery,
                           msg::kUsageSelinux, msg::kUsageDebug, kUsageLiveUpdate, kUsagePreview, kUsageSelect,
                           kUsageReport, kUsageUndo, kUsageExitStatus})
    std::fputs(line, stderr);
}
