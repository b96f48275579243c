// Helpers shared by the unit tests.
#ifndef LUMO_TESTS_UNIT_SUPPORT_H
#define LUMO_TESTS_UNIT_SUPPORT_H

#include <string>

#include "base/log.h"
#include "base/options.h"
#include "base/waits.h"
#include "discovery/context.h"
#include "discovery/facts.h"

// A fresh directory under the temporary directory, removed with its
// contents when the object goes.
class TempDir {
 public:
  // Where root alone can write (under /run), for the files setup takes
  // only from there; running as another user gives a directory under /tmp,
  // which such tests skip.
  enum Place { kAnyone, kRootOnly };
  explicit TempDir(Place place = kAnyone);
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A Log file of its own for the duration of a test: what the code under
// test logs is read back with text().
class TempLog : public Log {
 public:
  TempLog();
  std::string text() const;

 private:
  TempDir dir_;
};

// A run's context for the steps that take one: a TempLog, options, facts
// and waits that a test sets as it needs.
struct TestRun {
  TempLog log;
  Options options;
  Facts facts;
  Waits waits;
  Context context{log, options, facts, waits};
};

// Limits the size of every file the process writes (RLIMIT_FSIZE) while it
// lives: a write past the limit fails as on a full disk (EFBIG).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  unsigned long old_;
  void (*oldHandler_)(int);
};

std::string readFile(const std::string& path);
// The text of a file, decompressed when it is gzip-compressed.
std::string gunzip(const std::string& path);
void writeFile(const std::string& path, const std::string& text);
// The text with the first `from` in it (which must be there) made `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to);

#endif
