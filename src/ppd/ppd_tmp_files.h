// The temporary files of a printer's PPD rewrite: created exclusively, with
// unique names, in $TMPDIR when it names a directory, else in /tmp.
#ifndef LUMO_PPD_PPD_TMP_FILES_H
#define LUMO_PPD_PPD_TMP_FILES_H

#include <string>
#include <vector>

// $TMPDIR when it names a directory, else "/tmp".
std::string tmpPpdDir();

// Creates the empty file "<dir>/<prefix>XXXXXX" exclusively and returns
// its open descriptor, with its name in path; -1 on failure.
int createTmpFile(const std::string& dir, const std::string& prefix, std::string& path);

// The files of one rewrite: whatever is still held is removed when the
// object goes.
class ScratchFiles {
 public:
  ScratchFiles() = default;
  ScratchFiles(const ScratchFiles&) = delete;
  ScratchFiles& operator=(const ScratchFiles&) = delete;
  ~ScratchFiles();
  void hold(const std::string& path);
  // The file is no longer ours to remove (kept, or given to another).
  void release(const std::string& path);

 private:
  std::vector<std::string> paths_;
};

#endif
