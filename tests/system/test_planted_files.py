"""Files setup writes as root where others can write too: links and pipes
planted by an ordinary user in the product's 0777 directories and in the
Log file's place, full file systems under the installation and the product
PPD directory, and a rerun of an upgrade.  Nothing outside the intended
paths may change, no cut or empty file may be left or used, and a failure
is reported as one."""

import os
import re
import stat
import tarfile

from conftest import needs_real_root
from helpers import INSTALL_ENV, LOG, SETUP, as_user, changes, installing_run, tree_state
from product import INFO_FILE, manifest_ppds, unpack  # noqa: F401
from queues import (CUPS_PPD_DIR, create_queue, cupstestppd, lumo_version, old_ppd, product_ppd,
                    product_ppd_names, queue_ppd, start_print_server)

SHARE = "/usr/share/ppd"
PPD_DIR = f"{SHARE}/oxa"
ARCHIVE = "/var/tmp/LumoPPDFiles4.0-7.tar"
# Records the inode of what each chcon call would label.
CHCON_CALLS = "/root/chcon.calls"
CHCON_STUB = f'#!/bin/sh\nfor a; do last=$a; done\nstat -L -c %i "$last" >> {CHCON_CALLS}\nexit 1\n'
# Watched for changes: everything here but the paths the run is meant to
# change (the queues of /etc/cups, the stub's record).
WATCHED = ["/etc", "/root", "/var/log", "/var/tmp", "/usr/lib/cups/filter", SHARE]
INTENDED = ("/etc/cups/", "/var/log/cups/", CHCON_CALLS, LOG, ARCHIVE, PPD_DIR + "/",
            "/usr/lib/cups/filter/orbgsfilter")


def snapshot(sb):
    """Every watched entry but the intended ones and the product PPD
    directory itself."""
    return tree_state(sb, WATCHED, skip=INTENDED + (PPD_DIR,))


def product_dir(sb):
    """The product PPD directory the run settles on: /usr/share/ppd/oxa,
    which the CUPS model directory links to."""
    sb.sh(f"rm -rf {SHARE} /usr/share/cups/model && mkdir -p {PPD_DIR} /usr/share/cups/model"
          f" && ln -s {PPD_DIR} /usr/share/cups/model/oxa")


def package_file(sb, name):
    return sb.path(f"/opt/oxa/ppd/{name}").read_bytes()


