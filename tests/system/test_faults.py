"""Faults while the printers are updated: a full disk, setup killed at
random moments, and a hostile machine (links planted where setup makes its
temporary files, queue and file names made to break out of a command or a
path).  Every queue must keep a whole PPD, the old one or the new one, and
nothing outside the intended paths may be written, run or removed."""

import os
import random
import re
import signal
import time

from conftest import needs_real_root
from helpers import (INSTALL_ENV, LOG, SETUP, backup, installing_run, read_log,
                     tmp_leftovers)
from product import prepare_install, unpack  # noqa: F401
from queues import (CUPS_PPD_DIR, cupstestppd, fleet, lumo_version, old_ppd, place_queues,
                    queue_ppd, start_print_server)
from sandbox import wait_until

RULE = "=" * 58


def ppd_state(sb, queues):
    """Each queue's PPD as found: "old", "new" (a rewritten PPD of this
    product generation) or what else it holds; and its owner and mode."""
    state = {}
    for queue, old in queues.items():
        path = sb.path(queue_ppd(queue))
        text = path.read_text(encoding="latin-1")
        st = os.stat(path)
        kind = "old" if text == old else "new" if lumo_version(text) == 4 else text[-200:]
        state[queue] = (kind, st.st_uid, st.st_gid, st.st_mode & 0o7777)
    return state


def copied(log):
    """The queues whose PPD the Log says was replaced."""
    return set(re.findall(rf"^Copying \S+ to {CUPS_PPD_DIR}/(.+)\.ppd: result=0$", log, re.M))


def lp_group():
    import grp
    return grp.getgrnam("lp").gr_gid


@needs_real_root  # queue files belong to the group lp
def test_full_disk_keeps_every_queue_on_a_whole_ppd(sandbox, unpack):
    sb = sandbox
    queues = fleet(12)
    # /etc/cups and the temporary directory share one small file system.
    sb.sh("mkdir /run/tiny && mount -t tmpfs -o size=16m tiny /run/tiny"
          " && cp -a /etc/cups /run/tiny/cups && mount --bind /run/tiny/cups /etc/cups"
          " && mkdir -m 1777 /run/tiny/tmp")
    place_queues(sb, queues)
    prepare_install(sb)
    unpack()
    # Room for the backups and the new PPD files of about half the queues.
    used = int(sb.sh("df --output=used -B4096 /run/tiny | tail -1"))
    sb.sh(f"mount -o remount,size={(used + 8) * 4096} /run/tiny")

    log = installing_run(sb, env={"TMPDIR": "/run/tiny/tmp"})

    state = ppd_state(sb, queues)
    kept = {q for q, s in state.items() if s[0] == "old"}
    updated = {q for q, s in state.items() if s[0] == "new"}
    assert kept | updated == set(queues), state
    assert kept and updated, state
    assert {s[1:] for s in state.values()} == {(0, lp_group(), 0o640)}
    for queue in queues:
        assert cupstestppd(sb, queue_ppd(queue)).returncode == 0, queue
    # The Log names every printer that was not updated, and only those.
    assert set(re.findall(r"^Printer (\S+) keeps its PPD ", log, re.M)) == kept
    assert copied(log) == updated
    assert "No space left on device" in log
    assert sorted(os.listdir(sb.path(CUPS_PPD_DIR))) == sorted(f"{q}.ppd" for q in queues)
    assert tmp_leftovers(sb, "/run/tiny/tmp") == []


