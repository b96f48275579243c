// Copying files whole: a copy is written into a new file beside its target
// and takes the target's place only once it is complete, so a failed or
// killed copy never leaves a cut file where a good one was.
#ifndef LUMO_BASE_COPY_FILE_H
#define LUMO_BASE_COPY_FILE_H

#include <string>

// Copies source over target in blocks of 40960 bytes, through a link at
// target to the file it names.  The target keeps its permission bits,
// owner and group; a new one gets the source's bits less the file-creation
// mask, as cp gives them.  1 when the target holds the whole source; 0
// when the copy failed (errno says why) and the target is as it was.
int copyFile(const std::string& source, const std::string& target);

// Reads the text of source into text, decompressed when it is
// gzip-compressed.  1 when all of it was read; 0 when the source cannot be
// read or is damaged (text then holds what could be read).
int readUncompressed(const std::string& source, std::string& text);

#endif
