// The tool table: full paths (or bare names) of the external commands the
// run uses, looked up once at the start; and the start directory.
#ifndef LUMO_DISCOVERY_TOOLS_H
#define LUMO_DISCOVERY_TOOLS_H

#include <string>

enum ToolSlot {
  kToolRestorecon = 1,
  kToolRmquedev = 2,
  kToolRmque = 3,
  kToolRm = 4,
  kToolNc = 5,
  kToolLpstat = 6,
  kToolLpshut = 7,
  kToolLpsched = 8,
  kToolLpadmin = 9,
  kToolLn = 10,
  kToolGzip = 11,
  kToolCupsenable = 12,
  kToolCupsDataDir = 13,  // a directory, not a command
  kToolCp = 14,
  kToolChown = 15,
  kToolChcon = 16,
  kToolCat = 17,
  kToolAccept = 18,
  kToolSlots = 19,
};

// The slot's text: a full path, a bare command name, or empty for nothing.
const std::string& toolPath(ToolSlot slot);
void setToolPath(ToolSlot slot, const std::string& path);

// Paths held outside the table.
extern std::string selinuxenabledPath;
extern std::string whoamiPath;

// The first existing file of that name in the standard command
// directories, or empty.
std::string findTool(const std::string& name);

// The first existing file under the CUPS directories, else the bare name;
// without a CUPS binary directory, whatever findTool gives.
std::string findCupsTool(const std::string& name);

// Fills the tool table at the start of the run, in the run's fixed order.
void findSelinuxTools();
void findRunTools();

// Sets startDir from the program's path as invoked and logs it.  Returns 0,
// or -1 (nothing set) when the result would not fit a text setting.
int findStartDir(const std::string& invocation);

#endif
