#include "install/manifest.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "base/fs_helpers.h"
#include "base/line_reader.h"
#include "base/log.h"
#include "base/text.h"

namespace {

// Fields are runs of the characters 0x21 to 0x7F; every other byte
// (blanks, tabs, control characters, bytes from 0x80) separates them.
bool isFieldChar(char c) {
  unsigned char u = (unsigned char)c;
  return u >= 0x21 && u <= 0x7F;
}

// The next field at or after `from`: its start and its end (one past).
bool nextField(const std::string& line, size_t from, size_t& start, size_t& end) {
  start = from;
  while (start < line.size() && !isFieldChar(line[start]))
    ++start;
  end = start;
  while (end < line.size() && isFieldChar(line[end]))
    ++end;
  return start < end;
}

// The mode is the octal number that begins at the first "00" of the text
// (so a file-type prefix such as 100644 still gives 0644) and ends at the
// next separator.  A value of 0 or one too large for the field gives 0755.
bool findMode(const std::string& rest, int& mode) {
  size_t at = rest.find("00");
  if (at == std::string::npos)
    return false;
  size_t end = at;
  while (end < rest.size() && isFieldChar(rest[end]))
    ++end;
  long value = std::strtol(rest.substr(at, end - at).c_str(), nullptr, 8);
  mode = value <= 0 || value > INT_MAX ? 0755 : int(value);
  return true;
}

// Cuts an entry line into the entry.  False when the source name is too
// long for the table (the entry is refused, never cut).
bool readEntry(Log& log, const std::string& line, ManifestEntry& entry) {
  size_t start, end;
  nextField(line, 0, start, end);
  if (end - start > kSourceMax) {
    log.printf("Source name longer than %zu characters refused: '%s'.", kSourceMax,
              line.substr(start, end - start).c_str());
    return false;
  }
  entry = ManifestEntry();
  entry.source = line.substr(start, end - start);
  if (!nextField(line, end, start, end))
    return true;
  entry.target = line.substr(start, end - start);
  if (findMode(line.substr(end), entry.mode))
    log.trace("getInfoData: %s ===> %s, o%o.\n", entry.source.c_str(), entry.target.c_str(),
          unsigned(entry.mode));
  return true;
}

File openManifest(Log& log, const std::string& startDir, const std::string& manifestName) {
  std::string inEtc = startDir + "/etc/" + manifestName;
  std::string beside = startDir + "/" + manifestName;
  File in = openPath(log, inEtc, "r");
  if (in) {
    log.printf("LUMOINST.CONF = %s.", inEtc.c_str());
    return in;
  }
  in = openPath(log, beside, "r");
  if (in)
    log.printf("LUMOINST.CONF = %s.", beside.c_str());
  else
    log.printf(msg::kCannotOpenManifest, beside.c_str());
  return in;
}

}  // namespace

Manifest getInfoData(Log& log, const std::string& startDir, const std::string& manifestName) {
  File in = openManifest(log, startDir, manifestName);
  return in ? readManifest(log, in.get()) : Manifest();
}

Manifest readManifest(Log& log, FILE* in) {
  Manifest manifest;
  // Lines are read in pieces of at most 255 characters; each piece counts
  // as a line of its own.
  std::string line;
  while (readPiece(in, line)) {
    if (line.empty() || line.find("@@NULL") != std::string::npos)
      break;
    if (line[0] == '#' || line == "\n")
      continue;
    trimEnd(line, "\n\r ");
    // An entry starts in the first column.
    if (line.empty() || !isFieldChar(line[0]))
      continue;
    if (int(manifest.size()) == kManifestMax) {
      log.printf("The install manifest holds more than %d entries: the rest is not read.",
                kManifestMax);
      break;
    }
    ManifestEntry entry;
    if (readEntry(log, line, entry))
      manifest.push_back(entry);
  }
  return manifest;
}
