// Replacing files whole: a copy is written into a new file beside its
// target and takes the target's place only once it is complete, so a
// failed copy never leaves a cut file where a good one was.
#ifndef LUMO_PPD_COPY_FILE_H
#define LUMO_PPD_COPY_FILE_H

#include <string>

// Creates an empty file "path.XXXXXX" beside path, exclusively, and returns
// its name; empty when that is not possible.
std::string stageBeside(const std::string& path);

// Gives the staged file the permission bits and owner of the target (when
// it exists) and renames it over the target.  1 done; 0 when that fails,
// the staged file then removed and the target untouched.
int replaceByStaged(const std::string& staged, const std::string& target);

// Copies source over target in blocks of 40960 bytes.  1 when the target
// holds the whole source; 0 when the copy failed and the target is as it
// was.
int copyFile(const std::string& source, const std::string& target);

#endif
