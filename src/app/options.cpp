#include "app/options.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/catalogue.h"
#include "base/text.h"

namespace {

const char kOptionString[] = "df:hi:Lm:nq:r:u:w:xS:D:Z:";
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

}  // namespace

std::string firstOptionPass(int argc, char** argv, Options& options) {
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
      case 'r':
        if (refusal.empty())
          refusal = setText(options.reportPath, 'r', optarg);
        break;
      case 'x': options.exitStatus = true; break;
      default: break;
    }
  }
  resetScanner();
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
      case 'u': problem = setText(options.installDir, 'u', optarg); break;
      case 'w': problem = setText(options.baseDir, 'w', optarg); break;
      default: break;
    }
    if (refusal.empty())
      refusal = problem;
  }
  return refusal;
}

void printUsage() {
  std::fprintf(stderr, msg::kSetupVersion, kUsageVersion);
  std::fputs(msg::kCopyrightFirst, stderr);
  std::fputs(msg::kCopyrightSecond, stderr);
  std::fputs(msg::kUsageTitle, stderr);
  std::fputs(msg::kUsageSynopsis, stderr);
  std::fputs(msg::kUsageOptions, stderr);
  std::fprintf(stderr, msg::kUsageDeinstall, kUsageVersion);
  for (const char* line : {msg::kUsageAnyDir, msg::kUsageHelp, msg::kUsageQuery,
                           msg::kUsageSelinux, msg::kUsageDebug})
    std::fputs(line, stderr);
}
