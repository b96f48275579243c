"""What a local user (uid 65534), a careless co-administrator or an
administrator's mistake cannot make a run of setup do: run a user's
program or data as root, touch what is not the product's, or show what a
protected PPD holds."""

import json
import os
import stat
import subprocess

from conftest import needs_real_root
from helpers import (INSTALL_ENV, LOG, SETUP, USER, as_user, backup, changes, mode,
                     tree_state)
from product import unpack  # noqa: F401
from queues import (create_queue, lumo_version, old_ppd, queue_defaults, queue_ppd,
                    start_print_server)

STAGE = "/srv/stage"
MARK = "/tmp/pwned"
# A user's program: it leaves its mark when root runs it.
MARKING = f"#!/bin/sh\necho \"$0\" >> {MARK}\n"


def staged_install(sb, run_setup, args="", **kwargs):
    """A run of setup from the package unpacked in /srv/stage, as root."""
    return run_setup(args, program=f"{STAGE}/bin/setup", env=INSTALL_ENV, **kwargs)


def test_what_a_run_creates_or_starts_from_is_roots_alone(sandbox, unpack, run_setup):
    sb = sandbox
    start_print_server(sb)
    unpack(STAGE)  # setup makes /opt/oxa and every directory below
    # A user's programs first in root's PATH, named as the commands a run
    # starts by name.
    as_user(sb, "mkdir /tmp/ubin && for c in ps grep lpd sh cat rm; do "
                f"printf {json.dumps(MARKING)} > /tmp/ubin/$c; chmod 755 /tmp/ubin/$c; done")
    out = run_setup("", program=f"{STAGE}/bin/setup",
                    env={"PATH": "/tmp/ubin:/usr/sbin:/usr/bin:/sbin:/bin"})
    assert out.log_lines[-1].startswith("Finishing"), out.log
    assert not sb.exists(MARK)
    for directory in ("/opt/oxa", "/opt/oxa/bin", "/opt/oxa/doc", "/opt/oxa/etc"):
        st = os.lstat(sb.path(directory))
        assert (st.st_uid, stat.S_IMODE(st.st_mode)) == (0, 0o755), directory
    # So no user can put a setup of their own in root's way.
    sb.run("mv /opt/oxa/bin /opt/oxa/mine", user=USER)
    assert os.lstat(sb.path("/opt/oxa/bin")).st_uid == 0

    # A bare "setup" started in /tmp would install a user's manifest.
    sb.sh("cp /opt/oxa/bin/setup /usr/local/bin/setup")
    as_user(sb, "printf 'cron   /etc/cron.d   00644\\n@@NULL\\n' > /tmp/LUMOINST.CONF"
                " && echo '* * * * * root sh /tmp/x' > /tmp/cron && cp /tmp/cron /tmp/lumo-cron")
    before = tree_state(sb, ["/etc", "/opt"])
    out = run_setup("-x", program="setup", cwd="/tmp", env=INSTALL_ENV)
    assert out.returncode == 1
    assert "The start directory /tmp is not root's alone (/tmp can be written by group or " \
           "others): refused." in out.stderr
    assert changes(before, tree_state(sb, ["/etc", "/opt"])) == []


def test_what_a_user_left_in_an_open_installation_is_passed_over(sandbox, unpack, run_setup):
    """An installation directory an earlier version left open to every
    user: what they put in it is no installation, no queue and no PPD."""
    sb = sandbox
    start_print_server(sb)
    unpack(STAGE)
    assert staged_install(sb, run_setup).returncode == 0
    victim = create_queue(sb, "Victim", old_ppd("nlp12dps.ppd").replace("Norvik", "Acme"))
    sb.sh("chmod 0777 /opt/oxa")
    # The user's information file, read before the installation's own.
    as_user(sb, "printf 'USRDIR /usr/local\\n%%ORBBLOCK_PRINTERS_BEGIN\\nDefault\\nVictim\\n"
                "%%ORBBLOCK_PRINTERS_END\\n' > /opt/oxa/lumoInfo2.0")
    before = tree_state(sb, ["/usr/local"])
    out = run_setup("", env=INSTALL_ENV)  # from the open directory: refused outright
    assert "The start directory /opt/oxa is not root's alone" in out.stderr
    out = staged_install(sb, run_setup)
    assert "/opt/oxa/lumoInfo2.0 passed over: /opt/oxa can be written by group or others." \
        in out.log_lines
    assert changes(before, tree_state(sb, ["/usr/local"])) == []
    out = staged_install(sb, run_setup, "-d", input="yes\n")
    assert sb.read(queue_ppd("Victim")) == victim

    # The product's PPD directory left open: a user's PPD for Office's
    # model, with a filter command of their own, is neither copied nor
    # taken, not even as its own reference.
    office = create_queue(sb, "Office", old_ppd("nlp12dps.ppd"))
    sb.sh("chmod 0755 /opt/oxa && mkdir -m 0777 /opt/oxa/ppd")
    evil = sb.read(f"{STAGE}/ppd/nlp12dps.ppd").replace(
        '*PPD-Adobe: "4.3"\n', '*PPD-Adobe: "4.3"\n*FoomaticRIPCommandLine: "sh /tmp/x"\n')
    sb.write("/tmp/evil.text", evil)
    as_user(sb, "cp /tmp/evil.text /opt/oxa/ppd/nlp12dps.ppd")
    out = run_setup("-x -r /root/r.json", env=INSTALL_ENV)
    assert out.returncode == 2
    report = json.loads(sb.read("/root/r.json"))
    assert [q["reasonCode"] for q in report["queues"] if q["name"] == "Office"] == ["untrusted"]
    assert "untrusted" in [f["action"] for f in report["files"]]
    assert sb.read(queue_ppd("Office")) == office
    assert "FoomaticRIPCommandLine" not in sb.sh("cat /tmp/*.ppd /usr/share/ppd/*/*.ppd "
                                                  "2>/dev/null || true")


