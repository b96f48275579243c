#include "install/installation.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/files.h"
#include "base/line_reader.h"
#include "base/log.h"
#include "base/text.h"
#include "base/trusted_path.h"

namespace {

// The earlier installations always kept their information file here,
// whatever directory they installed into.
const char kProductDir[] = "/opt/oxa";

}  // namespace

bool readUsrdir(FILE* in, std::string& value) {
  std::string piece;
  while (readPiece(in, piece)) {
    const char* at = std::strstr(piece.c_str(), "USRDIR");
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

bool findInstallation(Log& log, std::string& existingDir, int& kind) {
  kind = kInstallationNone;
  const char* named = std::getenv("LUMOINFO");
  if (named && std::strlen(named) > kTextMax) {
    log.printf("LUMOINFO longer than %zu characters refused.", kTextMax);
    return false;
  }
  // LUMOINFO names the file for both attempts, so it only yields kind 1.
  for (int attempt : {kInstallationFirst, kInstallationSecond}) {
    std::string path =
        named ? named
              : formatText(attempt == kInstallationFirst ? "%s/lumoInfo2.0" : "%s/lumoInfo4.0",
                           kProductDir);
    // A user's file in the product's place must not name the directory
    // root installs into or removes.
    File in = openRootOnlyFile(log, path);
    std::string value;
    if (in && readUsrdir(in.get(), value)) {
      existingDir = value;
      kind = attempt;
      return true;
    }
  }
  return false;
}
