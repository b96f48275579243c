#include "driver/options.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "driver/log.h"
#include "driver/run_settings.h"

namespace {

const char kOptionString[] = "df:hi:m:q:u:w:S:D:Z:";
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

void firstOptionPass(int argc, char** argv) {
  resetScanner();
  int option;
  while ((option = getopt(argc, argv, kOptionString)) != -1) {
    switch (option) {
      case 'S': run.selinuxMode = std::atoi(optarg); break;
      case 'd': run.deinstall = 1; break;
      case 'f': run.allowAnyDir = std::atoi(optarg); break;
      case 'h': printUsage();
      default: break;
    }
  }
  resetScanner();
}

std::string secondOptionPass(int argc, char** argv) {
  resetScanner();
  std::string refusal;
  int option;
  while ((option = getopt(argc, argv, kOptionString)) != -1) {
    std::string problem;
    switch (option) {
      case 'D':
      case 'Z': run.debugLevel = std::atoi(optarg); break;
      case 'i': problem = setText(run.manifestName, 'i', optarg); break;
      case 'm': {
        int mode = std::atoi(optarg);
        if (mode >= 1 && mode <= 3)
          run.colourMode = mode;
        break;
      }
      case 'q': run.queryLevel = std::max(0, std::atoi(optarg)); break;
      case 'u': problem = setText(run.installDir, 'u', optarg); break;
      case 'w': problem = setText(run.baseDir, 'w', optarg); break;
      default: break;
    }
    if (refusal.empty())
      refusal = problem;
  }
  return refusal;
}

void printUsage() {
  std::fprintf(stderr, catalogue(kSetupVersion), kUsageVersion);
  std::fputs(catalogue(kCopyrightFirst), stderr);
  std::fputs(catalogue(kCopyrightSecond), stderr);
  std::fputs(catalogue(kUsageTitle), stderr);
  std::fputs(catalogue(kUsageSynopsis), stderr);
  std::fputs(catalogue(kUsageOptions), stderr);
  std::fprintf(stderr, catalogue(kUsageDeinstall), kUsageVersion);
  for (Msg line : {kUsageAnyDir, kUsageHelp, kUsageQuery, kUsageSelinux, kUsageDebug})
    std::fputs(catalogue(line), stderr);
  std::exit(0);
}
