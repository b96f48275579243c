// The install manifest: the product's files, each with where it goes and
// the permission bits it gets, read into a process-wide table.
#ifndef LUMO_INSTALL_MANIFEST_H
#define LUMO_INSTALL_MANIFEST_H

#include <cstdio>
#include <string>
#include <vector>

class Log;

constexpr int kManifestMax = 256;     // entries the table holds
constexpr size_t kSourceMax = 47;     // characters of a source name

struct ManifestEntry {
  std::string source;  // relative to the start directory
  std::string target;  // ".", "/", "./dir", "/dir" or "?"; may be empty
  int mode = 0;        // 0: leave the permissions as the copy gives them
};

using Manifest = std::vector<ManifestEntry>;

// Reads startDir/etc/<manifestName>, else startDir/<manifestName>: at most
// 256 entries, none when the manifest cannot be opened.
Manifest getInfoData(Log& log, const std::string& startDir, const std::string& manifestName);

// The entries of an open manifest, read as getInfoData reads them.
Manifest readManifest(Log& log, FILE* in);

#endif
