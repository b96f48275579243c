"""A throwaway machine for running the real `setup` binary.

Each Sandbox is a process tree in its own mount, network and PID namespaces
(util-linux `unshare`), and in a UTS namespace of its own when it is given a
host name.  Inside it, /usr and /etc are overlays over the
host's directories, so a test can add or delete system files (a stub
systemctl, a missing chcon, a planted start script) while the host keeps its
own; /opt, /var/log, /tmp, /var/tmp, /run, /root and CUPS's spool and cache
directories are empty tmpfs mounts.  The loopback interface is up, so a real
cupsd started inside listens on localhost:631 of the sandbox only.

Commands run inside with `nsenter`; files inside are reached from the host
through /proc/<init pid>/root, which shows the sandbox's mounts.  When the
sandbox's init (PID 1 inside) is killed, the kernel ends every process of the
namespace and the mounts go with it: nothing is left on the host.

As root (CI) the namespaces are created directly.  A developer without root
gets them in a user namespace (--map-root-user) where the kernel allows
unprivileged user namespaces; user ids other than 0 do not exist there, so
tests that run setup as another user are skipped.
"""

import os
import pathlib
import shutil
import signal
import subprocess
import time

HERE = pathlib.Path(__file__).resolve().parent
INIT = HERE / "sandbox_init.sh"
AS_ROOT = os.geteuid() == 0
SANDBOX_PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"


def _child_of(pid):
    """The host pid of the process whose parent is pid (unshare's child)."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            stat = pathlib.Path("/proc", entry, "stat").read_text()
        except OSError:
            continue
        # The command name may hold blanks; the fields after it are fixed.
        fields = stat.rsplit(")", 1)[1].split()
        if int(fields[1]) == pid:
            return int(entry)
    return None


def pids_in_pid_namespace(namespace):
    """The host pids of the processes in a PID namespace (its ns/pid link)."""
    pids = []
    for entry in os.listdir("/proc"):
        try:
            if entry.isdigit() and os.readlink(f"/proc/{entry}/ns/pid") == namespace:
                pids.append(int(entry))
        except OSError:
            continue
    return pids


def start_holder(command, what, stdin=subprocess.DEVNULL):
    """Starts an unshare command whose init says "ready" once its namespaces
    are set up; returns the process and the host pid of that init."""
    process = subprocess.Popen(command, stdin=stdin, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    line = process.stdout.readline()
    if line.strip() != "ready":
        process.kill()
        raise RuntimeError(f"{what} did not start: " + line + process.stderr.read())
    return process, _child_of(process.pid)


def end_holder(process, init_pid):
    """Kills the init, which ends everything in its PID namespace, and reaps
    the unshare command."""
    try:
        os.kill(init_pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait(timeout=30)
    process.stdout.close()
    process.stderr.close()


class Sandbox:
    def __init__(self, stage, hostname=None):
        """With a hostname the sandbox also gets a UTS namespace of its own
        carrying that name, as a machine of a fleet would."""
        self.stage = pathlib.Path(stage)
        self.stage.mkdir(parents=True, exist_ok=True)
        self.hostname = hostname
        command = ["unshare", "--mount", "--net", "--pid", "--fork", "--mount-proc"]
        if hostname:
            command.append("--uts")
        if not AS_ROOT:
            command += ["--user", "--map-root-user"]
        command += ["/bin/sh", str(INIT), str(self.stage)] + ([hostname] if hostname else [])
        self.unshare, self.init_pid = start_holder(command, "sandbox")
        self.root = pathlib.Path(f"/proc/{self.init_pid}/root")

    # -- commands -----------------------------------------------------------

    def _argv(self, command, env, user, cwd):
        enter = ["nsenter", "-t", str(self.init_pid), "-m", "-n", "-p"]
        if self.hostname:
            enter.append("-u")
        if not AS_ROOT:
            enter += ["-U", "--preserve-credentials"]
        environment = {"PATH": SANDBOX_PATH, "HOME": "/root", "LANG": "C"}
        environment.update(env or {})
        prefix = ["env", "-i"] + [f"{k}={v}" for k, v in environment.items()]
        if user is not None:
            prefix = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups"] + prefix
        script = f"cd {cwd} && {command}"
        return enter + ["--"] + prefix + ["/bin/sh", "-c", script]

    def run(self, command, input=None, env=None, user=None, cwd="/", timeout=120,
            check=False):
        """Runs a shell command inside; returns the CompletedProcess."""
        # Without an answer to give, standard input is empty, whatever the
        # tests' own standard input is.
        feed = {"input": input} if input is not None else {"stdin": subprocess.DEVNULL}
        result = subprocess.run(self._argv(command, env, user, cwd), capture_output=True,
                                text=True, errors="backslashreplace", timeout=timeout, **feed)
        if check and result.returncode != 0:
            raise AssertionError(f"{command!r} failed ({result.returncode}):\n"
                                 f"{result.stdout}\n{result.stderr}")
        return result

    def spawn(self, command, env=None, cwd="/"):
        """Starts a shell command inside without waiting; returns the Popen
        (its output discarded)."""
        return subprocess.Popen(self._argv(command, env, None, cwd), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def host_pids(self, executable):
        """The host's pids of the sandbox's processes running executable
        (its path inside)."""
        pids = []
        for pid in pids_in_pid_namespace(os.readlink(f"/proc/{self.init_pid}/ns/pid")):
            try:
                if os.readlink(f"/proc/{pid}/exe") == executable:
                    pids.append(pid)
            except OSError:
                continue
        return pids

    def sh(self, command, **kwargs):
        """Runs a command that must succeed; returns its standard output."""
        return self.run(command, check=True, **kwargs).stdout

    # -- files --------------------------------------------------------------

    def path(self, inside):
        """The host path through which the sandbox's file is reached."""
        return self.root / str(inside).lstrip("/")

    def read(self, inside):
        return self.path(inside).read_text()

    def write(self, inside, text, mode=0o644):
        """Writes a file inside, replacing (never writing through) a link."""
        target = self.path(inside)
        target.parent.mkdir(parents=True, exist_ok=True)
        if target.is_symlink():
            target.unlink()
        target.write_text(text)
        target.chmod(mode)
        return target

    def copy_in(self, host_file, inside):
        """Copies a file of the host into the sandbox, where the host's /tmp
        (and a build tree under it) is out of sight; returns the inside path."""
        target = self.path(inside)
        target.parent.mkdir(parents=True, exist_ok=True)
        if target.is_symlink():
            target.unlink()
        shutil.copy2(host_file, target)
        return inside

    def exists(self, inside):
        return os.path.lexists(self.path(inside))

    def remove(self, inside):
        self.sh(f"rm -rf {inside}")

    # -- lifetime -----------------------------------------------------------

    def close(self):
        end_holder(self.unshare, self.init_pid)


def wait_until(predicate, timeout=15.0, step=0.1):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(step)
    return predicate()
