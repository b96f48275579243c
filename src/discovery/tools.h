// The tool table: full paths (or bare names) of the external commands the
// run uses, looked up once at the start; and the start directory.
#ifndef LUMO_DISCOVERY_TOOLS_H
#define LUMO_DISCOVERY_TOOLS_H

#include <array>
#include <optional>
#include <string>

class Log;

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

class ToolTable {
 public:
  ToolTable();
  // The slot's text: a full path, a bare command name, or empty for nothing.
  const std::string& path(ToolSlot slot) const { return slots_[slot]; }
  void set(ToolSlot slot, const std::string& path) { slots_[slot] = path; }

  // Commands held outside the slots.
  std::string selinuxenabled;
  std::string whoami;
  std::string semodule;

 private:
  std::array<std::string, kToolSlots> slots_;
};

// The first existing file of that name in the standard command
// directories, or empty.
std::string findTool(const std::string& name);

// findTool, falling back to the bare name so the shell's search path still
// gets a chance.
std::string findToolOrName(const std::string& name);

// The first existing file under the CUPS directories, else the bare name;
// without a CUPS binary directory, whatever findTool gives.
std::string findCupsTool(const std::string& name, const std::string& cupsBinDir,
                         const std::string& cupsBaseDir);

// Fills the table at the start of the run, in the run's fixed order.
void findSelinuxTools(ToolTable& tools);
void findRunTools(ToolTable& tools);

// The start directory, logged: the package root the program was started
// from.  That is the directory of the program as invoked (for a relative
// path the working directory joined with it, "." components left out; for
// a bare name the working directory), or its parent when that directory is
// a "bin": /root/stage/bin/setup, and bin/setup run in /root/stage, both
// give /root/stage.  Nothing (nothing logged) when the invocation, the
// working directory or the result would not fit a text setting, or the
// working directory cannot be read.
std::optional<std::string> findStartDir(Log& log, const std::string& invocation);

#endif
