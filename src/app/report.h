// The run's report in JSON (-r FILE): what the run found and did, for
// scripts and configuration management.  Its fields are described in the
// manual page.
#ifndef LUMO_APP_REPORT_H
#define LUMO_APP_REPORT_H

#include <string>

#include "app/run_record.h"
#include "discovery/facts.h"
#include "install/installation.h"

// The report's text.
std::string reportText(const RunRecord& record, const Facts& facts,
                       const Installation& installation, const std::string& logPath);

// Writes the text into a new file beside path and renames it over path
// (mode 0644), so a reader sees the old report or the whole new one.
// False when that failed (errno says why).
bool writeReport(const std::string& path, const std::string& text);

#endif
