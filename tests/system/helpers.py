"""What the system tests share: the paths of a run, the environment of an
installing run, a stand-in foomatic-rip, commands of a local user, the
temporary files a run leaves, and snapshots of the sandbox's files with
what changed between two."""

import hashlib
import os
import shlex
import stat

LOG = "/var/log/Lumo4.0_UpdateLog"
SETUP = "/opt/oxa/bin/setup"
FOOMATIC_RIP = "/usr/lib/cups/filter/foomatic-rip"
# An installing run on a CUPS print server: the spooler named, so setup
# skips its process probe.
INSTALL_ENV = {"ORBLPMODE": "CUPS"}
# The local user who attacks: nobody.
USER = 65534


def backup(queue):
    """Where an installing run keeps a queue's old PPD file."""
    return f"/etc/cups/{queue}.ppd.rpmsave"


def place_foomatic_rip(sb, path=FOOMATIC_RIP):
    """A foomatic-rip, which setup requires; as a filter it passes the job on."""
    sb.write(path, "#!/bin/sh\nexec cat\n", mode=0o755)


def as_user(sb, command):
    """Runs a shell command as the local user, in a session of its own, so a
    command ending with & goes on running in the background."""
    sb.sh(f"setsid sh -c {shlex.quote(command)} </dev/null >/dev/null 2>&1", user=USER)


def mode(sb, path):
    """The permission bits of the file at path inside."""
    return os.stat(sb.path(path)).st_mode & 0o7777


def read_log(sb):
    """setup's Log file as it stands, empty while there is none."""
    return sb.read(LOG) if sb.exists(LOG) else ""


def tmp_leftovers(sb, directory="/tmp"):
    """Temporary files of setup left in the directory."""
    return sorted(n for n in os.listdir(sb.path(directory))
                  if n.startswith(("orbin", "orbot", "ORB")))


def installing_run(sb, program=SETUP, env=None, cwd="/", timeout=300):
    """An installing run as the administrator starts it, under the file
    creation mask 077; returns the Log file, which must be finished."""
    sb.run(f"umask 077; {program}", env={**INSTALL_ENV, **(env or {})}, cwd=cwd,
           timeout=timeout)
    assert stat.S_ISREG(os.lstat(sb.path(LOG)).st_mode)
    log = sb.read(LOG)
    assert log.splitlines()[-1].startswith("Finishing"), log[-2000:]
    return log


def tree_state(sb, roots, skip=(), contents=True, times=False):
    """{path inside: (kind, mode, owner, group, inode, what[, mtime])} of
    every entry under the roots, links never followed.  What is a regular
    file's content hash (with contents) or size, a link's target; paths
    starting with one of skip are left out."""
    state = {}
    for root in roots:
        for directory, dirs, files in os.walk(sb.path(root)):
            for name in dirs + files:
                path = os.path.join(directory, name)
                inside = "/" + os.path.relpath(path, sb.root)
                if inside.startswith(tuple(skip)):
                    continue
                st = os.lstat(path)
                if stat.S_ISLNK(st.st_mode):
                    what = "-> " + os.readlink(path)
                elif stat.S_ISREG(st.st_mode) and contents:
                    with open(path, "rb") as f:
                        what = hashlib.sha256(f.read()).hexdigest()
                elif stat.S_ISREG(st.st_mode):
                    what = st.st_size
                else:
                    what = ""
                entry = (stat.S_IFMT(st.st_mode), stat.S_IMODE(st.st_mode), st.st_uid, st.st_gid,
                         st.st_ino, what)
                state[inside] = entry + (st.st_mtime_ns,) if times else entry
    return state


def changes(before, after):
    """The paths added, removed or changed between two states, sorted."""
    return sorted(p for p in before.keys() | after.keys() if before.get(p) != after.get(p))
