// The Log file: opened once at the start of the run, one message per call,
// flushed at once, closed with a finishing line.  While no Log file is open,
// messages go to standard error.
#ifndef LUMO_BASE_LOG_H
#define LUMO_BASE_LOG_H

#include <sys/types.h>

#include <string>

#include "base/catalogue.h"
#include "base/files.h"

// The Log file's permission bits: root writes, the adm group reads.
inline constexpr mode_t kLogMode = 0640;

// Keeps the Log file at path as "<path>.1", with the Log's group and bits
// (one written before may be readable by everyone).  Only a file or a
// link is moved, never followed; anything else there is someone's.
void keepPreviousLog(const std::string& path);

class Log {
 public:
  // Opens (truncates) the Log file, never through a link and never
  // waiting, with kLogMode and the adm group: a link or a file not ours
  // alone in its place is replaced; a directory, device, pipe or socket is
  // left there, and the Log goes to standard error.  False when it cannot
  // be opened, and messages keep going to standard error.
  bool open(const std::string& path);
  bool isOpen() const { return file_ != nullptr; }
  // Drops every message from now on, writing nowhere: for a run that must
  // change nothing.
  void discard() { discard_ = true; }
  const std::string& path() const { return path_; }
  // The path by which a command of ours reaches the open Log file itself,
  // whatever its name now names; empty while none is open.
  std::string descriptorPath() const;

  // One message, one line: a line feed is added when the text lacks one.
  void message(const std::string& text);

  // Formats a message and logs it unless it came out empty.
  void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Writes to standard error when the debug level is above 0; traces never
  // reach the Log file.
  void trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void setDebugLevel(int level) { debugLevel_ = level; }
  int debugLevel() const { return debugLevel_; }

  // Writes the finishing line and closes the file.
  void close();

 private:
  File file_;
  std::string path_;
  int debugLevel_ = 0;
  bool discard_ = false;
};

#endif
