#include "driver/log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "discovery/tools.h"
#include "driver/run_settings.h"
#include "driver/shell.h"

namespace {

FILE* logFile = nullptr;

std::string vformatText(const char* format, va_list args) {
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

}  // namespace

std::string formatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  return text;
}

void logFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  if (!text.empty())
    logMessage(text);
}

void trace(const char* format, ...) {
  if (run.debugLevel <= 0)
    return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

std::string timeText() {
  std::time_t now = std::time(nullptr);
  return std::ctime(&now);
}

int openLog(int uid) {
  if (run.logPath.empty())
    run.logPath = "/var/log/Lumo4.0_UpdateLog";
  if (uid != 0)
    run.logPath += formatText("_%d", uid);

  logFile = std::fopen(run.logPath.c_str(), "w");
  if (!logFile)
    return 0;

  const std::string& chcon = toolPath(kToolChcon);
  if (chcon.empty())
    return 1;

  // Label the Log file for SELinux and record how that went.
  std::string command = formatText("%s -u system_u %s 2>/dev/null", chcon.c_str(),
                                   shellWord(run.logPath).c_str());
  int status = runShell(command);
  std::fputs(catalogue(kPreparingLog), logFile);
  std::fprintf(logFile, catalogue(kCommandReturned), command.c_str(), status);
  std::fputs("=======================================\n", logFile);
  std::fflush(logFile);
  return 1;
}

int logMessage(const std::string& text) {
  FILE* target = logFile ? logFile : stderr;
  std::fputs(text.c_str(), target);
  if (text.empty() || text.back() != '\n')
    std::fputc('\n', target);
  std::fflush(target);
  return 1;
}

void closeLog() {
  if (!logFile)
    return;
  std::fprintf(logFile, catalogue(kFinishing), timeText().c_str());
  std::fclose(logFile);
  logFile = nullptr;
}
