#include "discovery/host_info.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/utsname.h>

#include <cstdlib>
#include <cstring>


namespace {

// hostName and hostAddress hold at most 63 characters.
constexpr size_t kHostTextMax = 63;

}  // namespace

int systemKind(const std::string& sysname, const std::string& release) {
  if (sysname == "SunOS")
    return std::strtod(release.c_str(), nullptr) >= 5 ? kSystemSolaris : kSystemSunOs;
  if (sysname == "Linux")
    return kSystemLinux;
  if (sysname == "OSF1")
    return kSystemOsf1;
  if (sysname == "SCO_SV")
    return kSystemScoSv;
  if (sysname == "UnixWare")
    return kSystemUnixWare;
  return kSystemOther;
}

int getHostInfo(std::string& hostName, std::string& hostAddress) {
  hostName.clear();
  hostAddress.clear();
  utsname names;
  if (uname(&names) < 0)
    return kSystemOther;

  // A node name too long for the setting is left out, never cut: a cut name
  // would name another host.
  std::string node = names.nodename;
  if (!node.empty() && node.size() <= kHostTextMax) {
    hostName = node;
    in_addr address{};
    hostent* host = gethostbyname(names.nodename);
    if (host && host->h_addr_list && host->h_addr_list[0])
      std::memcpy(&address, host->h_addr_list[0], sizeof address);
    hostAddress = inet_ntoa(address);
  }
  return systemKind(names.sysname, names.release);
}
