"""Print-system detection, the CUPS directories and the CUPS version, with a
real cupsd or stand-ins for the other spoolers inside the sandbox."""

import pytest

from cups import start_cupsd
from helpers import INSTALL_ENV, place_foomatic_rip, tmp_leftovers
from print_system import BSD_LPD_ANSWER, LPRNG_ANSWER, place_orbnc, start_daemon

__all__ = ["place_orbnc"]  # a fixture, used by name

ABANDON_NO_CUPS = ["Abandoned because:", "* No running CUPS daemon found!",
                   "* No foomatic-rip program found!", "*** Sorry ***"]

# The lines of the CUPS steps, which only a run with CUPS writes (the PPD
# locations block, with its "CUPS model directory" line, comes in every run).
CUPS_STEP_LINES = ("CUPS base dir", "CUPS binary dir", "CUPS Version", "CUPS Header", "lpadmin",
                   "lpstat")

FALLBACK_LINE = "CUPS Version : 1400// CUPS Version not found. Reset to 1.4"


@pytest.fixture
def discover(sandbox, place_setup, run_setup):
    """Runs setup and checks that it left none of its temporary files.  Its
    process probe does not pause after each listing."""
    place_setup(short_waits=True)

    def run(args="", env=None, **kwargs):
        out = run_setup(args, env=env, **kwargs)
        assert out.returncode == 0
        assert out.log_lines[-1].startswith("Finishing Lumo 4.0-0 installation : ")
        assert tmp_leftovers(sandbox) == []
        return out

    return run


def block(lines, first):
    """The lines from the first one equal to first, up to "*** Sorry ***"."""
    start = lines.index(first)
    return lines[start:lines.index("*** Sorry ***", start) + 1]


# -- a real cupsd -----------------------------------------------------------


def test_running_cupsd_is_found_with_its_directories_and_version(sandbox, discover,
                                                                  place_orbnc):
    start_cupsd(sandbox)
    place_orbnc()
    place_foomatic_rip(sandbox)
    lines = discover().log_lines
    expected = [
        "System Scheduler = CUPS",
        # The host's start script names no prefixes: the daemon's command
        # line gives /usr, and /etc/cups gives the base directory.
        "CUPS base dir: /",
        "CUPS binary dir: /usr",
        "CUPS Header Version : 2400//HTTP",
        "lpadmin = /usr/sbin/lpadmin",
        "lpstat  = /usr/bin/lpstat",
    ]
    assert [line for line in lines if line in expected] == expected
    assert "Abandoned because:" not in lines


def test_start_script_prefixes_and_cups_commands_not_found_under_them(sandbox, discover,
                                                                        place_orbnc):
    start_cupsd(sandbox)
    place_orbnc()
    sandbox.write("/etc/init.d/cups", "#!/bin/sh\nexec_prefix=/opt/cupsys\n", mode=0o755)
    lines = discover().log_lines
    assert "CUPS base dir: " in lines
    assert "CUPS binary dir: /opt/cupsys" in lines
    assert "lpadmin = lpadmin" in lines and "lpstat  = lpstat" in lines
    # The running daemon lacks only foomatic-rip.
    assert block(lines, "Abandoned because:") == [
        "Abandoned because:", "* No foomatic-rip program found!", "*** Sorry ***"]


# -- the server header --------------------------------------------------------

# A netcat stand-in that records how it was called and answers as an old CUPS.
RECORDING_NETCAT = """#!/bin/sh
echo "$*" > /run/netcat.call
cat >> /run/netcat.call
printf 'HTTP/1.1 200 OK\\r\\nServer: CUPS/1.3 IPP/1.1\\r\\n\\r\\n'
"""


def test_own_netcat_beside_setup_comes_first(sandbox, place_setup, place_orbnc, run_setup):
    program = place_setup("/opt/unpacked")
    sandbox.write("/opt/unpacked/orbnc", RECORDING_NETCAT, mode=0o755)
    start_cupsd(sandbox)
    place_orbnc()  # /opt/oxa/bin/orbnc would reach the real server
    out = run_setup(env=INSTALL_ENV, program=program)
    assert "CUPS Header Version : 1300//HTTP" in out.log_lines
    # The request ends with the blank line and one more line feed.
    assert sandbox.read("/run/netcat.call") == (
        "localhost 631\nHEAD / HTTP/1.1\nConnection: Close\n\n\n")
    assert tmp_leftovers(sandbox) == []


