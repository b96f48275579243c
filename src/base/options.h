// The command line's settings, parsed once at the start of the run (the
// parsing is the run's own, in app/) and read, never changed, by every
// step after.
#ifndef LUMO_BASE_OPTIONS_H
#define LUMO_BASE_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

struct Options {
  std::optional<int> selinuxMode;  // -S: overrides what selinuxenabled says
  bool deinstall = false;          // -d
  int allowAnyDir = 1;             // -f
  bool usage = false;              // -h, or a refused long option
  bool refusedLong = false;        // a word "--name": usage, then status 1
  int debugLevel = 0;              // -D, -Z
  std::string manifestName = "LUMOINST.CONF";  // -i
  int colourMode = 1;              // -m
  int queryLevel = 0;              // -q
  std::string installDir = "/opt/oxa";  // -u
  std::string baseDir = "/opt";         // -w
  bool preview = false;            // -n: tell what a run would do, change nothing
  std::string reportPath;          // -r: the JSON report's file
  bool exitStatus = false;         // -x: the exit status tells the outcome
  bool liveUpdate = false;         // -L: new PPD files to the running scheduler, no restart
  std::vector<std::string> selectedQueues;  // -p: only these queues are updated
  bool undo = false;               // -R: queues get their earlier PPD back
};

#endif