@needs_real_root  # the links are planted by another user
def test_links_planted_by_a_user_are_replaced_never_written_through(sandbox, unpack):
    sb = sandbox
    start_print_server(sb)
    product_dir(sb)
    create_queue(sb, "Office", old_ppd("nlp12ps.ppd"))
    # Unpacked elsewhere: every manifest entry is copied into /opt/oxa.
    unpack("/srv/lumo")
    sb.write("/usr/bin/chcon", CHCON_STUB, mode=0o755)
    # An installation directory and a Log directory anyone may write.
    sb.sh(f"mkdir -p /opt/oxa/bin /opt/oxa/etc && chmod 0777 /opt/oxa /opt/oxa/bin /opt/oxa/etc"
          f" /var/log {PPD_DIR}")
    planted = {
        "/opt/oxa/lumoInfo4.0": "/etc/shadow",
        "/opt/oxa/etc/UNINSTALLLUMO": "/etc/passwd",
        "/opt/oxa/bin/orbnc": "/etc/group",
        "/opt/oxa/etc/lumo.pp": "/etc/hostname",
        f"{PPD_DIR}/nlp12ps.ppd": "/etc/services",
        "/opt/oxa/Office/root/lumoConfig": "/etc/shells",
        LOG: "/etc/login.defs",
    }
    for link, victim in planted.items():
        as_user(sb, f"mkdir -p {os.path.dirname(link)} && ln -s {victim} {link}")
    # A link on a directory the manifest copies into.
    as_user(sb, "ln -s /etc/default /opt/oxa/doc")
    before = snapshot(sb)

    log = installing_run(sb, "bin/setup", cwd="/srv/lumo")

    assert changes(before, snapshot(sb)) == []
    assert os.readlink(sb.path("/opt/oxa/doc")) == "/etc/default"
    for copy in ["doc/README to /opt/oxa/doc/README", "doc/setup.8 to /opt/oxa/doc"]:
        assert f"Copying file {copy}. : WRONG!!!\n" in log
    for link in set(planted) - {"/opt/oxa/Office/root/lumoConfig"}:
        st = os.lstat(sb.path(link))
        assert stat.S_ISREG(st.st_mode) and st.st_uid == 0, (link, log)
    assert sb.read("/opt/oxa/lumoInfo4.0") == INFO_FILE.format(dir="/opt/oxa")
    assert os.stat(sb.path("/opt/oxa/lumoInfo4.0")).st_mode & 0o7777 == 0o755
    assert os.stat(sb.path("/opt/oxa/etc/UNINSTALLLUMO")).st_mode & 0o7777 == 0o755
    assert sb.read("/opt/oxa/etc/UNINSTALLLUMO").startswith("#!/bin/sh\n")
    assert sb.path("/opt/oxa/bin/orbnc").read_bytes() == sb.path("/srv/lumo/bin/orbnc").read_bytes()
    assert os.stat(sb.path("/opt/oxa/bin/orbnc")).st_mode & 0o7777 == 0o755
    assert sb.path(f"{PPD_DIR}/nlp12ps.ppd").read_bytes() == \
        sb.path("/srv/lumo/ppd/nlp12ps.ppd").read_bytes()
    # The configuration behind a link is neither read nor written.
    assert os.readlink(sb.path("/opt/oxa/Office/root/lumoConfig")) == "/etc/shells"
    assert "processPrinterConfig(Office): updated." not in log
    # A product PPD directory others can write gives no queue its PPD.
    assert lumo_version(sb.read(queue_ppd("Office"))) == 1
    assert (f"Product PPD {PPD_DIR}/nlp12ps.ppd passed over: {PPD_DIR} can be written by group "
            "or others.\nPrinter Office keeps its PPD /etc/cups/ppd/Office.ppd.\n") in log
    # The Log file's label went on the Log file itself.
    labelled = sb.read(CHCON_CALLS).split()
    assert labelled[0] == str(os.stat(sb.path(LOG)).st_ino)
    assert not any(name.startswith(("lumoInfo4.0.", "UNINSTALLLUMO.", "orbnc.", "nlp12ps.ppd."))
                   for d in ["/opt/oxa", "/opt/oxa/etc", "/opt/oxa/bin", PPD_DIR]
                   for name in os.listdir(sb.path(d)))


def archived(sb):
    with tarfile.open(sb.path(ARCHIVE)) as archive:
        return {m.name: archive.extractfile(m).read().decode("latin-1")
                for m in archive.getmembers()}


@needs_real_root  # the pipe and the link are planted by another user
def test_upgrade_rerun_keeps_the_first_archive_and_a_planted_pipe_never_hangs(sandbox, unpack):
    sb = sandbox
    start_print_server(sb)
    product_dir(sb)
    unpack()
    # The earlier generation's installation with its PPD files.
    sb.write("/opt/oxa/lumoInfo2.0", "%%ORBBLOCK_GENERAL_BEGIN\nUSRDIR          /opt/oxa\n"
             "%%ORBBLOCK_GENERAL_END\n%%ORBEND\n")
    earlier = {name: f"earlier {name}\n" for name in product_ppd_names()}
    for name, text in earlier.items():
        sb.write(f"{PPD_DIR}/{name}", text)
    sb.sh("chmod 0777 /var/log")
    as_user(sb, "mkdir -p /tmp/victims && echo victim > /tmp/victims/archive"
            f" && ln -s /tmp/victims/archive {ARCHIVE}")
    before = snapshot(sb)

    for rerun in (False, True):
        # A pipe in the Log file's place: no reader will ever come.  It is
        # the user's: it stays, and the Log goes to standard error.
        as_user(sb, f"rm -f {LOG} && mkfifo -m 0666 {LOG}")
        out = sb.run(f"umask 077; {SETUP}", env=INSTALL_ENV, timeout=300)
        log = out.stderr
        assert stat.S_ISFIFO(os.lstat(sb.path(LOG)).st_mode)
        assert "Upgrade Mode = 1." in log and "Finishing" not in log
        assert stat.S_ISREG(os.lstat(sb.path(ARCHIVE)).st_mode)
        assert archived(sb) == earlier, f"rerun {rerun}"
        assert ("PPD files saved by an earlier run kept in: " + ARCHIVE in log) == rerun

    assert sb.read("/tmp/victims/archive") == "victim\n"
    assert changes(before, snapshot(sb)) == []
    # The rerun found the new PPD files in the directory, and left them.
    for name in product_ppd_names():
        assert sb.path(f"{PPD_DIR}/{name}").read_bytes() == package_file(sb, name)


