// Copying files whole: a copy is written into a new file beside its target
// and takes the target's place only once it is complete, so a failed or
// killed copy never leaves a cut file where a good one was.
#ifndef LUMO_BASE_COPY_FILE_H
#define LUMO_BASE_COPY_FILE_H

#include <string>

#include "base/staged_file.h"

// The mode arguments of copyFile that keep the target's bits and owner,
// or give the copy the source's: a backup never grants more than the file
// it copies.
inline constexpr int kKeepTargetMode = -1;
inline constexpr int kSourceMode = -2;

// Copies source over target in blocks of 40960 bytes.  A link at target is
// replaced, never written through.  With `mode` the copy gets exactly
// those bits and belongs to us; with kKeepTargetMode a regular file at
// target keeps its permission bits, owner and group, and a new one gets
// the source's bits less the file-creation mask, as cp gives them; with
// kSourceMode the copy gets the source's bits, owner and group.
// With `stillWanted` the copy takes the target's place in one exchange and
// stillWanted is asked about what stood there: false puts that back and
// leaves it as it was (errno ECANCELED).  1 when
// the target holds the whole source; 0 when the copy failed (errno says
// why) and the target is as it was.
int copyFile(const std::string& source, const std::string& target,
             int mode = kKeepTargetMode, const RenameCheck& stillWanted = nullptr);

// True when both files can be read and hold the same bytes (their sizes
// are compared first).
bool sameContent(const std::string& first, const std::string& second);

// Reads the text of source into text, decompressed when it is
// gzip-compressed.  1 when all of it was read; 0 when the source cannot be
// read or is damaged (text then holds what could be read).
int readUncompressed(const std::string& source, std::string& text);

#endif
