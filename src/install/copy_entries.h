// The copy loop of the file installation: every manifest entry copied to
// the destination its target names, then given its mode.
#ifndef LUMO_INSTALL_COPY_ENTRIES_H
#define LUMO_INSTALL_COPY_ENTRIES_H

#include <string>
#include <vector>

#include "discovery/context.h"
#include "install/manifest.h"

// The destination of an entry by the form of its target:
//   "." or "/"   installDir/source (the file itself)
//   "?"          ppdInstallDir, else cupsModelDir, whichever is a directory,
//                else /tmp
//   "./dir"      installDir/dir
//   "/dir"       the target itself (more than two characters)
// Empty for a target of no known form.
std::string entryDestination(const ManifestEntry& entry, const std::string& installDir,
                             const PpdLocations& ppd);

// The file an entry installs: the destination itself for a file target,
// else the source's last name in the destination directory.  Empty when
// the entry has no destination.
std::string installedPath(const ManifestEntry& entry, const std::string& installDir,
                          const PpdLocations& ppd);

// Copies the manifest's entries whole, each staged beside its place and
// renamed over it with its mode (copyFile), and tells what became of each,
// in the manifest's order.  When the start directory is the installation
// directory (`dirsDiffer` false) only the "?" entries are copied: the
// others are in place already.
std::vector<CopyState> copyManifestEntries(Context& run, const Manifest& manifest,
                                           const std::string& installDir, bool dirsDiffer);

#endif
