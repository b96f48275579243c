// The manifest's files: where each goes and whether the run copies it,
// planned before anything changes, then copied item by item with each
// outcome recorded in the plan.
#ifndef LUMO_INSTALL_COPY_ENTRIES_H
#define LUMO_INSTALL_COPY_ENTRIES_H

#include <string>
#include <vector>

#include "base/status.h"
#include "discovery/context.h"
#include "install/manifest.h"

enum class FileAction {
  kCopy,
  kInPlace,        // installing in place: the file is already where it belongs
  kNoProductFile,  // a source too short to be one of the product's files
  kNoDestination,  // a target of no known form
  kUntrusted,      // a source others than root could have written
};

// The action's name in the report: "copy", "in-place", ...
const char* fileActionName(FileAction action);

struct FilePlan {
  ManifestEntry entry;
  std::string destination;  // the directory (or file) the copy goes to
  std::string installed;    // the file installed
  FileAction action = FileAction::kCopy;
  Status why;  // why an untrusted source is not copied
  // A copy whose installed file already holds the source's bytes with the
  // entry's mode: a rerun that copies it changes nothing there.
  bool current = false;
  ItemState state = ItemState::kPlanned;
  Status status;  // why the copy failed
};
using FilePlans = std::vector<FilePlan>;

// The destination of an entry by the form of its target:
//   "." or "/"   installDir/source (the file itself)
//   "?"          the product PPD directory (made before the copies), else
//                cupsModelDir when it is a directory, else /tmp
//   "./dir"      installDir/dir
//   "/dir"       the target itself (more than two characters)
// Empty for a target of no known form.
std::string entryDestination(const ManifestEntry& entry, const std::string& installDir,
                             const PpdLocations& ppd);

// Plans each entry of the manifest, in its order; its sources lie in
// startDir.  When the start directory is the installation directory
// (`dirsDiffer` false) only the "?" entries are copied: the others are in
// place already.  A source is copied only when root alone can have
// written it.
FilePlans planFiles(const Manifest& manifest, const std::string& startDir,
                    const std::string& installDir, const PpdLocations& ppd, bool dirsDiffer);

// Copies the planned files whole, each staged beside its place and renamed
// over it with its mode (copyFile), recording each outcome.
void copyFiles(Context& run, FilePlans& files);

#endif
