#include "install/line_end.h"

int stripLineEnd(std::string& text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r' || text[end - 1] == ' '))
    --end;
  text.resize(end);
  return 0;
}