def test_system_nc_without_orbnc(sandbox, discover):
    sandbox.write("/usr/bin/nc", RECORDING_NETCAT.replace("1.3", "2.2.1"), mode=0o755)
    assert "CUPS Header Version : 2200//HTTP" in discover(env=INSTALL_ENV).log_lines


# -- the files, without a server -----------------------------------------------

CUPS_CONFIG = "#!/bin/sh\necho {}\n"


def cups_config_in_usr_sbin(sb):
    sb.remove("/usr/bin/cups-config")
    sb.write("/usr/sbin/cups-config", CUPS_CONFIG.format("2.3.1"), mode=0o755)


def hundred_then_printers_conf(sb):
    sb.write("/usr/bin/cups-config", CUPS_CONFIG.format("1.0.0"), mode=0o755)
    sb.write("/etc/cups/printers.conf", "# Printer configuration file for CUPS v2.2\n")


# The sources below come after cups-config, which the host has.

def printers_conf(sb):
    sb.remove("/usr/bin/cups-config")
    sb.write("/etc/cups/printers.conf",
             "# Printer configuration file for CUPS v2.3.3op2\n# Written by cupsd\n")


def index_title(sb):
    sb.remove("/usr/bin/cups-config")
    sb.write("/usr/share/cups/doc/index.html", "<HTML>\n<TITLE>Home - CUPS 1.5.3</TITLE>\n")


def doc_dirs(sb):
    sb.remove("/usr/bin/cups-config")
    sb.sh("mkdir -p /usr/share/doc/cups-1.2 /usr/share/doc/cups-1.4")


def postscript_test_pages(sb):
    sb.remove("/usr/bin/cups-config")
    sb.write("/usr/share/cups/data/testprint.ps", "(Printed Using CUPS v1.1.17) show\n")
    sb.write("/etc/cups/data/testprint.ps", "%!\n(Printed Using CUPS v1.1.20) show\n")
    sb.write("/usr/share/cups/data/testprint", "produced by CUPS v1.3.9\n")


def text_test_page(sb):
    sb.remove("/usr/bin/cups-config")
    sb.write("/etc/cups/data/testprint", "banner\nThis page was Produced By cups\tV1.3.9\n")


def nothing(sb):
    sb.remove("/usr/bin/cups-config")


@pytest.mark.parametrize("place, line", [
    (None, "CUPS Version : 2420 // 2.4.2"),  # the host's own cups-config
    (cups_config_in_usr_sbin, "CUPS Version : 2310 // 2.3.1"),
    (hundred_then_printers_conf,
     "CUPS Version : 2200 // # Printer configuration file for CUPS v2.2"),
    (printers_conf, "CUPS Version : 2330 // # Printer configuration file for CUPS v2.3.3op2"),
    (index_title, "CUPS Version : 1530// <TITLE>Home - CUPS 1.5.3</TITLE>"),
    (doc_dirs, "CUPS Version : 1200// /usr/share/doc/cups-1.2"),
    (postscript_test_pages, "CUPS Version : 1120// (Printed Using CUPS v1.1.20) show"),
    (text_test_page, "CUPS Version : 1390// This page was Produced By cups\tV1.3.9"),
    (nothing, FALLBACK_LINE),
], ids=["cups-config", "sbin-cups-config", "hundred-passed-over", "printers.conf",
        "index.html", "doc-dir", "testprint.ps", "testprint", "fallback"])
def test_version_from_files_without_a_server(sandbox, discover, place_orbnc, place, line):
    place_orbnc()  # finds nothing listening on port 631
    if place is not None:
        place(sandbox)
    lines = discover(env=INSTALL_ENV).log_lines
    versions = [x for x in lines if x.startswith("CUPS Version") or "Header Version" in x]
    assert versions == [line]
    assert lines.index(line) > lines.index("CUPS binary dir: ")
    assert "CUPS Version not found. Reset to 1.4" not in lines  # never on its own line


# -- the environment ----------------------------------------------------------------


