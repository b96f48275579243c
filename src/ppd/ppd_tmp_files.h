// The temporary files of a printer's PPD rewrite: created exclusively, with
// unique names, in $TMPDIR when it names a directory, else in /tmp.
#ifndef LUMO_PPD_PPD_TMP_FILES_H
#define LUMO_PPD_PPD_TMP_FILES_H

#include <string>
#include <vector>

// $TMPDIR when it names a directory, else "/tmp".
std::string tmpPpdDir();

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
