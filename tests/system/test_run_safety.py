"""What a run of setup trusts and how it survives: a scheduler and CUPS
commands planted by a local user, system entries of /dev named like
printers, a print server that never answers, two runs at once, and a run
killed in the middle of the printer update."""

import json
import os
import re
import shlex
import stat
import threading
import time

from conftest import needs_real_root
from cups import start_cupsd
from helpers import (INSTALL_ENV, LOG, SETUP, as_user, backup, changes, tmp_leftovers,
                     tree_state)
from product import install, prepare_install, set_printers, unpack  # noqa: F401
from queues import CUPS_PPD_DIR, fleet, lumo_version, place_queues, queue_ppd
from sandbox import wait_until

PWNED = "/tmp/pwned"

# A user's command: it leaves its mark when root runs it.
MARKING_COMMAND = f"#!/bin/sh\necho \"$0 $*\" >> {PWNED}\n"


def plant_schedulers(sb):
    """Two "cupsd" processes of the user's, each beside an lpadmin and an
    lpstat of the user's: a copy of sleep, and a script run by the system's
    shell (its executable is root's, the path it was started by is not)."""
    as_user(sb, "mkdir -p /tmp/x/sbin /tmp/x/bin /tmp/y/sbin /tmp/y/bin /tmp/z/bin"
                " && cp /bin/sleep /tmp/x/sbin/cupsd"
                " && printf '#!/bin/sh\\nsleep 1000\\n' > /tmp/y/sbin/cupsd"
                " && chmod 755 /tmp/y/sbin/cupsd")
    for tool in ["lpadmin", "lpstat"]:
        for top in ["/tmp/x", "/tmp/y", "/tmp/z"]:
            as_user(sb, f"printf {shlex.quote(MARKING_COMMAND)} > {top}/bin/{tool}"
                        f" && chmod 755 {top}/bin/{tool}")
    as_user(sb, "/tmp/x/sbin/cupsd 1000 &")
    as_user(sb, "/bin/sh /tmp/y/sbin/cupsd &")
    listing = sb.sh("ps -ef")
    assert "/tmp/x/sbin/cupsd 1000" in listing and "/tmp/y/sbin/cupsd" in listing, listing


def passed_over(log):
    """The schedulers passed over: (program, reason)."""
    return re.findall(r"^CUPS scheduler (\S+) passed over \(process \d+\): (.*)\.$", log, re.M)


@needs_real_root  # a user of its own, a socket and a FIFO in /dev
def test_planted_scheduler_commands_and_dev_entries_are_left_alone(sandbox, unpack, place_setup,
                                                                     install, run_setup):
    sb = sandbox
    unpack()
    place_setup(short_waits=True)  # the process probes without their pauses
    assert install().log_lines[-1].startswith("Finishing")
    plant_schedulers(sb)

    # Without a CUPS scheduler of root's the user's count for nothing.
    set_printers(sb, ["Default", "lab0"])
    out = run_setup("-d", input="yes\n")
    assert not sb.exists(PWNED), sb.read(PWNED)
    # Both, on the first look for a scheduler and on the last.
    why = "/tmp can be written by group or others"
    assert sorted(passed_over(out.log)) == sorted(2 * [("/tmp/x/sbin/cupsd", why),
                                                       ("/tmp/y/sbin/cupsd", why)]), out.log
    assert "System Scheduler = CUPS" not in out.log

    # With root's scheduler started after them (a higher process id), and a
    # start script that names a directory of the user's.
    start_cupsd(sb)
    sb.write("/etc/init.d/cups", "#!/bin/sh\nprefix=/\nexec_prefix=/tmp/z\n", mode=0o755)
    unpack()
    place_setup(short_waits=True)
    sb.write("/usr/bin/systemctl", "#!/bin/sh\nexit 0\n", mode=0o755)  # leave the schedulers be
    assert install().log_lines[-1].startswith("Finishing")
    sb.sh("lpadmin -p lab1 -v file:///dev/null -E")
    # Entries of /dev named like printers: the syslog socket, the init FIFO,
    # the stream links, a directory; and a plain device file of the old kind.
    sb.sh("python3 -c \"import socket; socket.socket(socket.AF_UNIX).bind('/dev/log')\""
          " && mkfifo /dev/initctl && mkdir /dev/lumodir && touch /dev/lab1")
    names = ["log", "initctl", "stdin", "fd", "stdout", "lumodir", "null"]
    set_printers(sb, ["Default", "lab1"] + names)
    roots = ["/dev", "/tmp", "/var/tmp", "/root", "/usr/sbin"]
    before = tree_state(sb, roots)

    out = run_setup("-d", input="yes\n")

    assert not sb.exists(PWNED), sb.read(PWNED)
    # Only the plain device file went.
    assert changes(before, tree_state(sb, roots)) == ["/dev/lab1"]
    assert "System Scheduler = CUPS" in out.log
    assert sorted(passed_over(out.log)) == [("/tmp/x/sbin/cupsd", why),
                                            ("/tmp/y/sbin/cupsd", why)], out.log
    assert "/tmp/z/bin/lpadmin passed over: /tmp can be written by group or others." in out.log
    assert "lpadmin = /usr/sbin/lpadmin\n" in out.log
    assert "Executing command:\n\t/usr/sbin/lpadmin -xlab1 2>/dev/null\n" in out.log
    assert "lab1" not in sb.sh("lpstat -p 2>/dev/null || true")
    for name in names:
        assert f"Deleting the Lumo printer: {name}." in out.log_lines