def test_environment_names_the_spooler_without_a_probe(sandbox, discover):
    place_foomatic_rip(sandbox)
    out = discover("-D1", env={"ORBLPMODE": "LPRNG", "LUMOLPMODE": "CUPS"})
    assert "STRING=(" not in out.stderr
    lines = out.log_lines
    assert "System Scheduler = LPRNG" in lines
    assert block(lines, "Abandoned because:") == [
        "Abandoned because:", "* No running CUPS daemon found!", "*** Sorry ***"]
    assert not [x for x in lines if x.startswith(CUPS_STEP_LINES)]


def test_second_variable_names_cups_without_foomatic_rip(sandbox, discover):
    lines = discover(env={"LUMOLPMODE": "CUPS"}).log_lines
    scheduler = lines.index("System Scheduler = CUPS")
    assert lines[scheduler + 1:scheduler + 6] == [
        "Abandoned because:", "* No foomatic-rip program found!", "*** Sorry ***",
        # Named by the environment, the directories stay empty and the
        # commands are looked up in the standard directories.
        "CUPS base dir: ", "CUPS binary dir: "]
    assert "lpadmin = /usr/sbin/lpadmin" in lines and "lpstat  = /usr/bin/lpstat" in lines


@pytest.mark.parametrize("path", [
    "/usr/bin/foomatic-rip", "/bin/foomatic-rip", "/sbin/foomatic-rip",
    "/usr/local/bin/foomatic-rip", "/opt/bin/foomatic-rip", "/usr/lib/cups/filter/foomatic-rip",
    "/usr/local/lib/cups/filter/foomatic-rip", "/opt/lib/cups/filter/foomatic-rip",
    "/lib/cups/filter/foomatic-rip"])
def test_foomatic_rip_in_each_known_place(sandbox, discover, path):
    place_foomatic_rip(sandbox, path)
    lines = discover(env=INSTALL_ENV).log_lines
    assert "System Scheduler = CUPS" in lines
    assert "Abandoned because:" not in lines


# -- the process probe ------------------------------------------------------------


@pytest.mark.parametrize("daemon, answer, kind", [
    ("/usr/sbin/lpd", LPRNG_ANSWER, "LPRNG"),
    ("/usr/sbin/lpd", BSD_LPD_ANSWER, "LPR"),
    ("/usr/lib/lp/lpsched", "", "LP"),
])
def test_other_spoolers_are_recognised(sandbox, discover, daemon, answer, kind):
    start_daemon(sandbox, daemon, answer)
    out = discover("-D1")
    lines = out.log_lines
    assert f"System Scheduler = {kind}" in lines
    assert block(lines, "Abandoned because:") == ABANDON_NO_CUPS
    assert not [x for x in lines if x.startswith(CUPS_STEP_LINES)]
    # The traces show the daemon's line of the listing at its position.
    position = 1 if kind == "LP" else 2
    assert f"/bin/sh {daemon}\n) i={position}\n" in out.stderr


# Plants links at the names the listings once had, for its own process id,
# which setup keeps when the wrapper execs it.
PLANTING_WRAPPER = """#!/bin/sh
ln -s /etc/lumo-victim /tmp/ORBLPD$$
ln -s /etc/lumo-absent /tmp/ORBLPRNG$$
exec /opt/oxa/bin/setup "$@"
"""


def test_probe_leaves_planted_links_and_their_targets_alone(sandbox, place_setup, run_setup):
    place_setup(short_waits=True)
    sandbox.write("/opt/oxa/bin/plant-links", PLANTING_WRAPPER, mode=0o755)
    sandbox.write("/etc/lumo-victim", "precious\n")
    out = run_setup(program="/opt/oxa/bin/plant-links")
    assert "System Scheduler = Unknown" in out.log_lines
    assert block(out.log_lines, "Abandoned because:") == ABANDON_NO_CUPS
    planted = tmp_leftovers(sandbox)
    assert [name.rstrip("0123456789") for name in planted] == ["ORBLPD", "ORBLPRNG"]
    for name in planted:
        assert sandbox.path(f"/tmp/{name}").is_symlink()
    assert sandbox.read("/etc/lumo-victim") == "precious\n"
    assert not sandbox.exists("/etc/lumo-absent")


def test_unrecognised_environment_value_runs_the_probe(sandbox, discover):
    out = discover("-D1", env={"ORBLPMODE": "cups", "LUMOLPMODE": "CUPS"})
    assert "System Scheduler = Unknown" in out.log_lines
    # Every listing holds at least its own grep line, traced at its position.
    for position in range(4):
        assert f") i={position}\n" in out.stderr
