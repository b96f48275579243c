#include "base/log.h"

#include <cstdarg>
#include <cstdio>

#include "base/text.h"

bool Log::open(const std::string& path) {
  path_ = path;
  file_ = openFile(path, "w");
  return isOpen();
}

void Log::message(const std::string& text) {
  FILE* target = file_ ? file_.get() : stderr;
  std::fputs(text.c_str(), target);
  if (text.empty() || text.back() != '\n')
    std::fputc('\n', target);
  std::fflush(target);
}

void Log::printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatTextV(format, args);
  va_end(args);
  if (!text.empty())
    message(text);
}

void Log::trace(const char* format, ...) {
  if (debugLevel_ <= 0)
    return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

void Log::close() {
  if (!file_)
    return;
  std::fprintf(file_.get(), msg::kFinishing, timeText().c_str());
  file_.reset();
}