@needs_real_root  # queue files belong to the group lp
def test_killed_at_any_moment_every_ppd_is_whole(sandbox, unpack):
    sb = sandbox
    queues = fleet(200)
    prepare_install(sb)
    unpack()
    place_queues(sb, queues)
    # A whole run first: the new PPD of every queue, and how long updating
    # them all takes here.
    sb.remove(LOG)
    started = time.monotonic()
    run = sb.spawn(f"umask 077; {SETUP}", env=INSTALL_ENV)
    assert wait_until(lambda: RULE in read_log(sb), step=0.001)
    update_start = time.monotonic()
    assert wait_until(lambda: "CUPS restart command" in read_log(sb), step=0.001)
    span = time.monotonic() - update_start
    run.wait(timeout=60)
    complete = {q: sb.read(queue_ppd(q)) for q in queues}
    assert {lumo_version(text) for text in complete.values()} == {4}
    for text in set(complete.values()):
        sb.write("/root/check.ppd", text)
        assert cupstestppd(sb, "/root/check.ppd").returncode == 0

    seed = int(time.time())
    rng = random.Random(seed)
    partial = 0
    for trial in range(8):
        place_queues(sb, queues)
        sb.sh(f"rm -f {LOG} /etc/cups/*.rpmsave /etc/cups/*.rpmsave.* {CUPS_PPD_DIR}/*.ppd.*")
        delay = rng.uniform(0, 0.8 * span)
        run = sb.spawn(f"umask 077; {SETUP}", env=INSTALL_ENV)
        assert wait_until(lambda: RULE in read_log(sb), step=0.0005)
        time.sleep(delay)
        for pid in sb.host_pids(SETUP):
            os.kill(pid, signal.SIGKILL)
        run.wait(timeout=60)
        where = f"seed {seed}, trial {trial}, {delay * 1000:.1f} ms into the update"

        state = ppd_state(sb, queues)
        for queue, (kind, *owner) in state.items():
            assert kind == "old" or sb.read(queue_ppd(queue)) == complete[queue], (where, queue)
            assert owner == [0, lp_group(), 0o640], (where, queue)
        updated = {q for q, s in state.items() if s[0] != "old"}
        # The log line follows the rename: at most the PPD in flight is new
        # without its line.
        logged = copied(read_log(sb))
        assert logged <= updated and len(updated - logged) <= 1, where
        for queue in queues:
            kept = sb.path(backup(queue))
            assert not kept.exists() or kept.read_text("latin-1") == queues[queue], where
        # At most the one copy in flight is left half-made, beside its target.
        strays = [n for n in os.listdir(sb.path(CUPS_PPD_DIR)) if not n.endswith(".ppd")]
        strays += [n for n in os.listdir(sb.path("/etc/cups")) if ".rpmsave." in n]
        assert len(strays) <= 1, (where, strays)
        partial += 0 < len(updated) < len(queues)
    assert partial >= 4, f"seed {seed}: only {partial} kills fell inside the update"
    assert time.monotonic() - started < 60


# Links planted where setup makes temporary files: at the prefixes in /tmp
# and $TMPDIR, followed by nothing, by mkstemp's six placeholders and by
# the five characters a tempnam would add; and the PPD archive's name.
TMPDIR = "/var/tmp/lumo"
PREFIXES = ["orbin", "orbot", "ORB", "ORBLPD", "ORBLPRNG"]
ARCHIVE = "/var/tmp/LumoPPDFiles4.0-7.tar"

# Queue names (from PPD file names) and printer names (from the information
# file) that would run a command or leave a directory if used unquoted.  A
# command that ran would leave its marker in the sandbox: setup starts in
# /root, and a name holding a "/" is refused before any use.
HOSTILE_QUEUES = ["h;touch pwned-1", "h$(touch pwned-2)", "h`touch pwned-3`", "h x", "h\nx",
                  ".", ".."]
HOSTILE_PRINTERS = ["p;touch pwned-4", "p$(touch pwned-5)", "p`touch pwned-6` x"]
MARKER_DIRS = ["/root", "/opt", "/opt/oxa", "/opt/oxa/bin", "/etc/cups", CUPS_PPD_DIR, "/tmp",
               TMPDIR]


def plant_links(sb):
    """Links to victim files and dangling links to files that must not come
    into being; returns {link: target}."""
    sb.sh(f"mkdir -p /root/victims /root/absent {TMPDIR}")
    links = {}
    for directory in ["/tmp", TMPDIR]:
        for prefix in PREFIXES:
            for tail in ["", "XXXXXX", "XXXXX", "XXXXXX.gz"]:
                link = f"{directory}/{prefix}{tail}"
                name = link.strip("/").replace("/", "_")
                links[link] = f"/root/victims/{name}" if tail else f"/root/absent/{name}"
    links[ARCHIVE] = "/root/victims/archive"
    for link, target in links.items():
        if target.startswith("/root/victims/"):
            sb.write(target, f"victim {link}\n")
        os.symlink(target, sb.path(link))
    return links


