// Reading text files the way the run reads them: in the pieces that fgets
// gives with a 256-byte buffer (at most 255 characters, the line feed
// included when it fits), each piece taken as one line.  Every reader of
// the run's text files goes through readPiece.
#ifndef LUMO_BASE_LINE_READER_H
#define LUMO_BASE_LINE_READER_H

#include <cstdio>
#include <functional>
#include <string>

// Reads the next piece; false at the end of the file.  `whole` tells
// whether the piece ends its line (the pieces of a longer line do not).  A
// NUL byte ends the piece's text, which may leave it empty.
bool readPiece(FILE* in, std::string& piece, bool& whole);
bool readPiece(FILE* in, std::string& piece);

// Returns true to stop reading.
using LineVisitor = std::function<bool(const char* line)>;

// Hands each piece to visit until it returns true; returns true then, and
// false at the end of the file.
bool scanLines(FILE* in, const LineVisitor& visit);

#endif