# A print server that takes connections and never answers.
SILENT_SERVER = """import socket, time
server = socket.create_server(("", 631), family=socket.AF_INET6, dualstack_ipv6=True)
held = []
while True:
    held.append(server.accept())
"""

# The system's netcat as it behaves here: it sends its input and waits for
# the server to close.
SYSTEM_NC = """#!/usr/bin/python3
import socket, sys
connection = socket.create_connection((sys.argv[1], int(sys.argv[2])))
connection.sendall(sys.stdin.buffer.read())
while connection.recv(4096):
    pass
"""

NO_ANSWER = ("The print server did not answer within {} seconds: the version is looked for in the "
             "files.")


def timed(run, *args, **kwargs):
    started = time.monotonic()
    out = run(*args, **kwargs)
    return out, time.monotonic() - started


@needs_real_root  # a user of its own
def test_silent_print_server_delays_a_run_ten_seconds_at_most(sandbox, unpack, place_setup,
                                                              install, run_setup):
    sb = sandbox
    # The user may listen on port 631 in the sandbox's own network.
    sb.sh("sysctl -q -w net.ipv4.ip_unprivileged_port_start=0")
    sb.write("/root/silent.py", SILENT_SERVER)
    as_user(sb, "python3 /root/silent.py &")
    assert wait_until(lambda: ":631 " in sb.sh("ss -Hltn"))
    unpack()

    # Installing, with the product's netcat: the version question ends at
    # its shipped limit.
    out, seconds = timed(install)
    assert NO_ANSWER.format(10) in out.log_lines, out.log
    assert re.search(r"^CUPS Version : \d{4} ?// ", out.log, re.M), out.log
    assert out.log_lines[-1].startswith("Finishing")
    assert 10 <= seconds < 20, seconds

    # Removing, with the system's netcat: the version question and the
    # queue's removal each end at their limit, here setup's short one.
    place_setup(short_waits=True)
    sb.remove("/opt/oxa/bin/orbnc")
    sb.write("/usr/bin/nc", SYSTEM_NC, mode=0o755)
    set_printers(sb, ["Default", "lab1"])
    roots = ["/dev", "/tmp", "/var/tmp", "/root", "/etc/cups"]
    before = tree_state(sb, roots)
    out, seconds = timed(run_setup, "-d", input="yes\n", env=INSTALL_ENV)
    assert "nc = " not in out.log  # (the system's netcat is found by its path)
    assert NO_ANSWER.format(2) in out.log_lines, out.log
    assert "Executing command:\n\t/usr/sbin/lpadmin -xlab1 2>/dev/null\n" in out.log
    assert "The command did not end within 2 seconds and was stopped." in out.log_lines
    assert "Deleting the Lumo printer: lab1." in out.log_lines
    assert out.log_lines[-1].startswith("Finishing")
    assert 4 <= seconds < 15, seconds
    assert changes(before, tree_state(sb, roots)) == []
    assert not sb.run("pgrep -x lpadmin").stdout
    assert not sb.run("pgrep -f 'python3 /usr/bin/[n]c'").stdout


CONFIG = "ID=7\n%%LUMO_VERSION_1.0\nMODE=2\n"
NEW_CONFIG = "ID=7\n%%LUMO_VERSION_3.0\nMODE=2\n"


