#include "base/text.h"

#include <cstdio>
#include <cstring>
#include <ctime>

std::string formatTextV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (size <= 0)
    return std::string();
  std::string text(size_t(size) + 1, '\0');
  std::vsnprintf(&text[0], text.size(), format, args);
  text.resize(size_t(size));
  return text;
}

std::string formatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatTextV(format, args);
  va_end(args);
  return text;
}

void trimEnd(std::string& text, const char* chars) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] != '\0' && std::strchr(chars, text[end - 1]))
    --end;
  text.resize(end);
}

void blankControls(std::string& text) {
  for (char& c : text)
    if ((unsigned char)c < 0x20)
      c = ' ';
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string lastName(const std::string& path) {
  return path.substr(path.rfind('/') + 1);  // (npos + 1 is 0)
}

std::string parentDir(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string timeText() {
  std::time_t now = std::time(nullptr);
  return std::ctime(&now);
}