@needs_real_root  # queue files belong to the group lp
def test_a_removal_and_the_log_stay_where_they_belong(sandbox, unpack, run_setup):
    sb = sandbox
    start_print_server(sb)
    unpack(STAGE)
    assert staged_install(sb, run_setup).returncode == 0
    # A co-administrator's slip: the product's bin directory made a link to
    # the system's, and a directory at the Log's place.
    sb.write("/usr/bin/nc", "the system's own\n", mode=0o755)
    sb.sh("mv /opt/oxa/bin /opt/oxa/bin.old && ln -s /usr/bin /opt/oxa/bin"
          f" && rm -f {LOG} && mkdir -p {LOG}/kept && touch {LOG}/kept/file")
    before = tree_state(sb, ["/usr/bin"], skip=["/usr/bin/orbgsfilter"], contents=False)
    out = staged_install(sb, run_setup, "-d -r /root/r.json", input="yes\n", log_path="/no/log")
    after = tree_state(sb, ["/usr/bin"], skip=["/usr/bin/orbgsfilter"], contents=False)
    assert changes(before, after) == []
    assert sb.read("/usr/bin/nc") == "the system's own\n"
    assert "/opt/oxa/bin/nc left alone: its directory is not the one expected (Not a " \
           "directory)." in out.stderr
    assert sb.exists(f"{LOG}/kept/file")
    assert json.loads(sb.read("/root/r.json"))["log"] == "standard error"


@needs_real_root  # queue files belong to the group lp
def test_nothing_a_protected_ppd_holds_becomes_readable(sandbox, unpack, run_setup):
    sb = sandbox
    start_print_server(sb)
    unpack()
    secret = create_queue(sb, "Office", old_ppd("nlp12dps.ppd", defaults={"PageSize": "Legal"}))
    sb.sh(f"chmod 0640 {queue_ppd('Office')} && chown root:lp {queue_ppd('Office')}")
    # An earlier backup and an earlier Log anyone could read.
    sb.write(backup("Office"), "earlier\n", mode=0o644)
    sb.write(LOG, "earlier\n", mode=0o644)
    out = sb.run(f"umask 000; {SETUP} -r /root/r.json", env=INSTALL_ENV)
    assert out.returncode == 0, out.stderr
    assert "Legal" in sb.read(LOG)
    for path, bits in [(LOG, 0o640), (f"{LOG}.1", 0o640), ("/root/r.json", 0o600),
                       (backup("Office"), 0o640)]:
        assert mode(sb, path) == bits, path
    st = os.stat(sb.path(backup("Office")))
    assert (st.st_uid, st.st_gid) == (0, os.stat(sb.path(queue_ppd("Office"))).st_gid)
    assert sb.read(backup("Office")) == secret
    assert lumo_version(sb.read(queue_ppd("Office"))) == 4
    for path in (LOG, f"{LOG}.1", backup("Office")):
        assert sb.run(f"cat {path}", user=USER).returncode != 0, path


def answer_when_asked(sb, command, question, between):
    """Runs the command inside, answering yes to every question; when the
    question comes, runs `between` before answering it.  Returns the exit
    status and the Log."""
    proc = subprocess.Popen(sb._argv(command, INSTALL_ENV, None, "/"), stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    seen = b""
    proc.stdin.write(b"yes\n")  # to installing
    proc.stdin.flush()
    while question.encode() not in seen:
        chunk = proc.stdout.read1(4096)
        assert chunk, seen
        seen += chunk
    between()
    proc.stdin.write(b"yes\n")
    proc.stdin.close()
    proc.stdout.read()
    return proc.wait(timeout=120), sb.read(LOG)


@needs_real_root  # queue files belong to the group lp
def test_a_co_administrators_change_during_the_run_is_not_lost(sandbox, unpack, run_setup):
    sb = sandbox
    start_print_server(sb)
    unpack()
    create_queue(sb, "Office", old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter"}))
    # The plan read Letter; while the run asks about Office, a
    # co-administrator chooses Legal.
    status, log = answer_when_asked(
        sb, f"{SETUP} -q1 -x -r /root/r.json", "Do you want to update printer: Office?",
        lambda: sb.sh("lpadmin -p Office -o PageSize=Legal"))
    assert status == 2, log  # a fault a rerun mends
    queue = json.loads(sb.read("/root/r.json"))["queues"][0]
    assert (queue["result"], queue["reasonCode"]) == ("kept", "changed-during-run")
    assert lumo_version(sb.read(queue_ppd("Office"))) == 1
    assert queue_defaults(sb, "Office")["PageSize"] == "Legal"
    assert not sb.exists(backup("Office"))
    # The rerun takes the newer choice.
    assert run_setup("-x", env=INSTALL_ENV).returncode == 0
    assert lumo_version(sb.read(queue_ppd("Office"))) == 4
    assert queue_defaults(sb, "Office")["PageSize"] == "Legal"
