#include "discovery/tools.h"

#include <unistd.h>

#include "driver/log.h"
#include "driver/run_settings.h"

std::string selinuxenabledPath;
std::string whoamiPath;

namespace {

std::string toolTable[kToolSlots] = {
    "",           "restorecon", "rmquedev", "rmque", "rm",         "nc",
    "lpstat",     "lpshut",     "lpsched",  "lpadmin", "ln",       "gzip",
    "cupsenable", "/etc/cups/", "cp",       "chown", "chcon",      "cat",
    "accept",
};

const char* const kToolDirs[] = {
    "/usr/bin",  "/usr/sbin", "/usr/ucb", "/bin",           "/sbin",
    "/usr/bsd",  "/etc",      "/usr/etc", "/usr/lib",       "/lib",
    "/usr/local/bin", "/usr/freeware/bin",
};

bool exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

// The first of dir/bin/name, dir/sbin/name, dir/etc/name, dir/lib/name
// that exists, or empty.
std::string findUnder(const std::string& dir, const std::string& name) {
  for (const char* sub : {"bin", "sbin", "etc", "lib"}) {
    std::string path = dir + "/" + sub + "/" + name;
    if (exists(path))
      return path;
  }
  return std::string();
}

// findTool, falling back to the bare name so the shell's search path still
// gets a chance.
std::string findToolOrName(const std::string& name) {
  std::string path = findTool(name);
  return path.empty() ? name : path;
}

}  // namespace

const std::string& toolPath(ToolSlot slot) {
  return toolTable[slot];
}

void setToolPath(ToolSlot slot, const std::string& path) {
  toolTable[slot] = path;
}

std::string findTool(const std::string& name) {
  for (const char* dir : kToolDirs) {
    std::string path = std::string(dir) + "/" + name;
    if (exists(path))
      return path;
  }
  return std::string();
}

std::string findCupsTool(const std::string& name) {
  if (run.cupsBinDir.empty())
    return findTool(name);
  std::string path = findUnder(run.cupsBinDir, name);
  if (path.empty() && !run.cupsBaseDir.empty())
    path = findUnder(run.cupsBaseDir, name);
  return path.empty() ? name : path;
}

void findSelinuxTools() {
  selinuxenabledPath = findTool("selinuxenabled");
  setToolPath(kToolRestorecon, findTool("restorecon"));
  setToolPath(kToolChcon, findTool("chcon"));
}

void findRunTools() {
  const struct {
    const char* name;
    ToolSlot slot;
  } order[] = {
      {"accept", kToolAccept},   {"cat", kToolCat},         {"chown", kToolChown},
      {"cp", kToolCp},           {"rm", kToolRm},           {"cupsenable", kToolCupsenable},
      {"gzip", kToolGzip},       {"ln", kToolLn},           {"lpadmin", kToolLpadmin},
      {"lpstat", kToolLpstat},
  };
  for (const auto& tool : order)
    setToolPath(tool.slot, findToolOrName(tool.name));
  whoamiPath = findToolOrName("whoami");
}

int findStartDir(const std::string& invocation) {
  if (invocation.size() > kTextMax)
    return -1;
  std::string dir = invocation;
  if (dir[0] == '/') {
    size_t slash = dir.rfind('/');
    if (slash > 0)
      dir.erase(slash);
  } else {
    char cwd[kTextMax + 1];
    if (getcwd(cwd, sizeof cwd))
      dir = cwd;
  }
  if (dir == "/opt/oxa/bin")
    dir = "/opt/oxa";
  run.startDir = dir;
  logFormat(catalogue(kInstallFrom), run.startDir.c_str());
  return 0;
}