def test_full_file_systems_leave_no_cut_file_and_say_so(sandbox, unpack):
    sb = sandbox
    start_print_server(sb)
    product_dir(sb)
    # /opt holds the unpacked product and not a byte more.
    sb.sh("mount -t tmpfs -o size=64m,mode=0755 full /opt")
    unpack()
    sb.run("cat /dev/zero > /opt/filler")
    # The product PPD directory has room for six pages of the thirteen the
    # PPD files take, one of them taken by a copy cut short earlier.
    sb.sh(f"mount -t tmpfs -o size={6 * 4096},mode=0755 small {PPD_DIR}")
    cut = product_ppd("nof24dpc.ppd")[:2000]
    sb.write(f"{PPD_DIR}/nof24dpc.ppd", cut)
    queues = {"Jet": "nlp12ps.ppd", "Fold": "nof24dpc.ppd", "Office": "nlp12dps.ppd"}
    old = {q: create_queue(sb, q, old_ppd(name)) for q, name in queues.items()}
    before = snapshot(sb)

    log = installing_run(sb)
    lines = log.splitlines()

    assert changes(before, snapshot(sb)) == []
    # The information file and the script could not be written: said so,
    # and no empty file is left.
    for path in ["/opt/oxa/lumoInfo4.0", "/opt/oxa/etc/UNINSTALLLUMO"]:
        assert f"Cannot write file: '{path}': No space left on device." in lines
        assert not sb.exists(path)
    assert not any(line.startswith(("Created script:", "Creating configuration file:"))
                   for line in lines)
    assert sorted(os.listdir(sb.path("/opt/oxa/etc"))) == ["LUMOINST.CONF", "lumo.pp"]
    assert not [n for n in os.listdir(sb.path("/opt/oxa")) if n.startswith("lumoInfo4.0")]
    # Each product PPD is whole or absent; the cut one is kept as it was.
    wrong = [line for line in lines if re.match(r"Copying file ppd/.* : WRONG!!!$", line)]
    assert wrong
    names = set(os.listdir(sb.path(PPD_DIR)))
    assert names <= set(manifest_ppds_names())
    for name in names - {"nof24dpc.ppd"}:
        assert sb.path(f"{PPD_DIR}/{name}").read_bytes() == package_file(sb, name), name
    assert sb.read(f"{PPD_DIR}/nof24dpc.ppd") == cut
    # Every queue has a whole PPD: the new one, or its own with the reason.
    for queue, name in queues.items():
        text = sb.read(queue_ppd(queue))
        if text == old[queue]:
            at = lines.index(f"Printer {queue} keeps its PPD {CUPS_PPD_DIR}/{queue}.ppd.")
            assert "not used" in lines[at - 1], lines[at - 1]
        else:
            assert lumo_version(text) == 4, queue
            assert len(text.splitlines()) == len(product_ppd(name).splitlines()), queue
            assert cupstestppd(sb, queue_ppd(queue)).returncode == 0, queue
    assert sb.read(queue_ppd("Fold")) == old["Fold"]
    assert (f"Product PPD {PPD_DIR}/nof24dpc.ppd is not the same as the package's "
            "/opt/oxa/ppd/nof24dpc.ppd: not used.") in lines


def manifest_ppds_names():
    return [os.path.basename(source) for source in manifest_ppds()]
