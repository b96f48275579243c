// Finishing what a killed run left: its staged copies and temporary files,
// and the configuration markers of queues whose PPD it had already
// replaced.  Both are done under the run lock, so no other run is alive and
// everything of ours made before the lock was taken belongs to a dead run.
#ifndef LUMO_PPD_UNFINISHED_RUNS_H
#define LUMO_PPD_UNFINISHED_RUNS_H

#include <time.h>

#include <string>

class Log;

// Whether a name is one the run gives its files:
// "Q.ppd.XXXXXX" and "Q.ppd.O.XXXXXX", staged beside a queue's PPD;
// "Q.ppd.rpmsave.XXXXXX" (any name ending in ".rpmsave.XXXXXX"), staged
// beside a backup; "orbinXXXXXX", "orbotXXXXXX", "ORBXXXXXX",
// "ORBLPDXXXXXX" and "ORBLPRNGXXXXXX", the temporary files.  XXXXXX
// stands for the six letters or digits mkstemp puts there.
bool isStagedPpdName(const std::string& name);
bool isStagedBackupName(const std::string& name);
bool isTmpFileName(const std::string& name);

// Whether the file is a leftover: a regular file of ours (root's, as the
// run is) with one link, last changed before `before`.
bool isLeftover(const std::string& path, const timespec& before);

// Removes the leftovers staged beside the file at path: "<its name>.XXXXXX"
// in its directory, each removal logged.
void removeStagedBeside(Log& log, const std::string& path, const timespec& before);

// Removes the leftovers of killed runs from the CUPS PPD directory, the
// directory of the backups above it, /tmp and the PPD temporary directory
// ($TMPDIR), each removal logged.
void removeLeftovers(Log& log, const std::string& cupsBaseDir, const timespec& lockTime);

// For each queue whose PPD is already the product's (the maker's model
// line, version line 4): removes the leftovers beside its configuration
// file and, when that file still holds the old marker, updates the marker.
void finishMarkers(Log& log, const std::string& cupsBaseDir, const timespec& lockTime);

#endif
