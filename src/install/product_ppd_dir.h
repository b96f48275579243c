// The product PPD directory during the file installation: made sure of
// (with a fallback under the CUPS model directory), and its PPD files
// archived when upgrading from the earlier generation.
#ifndef LUMO_INSTALL_PRODUCT_PPD_DIR_H
#define LUMO_INSTALL_PRODUCT_PPD_DIR_H

#include <string>

#include "discovery/facts.h"

class Log;

inline constexpr char kPpdArchive[] = "/var/tmp/LumoPPDFiles4.0-7.tar";

// Creates ppdInstallDir when it is set but missing; when that fails,
// replaces it by <cupsModelDir>/oxa and makes sure of that directory.
void prepareProductPpdDir(Log& log, PpdLocations& ppd);

// The product PPD directory the run will use: ppdInstallDir when it is
// there or can be made, else the fallback under the CUPS model directory
// that prepareProductPpdDir takes.
std::string plannedProductPpdDir(const PpdLocations& ppd);

// Archives every entry of the directory with tar, unless an archive of
// ours is there already (kept: it holds what the first run found).
// Returns the shell's status (0 for a kept archive), or -1 when the
// directory does not exist or the archive cannot be created afresh.
int savePpdFiles(Log& log, const std::string& dir, const std::string& archive = kPpdArchive);

#endif