def config_path(queue):
    return f"/opt/oxa/{queue}/root/lumoConfig"


def reset_print_server(sb, queues):
    """The queues on their old PPDs, with the old marker, and nothing of an
    earlier run's left."""
    sb.sh(f"rm -rf /etc/cups/*.rpmsave* {CUPS_PPD_DIR}/* /tmp/ORB* /tmp/orb* /opt/oxa/q*")
    place_queues(sb, queues)
    for queue in queues:
        sb.write(config_path(queue), CONFIG)


def print_server(sb, unpack, count):
    """The product unpacked over a print server of count queues on the
    maker's older PPDs; returns {queue: old PPD}."""
    prepare_install(sb)
    unpack()
    queues = fleet(count)
    reset_print_server(sb, queues)
    return queues


LOCK_DIR = "/run/lumo"
LOCK = f"{LOCK_DIR}/Lumo4.0_setup.lock"
# Where the lock once was: a directory every user may write.
OLD_LOCK = "/run/lock/Lumo4.0_setup.lock"
BUSY = r"Another run of setup \(pid (\d+)\) is in progress: this run changes nothing\."


def assert_lock_is_roots(sb):
    """The lock directory and the lock file in it are root's alone."""
    for path, kind, bits in [(LOCK_DIR, stat.S_IFDIR, 0o700), (LOCK, stat.S_IFREG, 0o600)]:
        st = os.lstat(sb.path(path))
        assert (stat.S_IFMT(st.st_mode), st.st_uid, stat.S_IMODE(st.st_mode)) == (kind, 0, bits)


@needs_real_root  # queue files belong to the group lp; a user of its own
def test_second_run_at_once_changes_nothing(sandbox, unpack):
    sb = sandbox
    queues = print_server(sb, unpack, 80)
    # A user's link at the lock file's old name, to a file of root's.
    sb.write("/root/victim", "victim\n")
    as_user(sb, f"ln -s /root/victim {OLD_LOCK}")

    results = [None, None]

    def run(slot):
        results[slot] = sb.run(f"umask 077; {SETUP} -r /root/report{slot}.json",
                               env=INSTALL_ENV, timeout=300)

    runs = [threading.Thread(target=run, args=(slot,)) for slot in (0, 1)]
    for thread in runs:
        thread.start()
    for thread in runs:
        thread.join()

    for queue, old in queues.items():
        assert lumo_version(sb.read(queue_ppd(queue))) == 4, queue
        assert sb.read(backup(queue)) == old, queue
    refused = [r for r in results if re.search(BUSY, r.stderr)]
    assert len(refused) == 1, [r.stderr for r in results]
    holder = re.search(BUSY, refused[0].stderr)
    # The refused run's Log is its own, beside the holder's.
    own = [n for n in os.listdir(sb.path("/var/log")) if n.startswith("Lumo4.0_UpdateLog.")]
    assert len(own) == 1 and sb.read(f"/var/log/{own[0]}") == holder.group(0) + "\n"
    report = json.loads(sb.read(f"/root/report{results.index(refused[0])}.json"))
    assert (report["reason"], report["log"]) == ("another run in progress", f"/var/log/{own[0]}")
    log = sb.read(LOG)
    assert log.count("Starting Lumo") == 1 and log.splitlines()[-1].startswith("Finishing")
    # The lock file is root's own and names the run that held it; the
    # user's link led nowhere.
    assert sb.read("/root/victim") == "victim\n"
    assert_lock_is_roots(sb)
    assert sb.read(LOCK) == holder.group(1) + "\n"


def held_by_another(sb, path):
    """Whether someone else holds a flock on the file at path (opened
    without O_CREAT, which root may not use on a user's file in /run/lock)."""
    return sb.run(f"exec 9<{path} && ! flock -n 9").returncode == 0


@needs_real_root  # a user of its own
def test_what_a_user_leaves_in_run_lock_stops_no_run(sandbox, unpack, install):
    sb = sandbox
    unpack()
    # At the lock's old name: the user's directory; then the user's file,
    # whose flock the user holds, as on /run/lock itself.
    plants = [(f"mkdir {OLD_LOCK}", []),
              (f"rmdir {OLD_LOCK} && touch {OLD_LOCK}; flock /run/lock sleep 600 &"
               f" flock {OLD_LOCK} sleep 600 &",
               ["/run/lock", OLD_LOCK])]
    for plant, held in plants:
        as_user(sb, plant)
        assert wait_until(lambda: all(held_by_another(sb, path) for path in held)), plant
        before = tree_state(sb, ["/run/lock"])
        sb.remove(LOG)

        out = install()

        assert out.returncode == 0, out.stderr
        assert "changes nothing" not in out.stderr, out.stderr
        assert out.log and out.log_lines[-1].startswith("Finishing"), out.log
        assert changes(before, tree_state(sb, ["/run/lock"])) == [], plant
        assert_lock_is_roots(sb)


