#include "ppd/dir_entries.h"

#include <dirent.h>

#include <cstring>

#include "driver/log.h"
#include "driver/run_settings.h"

bool forEachEntry(const std::string& dir,
                  const std::function<bool(const std::string& path, const std::string& name)>& visit) {
  DIR* listing = opendir(dir.c_str());
  if (!listing)
    return false;
  while (const dirent* entry = readdir(listing)) {
    if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, ".."))
      continue;
    std::string path = dir + "/" + entry->d_name;
    if (path.size() > kTextMax) {
      logFormat("Path longer than %zu characters passed over: '%s'.", kTextMax, path.c_str());
      continue;
    }
    if (!visit(path, entry->d_name))
      break;
  }
  closedir(listing);
  return true;
}
