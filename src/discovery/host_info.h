// The host's name, network address and kind of operating system.
#ifndef LUMO_DISCOVERY_HOST_INFO_H
#define LUMO_DISCOVERY_HOST_INFO_H

#include <string>

// System kinds by system name.
enum SystemKind {
  kSystemOther = 0,
  kSystemSolaris = 1,
  kSystemSunOs = 2,
  kSystemLinux = 6,
  kSystemOsf1 = 7,
  kSystemScoSv = 9,
  kSystemUnixWare = 10,
};

// Fills the host's name and address (0.0.0.0 when the name does not
// resolve); returns the system kind (0 when uname fails).
int getHostInfo(std::string& hostName, std::string& hostAddress);

// The system kind for a uname system name and release text.
int systemKind(const std::string& sysname, const std::string& release);

#endif
