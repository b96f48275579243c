// The Log file: opened once at the start of the run, one message per call,
// flushed at once, closed with a finishing line.  While no Log file is open,
// messages go to standard error.
#ifndef LUMO_DRIVER_LOG_H
#define LUMO_DRIVER_LOG_H

#include <string>

#include "catalogue.h"

int openLog(int uid);
int logMessage(const std::string& text);
void closeLog();

// printf-style formatting into a new text.
std::string formatText(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// Formats a message and hands it to logMessage unless it came out empty.
void logFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes to standard error when the debug level is above 0; traces never
// reach the Log file.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The local time in ctime's 24-character form followed by its line feed.
std::string timeText();

#endif
