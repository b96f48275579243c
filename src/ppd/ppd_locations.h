// Where PPD files live: process-wide texts set by the PPD directory
// discovery and settled by the CUPS model links, read by the file
// installation, the uninstall script and the printer steps.
#ifndef LUMO_PPD_PPD_LOCATIONS_H
#define LUMO_PPD_PPD_LOCATIONS_H

#include <string>

extern std::string cupsModelDir;    // the CUPS model directory
extern std::string systemPpdDir;    // the system PPD directory (only logged)
extern std::string ppdInstallDir;   // the product PPD directory; may be empty
extern std::string existingPpdDir;  // a product PPD directory found on the system

#endif
