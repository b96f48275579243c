// Restarting the CUPS scheduler so that it reads the changed PPD files.
#ifndef LUMO_APP_CUPS_RESTART_H
#define LUMO_APP_CUPS_RESTART_H

class Log;

// Tries systemctl; when it is missing or fails, the first present of the
// service command, /etc/init.d/cups and /etc/init.d/cupsys.  Returns the
// status of the last attempt (0 restarted, -1 nothing run).
int restartCups(Log& log);

#endif
