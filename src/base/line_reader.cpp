#include "base/line_reader.h"

namespace {

constexpr int kPieceBuffer = 256;

}  // namespace

bool readPiece(FILE* in, std::string& piece, bool& whole) {
  char buffer[kPieceBuffer];
  if (!std::fgets(buffer, sizeof buffer, in))
    return false;
  piece = buffer;
  whole = (!piece.empty() && piece.back() == '\n') || std::feof(in);
  return true;
}

bool readPiece(FILE* in, std::string& piece) {
  bool whole;
  return readPiece(in, piece, whole);
}

bool scanLines(FILE* in, const LineVisitor& visit) {
  std::string piece;
  while (readPiece(in, piece))
    if (visit(piece.c_str()))
      return true;
  return false;
}
