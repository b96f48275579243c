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

namespace {

// The working directory, or nothing when it cannot be read or would not
// fit a text setting.
std::optional<std::string> workingDir() {
  char cwd[kTextMax + 1];
  if (!getcwd(cwd, sizeof cwd))
    return std::nullopt;
  return std::string(cwd);
}

// Appends to dir, as "/component", each component of the directory part of
// path, leaving out empty and "." ones ("./bin//setup" appends "/bin").
void appendDirComponents(std::string& dir, const std::string& path) {
  size_t last = path.rfind('/');
  if (last == std::string::npos)
    return;
  for (size_t at = 0; at <= last;) {
    size_t slash = path.find('/', at);
    std::string component = path.substr(at, slash - at);
    if (!component.empty() && component != ".")
      dir += "/" + component;
    at = slash + 1;
  }
}

// A program in a "bin" directory belongs to the package tree above it.
void leaveBinDir(std::string& dir) {
  const std::string bin = "/bin";
  if (dir.size() >= bin.size() && dir.compare(dir.size() - bin.size(), bin.size(), bin) == 0)
    dir.erase(dir.size() - bin.size());
}

}  // namespace

std::optional<std::string> findStartDir(Log& log, const std::string& invocation) {
  if (invocation.size() > kTextMax)
    return std::nullopt;
  std::string dir;  // built without a trailing slash: empty is the root
  if (invocation.empty() || invocation[0] != '/') {
    std::optional<std::string> cwd = workingDir();
    if (!cwd)
      return std::nullopt;
    if (*cwd != "/")
      dir = *cwd;
  }
  appendDirComponents(dir, invocation);
  leaveBinDir(dir);
  if (dir.empty())
    dir = "/";
  if (dir.size() > kTextMax)
    return std::nullopt;
  log.printf(msg::kInstallFrom, dir.c_str());
  return dir;
}
