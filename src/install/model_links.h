// CUPS model links: the links that the CUPS model directory already holds,
// and the product PPD directory settled from them, from the CUPS version
// and from the discovery's proposal.  CUPS before 1.3 offers only what
// lies under its model directory, so there a product PPD directory in a
// shared PPD tree is linked into the model directory as "oxa".
#ifndef LUMO_INSTALL_MODEL_LINKS_H
#define LUMO_INSTALL_MODEL_LINKS_H

#include <string>
#include <vector>

#include "discovery/facts.h"

class Log;

constexpr int kModelLinkMax = 8;

// A recorded entry of the CUPS model directory.
struct ModelLink {
  std::string path;    // <cupsModelDir>/<entry>
  std::string target;  // its link target; empty for a directory that is no link
};

using ModelLinks = std::vector<ModelLink>;

// The known links of the CUPS model directory (up to 8 with PPD_CUSTOM,
// else at most the first one into a PPD tree).  None when the directory is
// missing.
ModelLinks scanModelLinks(Log& log, const PpdLocations& ppd);

// Settles ppdInstallDir: the earlier product directory existingPpdDir when
// there is one, else a choice by CUPS version, flags and the recorded
// links; creates it or, for CUPS before 1.3, links it into the model
// directory (unless `change` is false: a preview only settles the name).
// Does nothing when the model directory is missing.
void linkProductPpdDir(Log& log, PpdLocations& ppd, int cupsVersion, const ModelLinks& links,
                       bool change = true);

// CUPS 1.3 and later: the product PPD directory that the flags and the
// current proposal give; empty for the default, <cupsModelDir>/oxa.
std::string modernPpdInstallDir(int flags, const std::string& current);

// CUPS before 1.3 with recorded links: the product PPD directory in the
// tree of the link the flags select; empty for the default.
std::string linkedPpdInstallDir(Log& log, int flags, const ModelLinks& links);

#endif
