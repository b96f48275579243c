#include "discovery/cups_dirs.h"

#include <unistd.h>

#include <cstring>

#include "base/files.h"
#include "base/line_reader.h"

namespace {

const char* const kStartScripts[] = {
    "/etc/init.d/cups",        "/etc/init.d/cupsys",   "/etc/rc.d/init.d/cups",
    "/sbin/init.d/cups",       "/etc/rc.d/init.d/cupsys", "/sbin/init.d/cupsys",
    "/etc/cups/cups",
};

const char* const kDataDirs[] = {
    "/usr/share/cups", "/usr/local/share/cups", "/usr/local/cups", "/usr/cups", "/etc/share/cups",
};

bool exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

// The text behind a "name=" key up to the end of the line, without its
// line feed.
std::string valueAfter(const char* key) {
  std::string value = std::strchr(key, '=') + 1;
  if (!value.empty() && value.back() == '\n')
    value.pop_back();
  return value;
}

}  // namespace

std::optional<std::string> cupsdPrefix(const std::string& word) {
  std::string path = word;
  if (!path.empty() && path[0] == ' ')
    path.erase(0, 1);
  if (path.empty() || path[0] != '/')
    return std::nullopt;
  for (int i = 0; i < 2; ++i)
    if (!path.empty() && (path.back() == '\n' || path.back() == '\r'))
      path.pop_back();
  if (path.find("cupsd") == std::string::npos)
    return std::nullopt;
  size_t daemon = path.find("/sbin/cupsd");
  if (daemon == std::string::npos)
    daemon = path.find("/bin/cupsd");
  if (daemon == std::string::npos)
    return std::nullopt;
  return path.substr(0, daemon);
}

int prefixesFromScript(const std::string& path, std::string& prefix, std::string& execPrefix) {
  File in = openFile(path, "r");
  return in ? prefixesFromScript(in.get(), prefix, execPrefix) : -1;
}

int prefixesFromScript(FILE* in, std::string& prefix, std::string& execPrefix) {
  std::rewind(in);
  bool hasExecPrefix = scanLines(in, [&](const char* line) {
    const char* key = std::strstr(line, "exec_prefix=");
    if (key)
      execPrefix = valueAfter(key);
    return key != nullptr;
  });
  std::rewind(in);
  bool hasPrefix = scanLines(in, [&](const char* line) {
    const char* key = std::strstr(line, "prefix=");
    if (!key || std::strstr(line, "exec_prefix="))
      return false;
    prefix = valueAfter(key);
    return true;
  });
  return hasPrefix || hasExecPrefix ? 1 : 0;
}

int prefixFallback(std::string& prefix, std::string& execPrefix, const std::string& cupsBinDir) {
  if (!cupsBinDir.empty()) {
    if (!exists(cupsBinDir))
      return 0;
    execPrefix = cupsBinDir;
    if (execPrefix != "/usr")
      return 0;
  } else {
    if (!exists("/usr/share/cups"))
      return 0;
    execPrefix = "/usr";
  }
  if (!exists("/etc/cups"))
    return 0;
  prefix = "/";
  return 1;
}

int readCupsPrefixes(std::string& prefix, std::string& execPrefix, const std::string& cupsBinDir) {
  prefix.clear();
  // Only the first script that opens is read, whatever it holds.
  for (const char* script : kStartScripts) {
    int answer = prefixesFromScript(script, prefix, execPrefix);
    if (answer == 1)
      return 1;
    if (answer == 0)
      break;
  }
  return prefixFallback(prefix, execPrefix, cupsBinDir);
}

std::string findCupsDataDir(const std::string& cupsBinDir) {
  if (!cupsBinDir.empty() && exists(cupsBinDir + "/share/cups"))
    return cupsBinDir + "/share/cups";
  for (const char* dir : kDataDirs)
    if (exists(dir))
      return dir;
  return std::string();
}
