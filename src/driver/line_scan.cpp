#include "driver/line_scan.h"

#include <cstring>

bool scanLines(FILE* in, const LineVisitor& visit) {
  char line[256];
  for (;;) {
    std::memset(line, 0, sizeof line);
    if (!std::fgets(line, sizeof line, in))
      return false;
    if (visit(line))
      return true;
  }
}

int scanFile(const std::string& path, const LineVisitor& visit) {
  FILE* in = std::fopen(path.c_str(), "r");
  if (!in)
    return -1;
  bool stopped = scanLines(in, visit);
  std::fclose(in);
  return stopped ? 1 : 0;
}

bool readPiece(FILE* in, std::string& piece, bool& whole) {
  char buffer[256];
  if (!std::fgets(buffer, sizeof buffer, in))
    return false;
  piece = buffer;
  whole = (!piece.empty() && piece.back() == '\n') || std::feof(in);
  return true;
}
