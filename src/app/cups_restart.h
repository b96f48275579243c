// Restarting the CUPS scheduler so that it reads the changed PPD files.
#ifndef LUMO_APP_CUPS_RESTART_H
#define LUMO_APP_CUPS_RESTART_H

#include <cstddef>
#include <string>

class Log;

// How long a restart of a scheduler serving that many queues may take,
// when a small one is given baseSeconds.
int restartSeconds(int baseSeconds, size_t queues);

// The queues' PPD files in the scheduler's PPD directory.
size_t countQueuePpds(const std::string& cupsBaseDir);

// Tries systemctl; when it is missing or fails, the first present of the
// service command, /etc/init.d/cups and /etc/init.d/cupsys, each stopped
// after the given seconds.  Returns the status of the last attempt (0
// restarted, -1 nothing run).
int restartCups(Log& log, int seconds);

#endif
