// What a terminal shows beside the specified console texts: a progress
// line while many queues are updated and a closing summary.  Only when
// standard error is a terminal; scripts see the console as specified.
#ifndef LUMO_APP_SUMMARY_H
#define LUMO_APP_SUMMARY_H

#include <cstdio>
#include <string>

#include "app/run_record.h"

// True when standard error is a terminal.
bool onTerminal();

// "Updating queues: 312/1000", rewritten in place; the last one ends the
// line.
void showProgress(FILE* out, size_t done, size_t total);

// The closing summary: the outcome, the queues updated and those kept
// (named, with their reasons; the unsupported ones counted apart), the
// Log file's path.
void printSummary(FILE* out, const RunRecord& record);

#endif
