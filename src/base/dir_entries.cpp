#include "base/dir_entries.h"

#include <cstring>

#include "base/log.h"
#include "base/text.h"

bool forEachEntry(Log& log, const std::string& dir,
                  const std::function<bool(const std::string& path, const std::string& name)>& visit) {
  Dir listing(opendir(dir.c_str()));
  if (!listing)
    return false;
  while (const dirent* entry = readdir(listing.get())) {
    if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, ".."))
      continue;
    std::string path = dir + "/" + entry->d_name;
    if (path.size() > kTextMax) {
      log.printf("Path longer than %zu characters passed over: '%s'.", kTextMax, path.c_str());
      continue;
    }
    if (!visit(path, entry->d_name))
      break;
  }
  return true;
}
