// The run's report in JSON (-r FILE): the run's plan, each item with its
// outcome, for scripts and configuration management.  Its fields are
// described in the manual page.
#ifndef LUMO_APP_REPORT_H
#define LUMO_APP_REPORT_H

#include <string>

#include "app/run_record.h"
#include "discovery/facts.h"

// The report's text.  Bytes that are not UTF-8 (in queue names, PPD texts,
// the scheduler's messages) appear as "\xHH".
std::string reportText(const RunRecord& record, const Facts& facts);

// Why a report cannot be written at path by a run of that user: its
// directory is missing, not the user's own or writable by others, or the
// path is a directory.  Empty when it can.
std::string reportPathProblem(const std::string& path, int uid);

// Writes the text into a new file beside path and renames it over path
// (mode 0600), so a reader sees the old report or the whole new one.
// False when that failed (errno says why).
bool writeReport(const std::string& path, const std::string& text);

#endif
