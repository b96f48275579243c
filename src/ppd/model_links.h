// CUPS model links: the links that the CUPS model directory already holds,
// and the product PPD directory settled from them, from the CUPS version
// and from the discovery's proposal.  CUPS before 1.3 offers only what
// lies under its model directory, so there a product PPD directory in a
// shared PPD tree is linked into the model directory as "oxa".
#ifndef LUMO_PPD_MODEL_LINKS_H
#define LUMO_PPD_MODEL_LINKS_H

#include <string>

constexpr int kModelLinkMax = 8;

// A recorded entry of the CUPS model directory.
struct ModelLink {
  std::string path;    // <cupsModelDir>/<entry>
  std::string target;  // its link target; empty for a directory that is no link
};

extern ModelLink modelLinks[kModelLinkMax];

// Records the known links of the CUPS model directory in modelLinks (up to
// 8 with PPD_CUSTOM, else at most the first one into a PPD tree) and puts
// their number into `count`.  Does nothing when the directory is missing.
void scanModelLinks(int& count);

// Settles ppdInstallDir: the earlier product directory `existing` when
// there is one, else a choice by CUPS version, flags and the `count`
// recorded links; creates it or, for CUPS before 1.3, links it into the
// model directory.  Does nothing when the model directory is missing.
void linkProductPpdDir(const std::string& existing, int count);

// CUPS 1.3 and later: the product PPD directory that the flags and the
// current proposal give; empty for the default, <cupsModelDir>/oxa.
std::string modernPpdInstallDir(int flags, const std::string& current);

// CUPS before 1.3 with recorded links: the product PPD directory in the
// tree of the link the flags select; empty for the default.
std::string linkedPpdInstallDir(int flags, const ModelLink* links, int count);

#endif
