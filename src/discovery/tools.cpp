#include "discovery/tools.h"

#include <unistd.h>

#include "base/log.h"
#include "base/text.h"

namespace {

const char* const kSlotDefaults[kToolSlots] = {
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

}  // namespace

ToolTable::ToolTable() {
  for (int slot = 0; slot < kToolSlots; ++slot)
    slots_[slot] = kSlotDefaults[slot];
}

std::string findTool(const std::string& name) {
  for (const char* dir : kToolDirs) {
    std::string path = std::string(dir) + "/" + name;
    if (exists(path))
      return path;
  }
  return std::string();
}

std::string findToolOrName(const std::string& name) {
  std::string path = findTool(name);
  return path.empty() ? name : path;
}

std::string findCupsTool(const std::string& name, const std::string& cupsBinDir,
                         const std::string& cupsBaseDir) {
  if (cupsBinDir.empty())
    return findTool(name);
  std::string path = findUnder(cupsBinDir, name);
  if (path.empty() && !cupsBaseDir.empty())
    path = findUnder(cupsBaseDir, name);
  return path.empty() ? name : path;
}

void findSelinuxTools(ToolTable& tools) {
  tools.selinuxenabled = findTool("selinuxenabled");
  tools.set(kToolRestorecon, findTool("restorecon"));
  tools.set(kToolChcon, findTool("chcon"));
}

void findRunTools(ToolTable& tools) {
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
    tools.set(tool.slot, findToolOrName(tool.name));
  tools.whoami = findToolOrName("whoami");
}

std::optional<std::string> findStartDir(Log& log, const std::string& invocation) {
  if (invocation.size() > kTextMax)
    return std::nullopt;
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
  log.printf(msg::kInstallFrom, dir.c_str());
  return dir;
}