def assert_links_untouched(sb, links):
    for link, target in links.items():
        if link != ARCHIVE:  # the archive's own name may be replaced by the archive
            assert os.readlink(sb.path(link)) == target, link
        if target.startswith("/root/victims/"):
            assert sb.read(target) == f"victim {link}\n", target
    assert os.listdir(sb.path("/root/absent")) == []


def markers(sb):
    return sorted(os.path.join(d, n) for d in MARKER_DIRS if sb.exists(d)
                  for n in os.listdir(sb.path(d)) if n.startswith("pwned"))


def test_planted_links_and_hostile_names_change_nothing_outside(sandbox, unpack, place_setup):
    sb = sandbox
    links = plant_links(sb)
    start_print_server(sb)
    prepare_install(sb)
    unpack()
    place_setup(short_waits=True)  # the process probes without their pauses
    # Hostile queue files beside a plain one, each a PPD of the maker's.
    queues = {name: old_ppd("nlp12ps.ppd") for name in HOSTILE_QUEUES + ["plain"]}
    for name, text in queues.items():
        sb.write(queue_ppd(name), text)
    # The configuration files under the product's directory that the update
    # marks, and one that ".." would reach outside it.
    config = "ID=1\n%%LUMO_VERSION_1.0\n"
    sb.write("/opt/oxa/h;touch pwned-1/root/lumoConfig", config)
    sb.write("/opt/root/lumoConfig", config)
    # An earlier installation whose printer block carries hostile names.
    sb.write("/opt/oxa/lumoInfo2.0",
             "%%ORBBLOCK_GENERAL_BEGIN\nUSRDIR          /opt/oxa\n%%ORBBLOCK_GENERAL_END\n"
             "%%ORBBLOCK_PRINTERS_BEGIN\nDefault\n" + "".join(f"{p}\n" for p in HOSTILE_PRINTERS)
             + "%%ORBBLOCK_PRINTERS_END\n%%ORBEND\n")

    # ORBLPMODE unset: the process probe makes its ORBLPD file too.
    sb.run(f"umask 077; {SETUP}", env={"TMPDIR": TMPDIR}, cwd="/root", timeout=300)
    log = sb.read(LOG)
    assert "System Scheduler = CUPS" in log and log.splitlines()[-1].startswith("Finishing")
    for name in queues:
        assert lumo_version(sb.read(queue_ppd(name))) == 4, name
        assert sb.exists(backup(name)), name
    assert sb.read("/opt/oxa/h;touch pwned-1/root/lumoConfig") == "ID=1\n%%LUMO_VERSION_3.0\n"
    assert sb.read("/opt/root/lumoConfig") == config
    assert "Printer name refused, it could name a path: '..'." in log
    assert "Number of Lumo printers found: 4." in log
    assert markers(sb) == []
    assert_links_untouched(sb, links)
    for directory in ["/tmp", TMPDIR]:
        assert tmp_leftovers(sb, directory) == sorted(
            os.path.basename(link) for link in links if os.path.dirname(link) == directory)

    # De-installing without a running CUPS: the probe's ORBLPRNG file, and
    # the hostile printers of the information file handed to lpadmin.
    sb.sh("kill $(pgrep -x cupsd); while pgrep -x cupsd >/dev/null; do sleep 0.05; done")
    sb.run(f"{SETUP} -d", input="yes\n", env={"TMPDIR": TMPDIR}, cwd="/root", timeout=300)
    log = sb.read(LOG)
    for printer in HOSTILE_PRINTERS:
        assert f"Deleting the Lumo printer: {printer}." in log
    assert not sb.exists("/opt/oxa/bin") and not sb.exists("/usr/bin/orbgsfilter")
    assert markers(sb) == []
    assert_links_untouched(sb, links)
    assert sb.read("/opt/root/lumoConfig") == config