# How a staged file takes its place: a rename, or an exchange with what
# stood there (a queue's PPD).
RENAMES = "renameat,renameat2"


def renames(trace):
    """The traced process's renames of staged files (traced with -y: each
    directory descriptor with its path), in order: (call, its ordinal
    among the calls of its name, target)."""
    found, counts = [], {}
    first = None
    for line in trace.splitlines():
        match = re.search(r' (renameat2?)\(\d+<[^>]*>, "[^"]*", \d+<([^>]*)>, "([^"]*)"', line)
        if not match:
            continue
        first = first or line.split()[0]
        if line.split()[0] != first:
            continue
        call = match.group(1)
        counts[call] = counts.get(call, 0) + 1
        found.append((call, counts[call], f"{match.group(2)}/{match.group(3)}"))
    return found


def traced_renames(sb):
    """The renames of a whole run of setup (see renames), its trace left in
    /root/trace."""
    sb.sh(f"umask 077; strace -f -qq -y -o /root/trace -e trace={RENAMES} {SETUP}",
          env=INSTALL_ENV, timeout=300)
    return renames(sb.read("/root/trace"))


def update_step(target):
    return target.startswith("/etc/cups/") or target.endswith("/root/lumoConfig")


def undated(data):
    """The file without the date line the uninstall script begins with."""
    return re.sub(rb"^# De-installation script .* dated: .*\n", b"", data, flags=re.M)


def is_leftover(name):
    return re.search(r"\.[A-Za-z0-9]{6}$", name) is not None


@needs_real_root  # queue files belong to the group lp
def test_run_killed_at_each_step_is_finished_by_the_next(sandbox, unpack):
    sb = sandbox
    queues = print_server(sb, unpack, 3)
    # A whole run, traced: which renames belong to the printer update, and
    # what each queue ends with.  The traced run is an upgrade, as every run
    # after it is (a first installation writes more files).
    sb.sh(f"umask 077; {SETUP}", env=INSTALL_ENV, timeout=300)
    reset_print_server(sb, queues)
    targets = traced_renames(sb)
    steps = [rename for rename in targets if update_step(rename[2])]
    assert len(steps) == 3 * len(queues), sb.read("/root/trace")
    # The installation's files: the product PPD copies and the uninstall
    # script at least.
    installed = {target: undated(sb.path(target).read_bytes()) for _, _, target in targets
                 if not update_step(target)}
    assert len(installed) >= 2, targets
    complete = {q: sb.read(queue_ppd(q)) for q in queues}
    assert {lumo_version(text) for text in complete.values()} == {4}
    assert sb.read(config_path("q001")) == NEW_CONFIG

    for step in targets:
        call, ordinal, _ = step
        reset_print_server(sb, queues)
        sb.run(f"umask 077; strace -f -qq -o /dev/null -e trace={RENAMES}"
               f" -e inject={call}:signal=SIGKILL:when={ordinal} {SETUP}", env=INSTALL_ENV,
               timeout=300)
        killed = sb.read(LOG)
        assert "Finishing Lumo" not in killed, step
        before = tree_state(sb, ["/root", "/var/tmp", "/dev"])

        sb.run(f"umask 077; {SETUP}", env=INSTALL_ENV, timeout=300)

        log = sb.read(LOG)
        assert log.splitlines()[-1].startswith("Finishing"), (step, log)
        for queue, old in queues.items():
            assert sb.read(queue_ppd(queue)) == complete[queue], (step, queue)
            assert sb.read(backup(queue)) == old, (step, queue)
            assert sb.read(config_path(queue)) == NEW_CONFIG, (step, queue, log)
            assert os.listdir(sb.path(f"/opt/oxa/{queue}/root")) == ["lumoConfig"], step
        assert sorted(os.listdir(sb.path(CUPS_PPD_DIR))) == sorted(f"{q}.ppd" for q in queues)
        assert not [n for n in os.listdir(sb.path("/etc/cups")) if is_leftover(n)], step
        assert tmp_leftovers(sb) == [], (step, log)
        assert changes(before, tree_state(sb, ["/root", "/var/tmp", "/dev"])) == [], step
        for path, text in installed.items():
            assert undated(sb.path(path).read_bytes()) == text, (step, path)
            name = os.path.basename(path)
            assert not [n for n in os.listdir(sb.path(os.path.dirname(path)))
                        if n.startswith(name + ".") and is_leftover(n)], (step, path, log)


