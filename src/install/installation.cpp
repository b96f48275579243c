#include "install/installation.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/log.h"
#include "driver/run_settings.h"

namespace {

// The earlier installations always kept their information file here,
// whatever directory they installed into.
const char kProductDir[] = "/opt/oxa";

// The value of the first line (in 255-character pieces) that contains
// USRDIR: after the keyword and the one separator that follows it, past
// blanks, control characters and bytes from 0x80, up to a blank, a line
// feed or the end of the line.  False when no line contains the keyword.
bool readUsrdir(FILE* in, std::string& value) {
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, in)) {
    const char* at = std::strstr(buffer, "USRDIR");
    if (!at)
      continue;
    const char* p = at + 6;
    if (*p)
      ++p;
    while (*p && ((unsigned char)*p <= 0x20 || (unsigned char)*p >= 0x80))
      ++p;
    const char* end = p;
    while (*end && *end != ' ' && *end != '\n')
      ++end;
    value.assign(p, end);
    return true;
  }
  return false;
}

}  // namespace

int findInstallation(std::string& existingDir, int& kind) {
  kind = kInstallationNone;
  const char* named = std::getenv("LUMOINFO");
  if (named && std::strlen(named) > kTextMax) {
    logFormat("LUMOINFO longer than %zu characters refused.", kTextMax);
    return 0;
  }
  // LUMOINFO names the file for both attempts, so it only yields kind 1.
  for (int attempt : {kInstallationFirst, kInstallationSecond}) {
    std::string path =
        named ? named
              : formatText(attempt == kInstallationFirst ? "%s/lumoInfo2.0" : "%s/lumoInfo4.0",
                           kProductDir);
    FILE* in = std::fopen(path.c_str(), "r");
    if (!in)
      continue;
    std::string value;
    bool found = readUsrdir(in, value);
    std::fclose(in);
    if (found) {
      existingDir = value;
      kind = attempt;
      return 1;
    }
  }
  return 0;
}
