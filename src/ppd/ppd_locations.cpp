#include "ppd/ppd_locations.h"

std::string cupsModelDir;
std::string systemPpdDir;
std::string ppdInstallDir;
std::string existingPpdDir;