@needs_real_root  # queue files belong to the group lp
def test_a_signal_ends_the_run_after_the_queue_in_hand(sandbox, unpack):
    sb = sandbox
    queues = print_server(sb, unpack, 3)
    sb.sh(f"umask 077; {SETUP}", env=INSTALL_ENV, timeout=300)
    complete = {q: sb.read(queue_ppd(q)) for q in queues}
    # SIGTERM comes as the first queue's PPD is being replaced, the one
    # after its backup: that queue is finished, the others are left.
    reset_print_server(sb, queues)
    call, ordinal, target = next(rename for rename in traced_renames(sb)
                                 if rename[2].startswith(CUPS_PPD_DIR))
    first = os.path.basename(target)[:-len(".ppd")]
    reset_print_server(sb, queues)
    out = sb.run(f"strace -f -qq -o /dev/null -e trace={RENAMES}"
                 f" -e inject={call}:signal=SIGTERM:when={ordinal} {SETUP} -x -r /root/r.json",
                 env=INSTALL_ENV, timeout=300)
    assert out.returncode == 1, out.stderr
    log = sb.read(LOG)
    assert "Interrupted by SIGTERM: the run ends here; a later run does the rest.\n" in log
    assert log.splitlines()[-1].startswith("Finishing") and "CUPS reset" not in log
    report = json.loads(sb.read("/root/r.json"))
    assert (report["outcome"], report["reason"]) == ("interrupted", "interrupted by SIGTERM")
    results = {q["name"]: (q["result"], q.get("reasonCode")) for q in report["queues"]}
    for queue, old in queues.items():
        if queue == first:
            assert results[queue] == ("updated", None)
            assert sb.read(queue_ppd(queue)) == complete[queue]
            assert sb.read(config_path(queue)) == NEW_CONFIG
        else:
            assert results[queue] == ("kept", "interrupted")
            assert sb.read(queue_ppd(queue)) == old and not sb.exists(backup(queue))
    # The next run does the rest.
    sb.run(f"umask 077; {SETUP}", env=INSTALL_ENV, timeout=300)
    assert {q: sb.read(queue_ppd(q)) for q in queues} == complete


@needs_real_root  # queue files belong to the group lp
def test_a_change_made_while_the_new_ppd_is_written_is_kept(sandbox, unpack):
    sb = sandbox
    queues = print_server(sb, unpack, 1)
    (queue,) = queues
    sb.sh(f"umask 077; {SETUP}", env=INSTALL_ENV, timeout=300)
    reset_print_server(sb, queues)
    call, ordinal, _ = next(rename for rename in traced_renames(sb)
                            if rename[2] == queue_ppd(queue))
    reset_print_server(sb, queues)
    start_cupsd(sb)
    # The run is held 3 s just as the new PPD takes the queue's place, and a
    # co-administrator chooses another page size meanwhile.
    # (Not following children: the scheduler the restart starts lives on.)
    run = sb.spawn(f"strace -qq -o /dev/null -e trace={RENAMES}"
                   f" -e inject={call}:delay_enter=3000000:when={ordinal}"
                   f" {SETUP} -x -r /root/r.json", env=INSTALL_ENV)
    wait_until(lambda: sb.exists(backup(queue)))
    sb.sh(f"lpadmin -p {queue} -o PageSize=Legal")
    assert run.wait(timeout=120) == 2  # a fault: the next run mends it
    (planned,) = json.loads(sb.read("/root/r.json"))["queues"]
    assert (planned["result"], planned["reasonCode"]) == ("kept", "changed-during-run")
    assert lumo_version(sb.read(queue_ppd(queue))) == 1
    assert "*DefaultPageSize: Legal" in sb.read(queue_ppd(queue))
    sb.run(f"umask 077; {SETUP}", env=INSTALL_ENV, timeout=300)
    assert lumo_version(sb.read(queue_ppd(queue))) == 4
    assert "*DefaultPageSize: Legal" in sb.read(queue_ppd(queue))
