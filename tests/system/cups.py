"""A real CUPS scheduler inside a sandbox, and a systemctl that restarts it."""

from sandbox import wait_until

SYSTEMCTL_CALLS = "/run/systemctl.calls"

# Stands in for systemctl inside the sandbox: records its arguments and, on
# "restart cups.service", restarts the sandbox's own cupsd when one runs.
SYSTEMCTL_STUB = r"""#!/bin/sh
echo "$*" >> /run/systemctl.calls
case "$1 $2" in
"restart cups.service")
  pgrep -x cupsd >/dev/null || exit 0
  pkill -x cupsd
  while pgrep -x cupsd >/dev/null; do sleep 0.05; done
  /usr/sbin/cupsd
  i=0
  until lpstat -r 2>/dev/null | grep -q 'is running'; do
    i=$((i + 1)); [ $i -gt 200 ] && exit 1
    sleep 0.05
  done
  ;;
esac
exit 0
"""


def is_running(sb):
    return "scheduler is running" in sb.run("lpstat -r").stdout


def scheduler_pid(sb):
    return sb.sh("pgrep -x cupsd").split()


def start_cupsd(sb, seconds=60):
    """Starts cupsd as a distribution would (/usr/sbin/cupsd) and waits for
    it, the given seconds at most for each of its start and its answer (a
    server of thousands of queues takes minutes)."""
    sb.sh("grep -q '^FileDevice Yes' /etc/cups/cups-files.conf"
          " || echo 'FileDevice Yes' >> /etc/cups/cups-files.conf")
    sb.sh("/usr/sbin/cupsd", timeout=seconds)
    if not wait_until(lambda: is_running(sb), timeout=seconds):
        raise RuntimeError("cupsd did not start:\n" + sb.run("cat /var/log/cups/error_log").stdout)


def stub_systemctl(sb):
    sb.write("/usr/bin/systemctl", SYSTEMCTL_STUB, mode=0o755)


def systemctl_calls(sb):
    if not sb.exists(SYSTEMCTL_CALLS):
        return []
    return sb.read(SYSTEMCTL_CALLS).splitlines()
