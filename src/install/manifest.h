// The install manifest: the product's files, each with where it goes and
// the permission bits it gets, read into a process-wide table.
#ifndef LUMO_INSTALL_MANIFEST_H
#define LUMO_INSTALL_MANIFEST_H

#include <string>

constexpr int kManifestMax = 256;     // entries the table holds
constexpr size_t kSourceMax = 47;     // characters of a source name

struct ManifestEntry {
  std::string source;  // relative to the start directory
  std::string target;  // ".", "/", "./dir", "/dir" or "?"; may be empty
  int mode = 0;        // 0: leave the permissions as the copy gives them
};

extern ManifestEntry manifestTable[kManifestMax];

// Reads startDir/etc/<manifestName>, else startDir/<manifestName>, into the
// manifest table.  Returns the number of entries, 0 when the manifest
// cannot be opened or holds none.
int getInfoData();

#endif
