"""The setup run: option passes, Log file, start directory and root rules."""

import re

import pytest

from conftest import needs_real_root
from helpers import INSTALL_ENV, LOG

# The label goes on the opened Log file, through setup's own descriptor.
CHCON_COMMAND = r'Command: "{chcon} -u system_u /proc/\d+/fd/\d+ 2>/dev/null" returned with: {status}\.'

USAGE = (
    "Lumo setup version: 4.0-7.\n"
    "Copyright (C) 2026 the Lumo authors.\n"
    "This installer comes without any warranty.\n"
    "Usage:\n"
    "setup [options].\n"
    "Options:\n"
    "-d\t: de-installation of Lumo 4.0-7.\n"
    "-fx\t: allow install from any directory: x=0:no,1:yes [1].\n"
    "-h\t: display this message.\n"
    "-qx\t: query steps of installation: x=0:no,1:yes [0].\n"
    "-Sx\t: set SELinux mode: x=0:off,1:on [1].\n"
    "-Dx\t: set debug mode. [0].\n"
    "-L\t: live update: hand the new PPD files to the running CUPS scheduler, no restart.\n"
    "-n\t: preview: tell what a run would do, change nothing.\n"
    "-p queue\t: update only this queue (repeatable); the others are left as they are.\n"
    "-r file\t: write a JSON report of the run to file.\n"
    "-R\t: undo the queue update: each queue gets its earlier PPD back.\n"
    "-x\t: let the exit status tell the outcome: 0 done, 1 stopped, 2 fault.\n"
)



@pytest.fixture
def run_setup(run_setup):
    """These runs name the spooler, which spares them the process probe."""

    def run(*args, env=None, **kwargs):
        return run_setup(*args, env={**INSTALL_ENV, **(env or {})}, **kwargs)

    return run


def test_usage_exits_before_the_log_file(sandbox, place_setup, run_setup):
    place_setup()
    sandbox.write(LOG, "previous run\n")
    out = run_setup("-h -d")
    assert out.returncode == 0
    assert out.stderr == USAGE
    assert out.log == "previous run\n"
    # A long option is no bundle of short ones ("--dry-run" is not -d -r
    # y-run): refused before anything happens.
    out = run_setup("--dry-run")
    assert (out.returncode, out.stderr, out.log) == (1, USAGE, "previous run\n")
    assert not sandbox.exists("/y-run") and not sandbox.exists("/opt/oxa/bin/y-run")


def test_installing_run_writes_starting_and_finishing_lines(sandbox, place_setup, run_setup):
    place_setup()
    out = run_setup()
    assert out.returncode == 0
    lines = out.log_lines
    assert lines[0] == "Preparing Log File:"
    assert re.fullmatch(CHCON_COMMAND.format(chcon="/usr/bin/chcon", status=256), lines[1])
    assert lines[2] == "=" * 39
    assert lines[3].startswith("Starting Lumo 4.0-0 installation : ")
    assert "Directory from which we install: '/opt/oxa'." in lines
    assert "SELinux is running: No." in lines
    assert "SELinux module lumo.pp is installed." not in lines
    assert lines[-1].startswith("Finishing Lumo 4.0-0 installation : ")
    assert out.log.endswith("\n")


def test_without_chcon_the_log_starts_with_the_starting_line(sandbox, place_setup, run_setup):
    place_setup()
    sandbox.remove("/usr/bin/chcon")
    lines = run_setup().log_lines
    assert lines[0].startswith("Starting Lumo 4.0-0 installation : ")


def test_chcon_found_in_usr_local_bin(sandbox, place_setup, run_setup):
    place_setup()
    sandbox.remove("/usr/bin/chcon")
    sandbox.write("/usr/local/bin/chcon", "#!/bin/sh\nexit 3\n", mode=0o755)
    lines = run_setup().log_lines
    assert re.fullmatch(CHCON_COMMAND.format(chcon="/usr/local/bin/chcon", status=768), lines[1])


def test_selinux_enabled_is_reported(sandbox, place_setup, run_setup):
    place_setup()
    sandbox.write("/usr/sbin/selinuxenabled", "#!/bin/sh\nexit 0\n", mode=0o755)
    lines = run_setup("-d").log_lines
    assert "SELinux is running: Yes." in lines
    assert "SELinux module lumo.pp is installed." in lines
    # -S0 overrides what selinuxenabled says.
    assert "SELinux is running: No." in run_setup("-S0").log_lines


def test_start_directory_rule_only_with_f0_and_only_when_installing(sandbox, place_setup, run_setup):
    program = place_setup("/srv/unpacked")
    out = run_setup("-f0", program=program)
    expected = "Lumo3.0 setup simulation, not from /opt/oxa/bin.\nExiting.\n"
    assert out.stderr == expected + "\n"
    assert expected in out.log
    assert out.log_lines[-1].startswith("Finishing")

    assert expected not in run_setup("-f0 -d", program=program).log
    assert expected not in run_setup("", program=program).log


def test_start_from_opt_oxa_or_a_relative_path(sandbox, place_setup, run_setup):
    place_setup("/opt/oxa")
    out = run_setup("-f0", program="./setup", cwd="/opt/oxa")
    assert "Directory from which we install: '/opt/oxa'." in out.log_lines
    assert "not from /opt/oxa/bin" not in out.log
    place_setup("/opt/oxa2")
    out = run_setup("-f0", program="/opt/oxa2/setup")
    assert "not from /opt/oxa/bin" not in out.log


@pytest.mark.parametrize("option", ["-u", "-i", "-w"])
def test_overlong_text_argument_is_refused(sandbox, place_setup, run_setup, option):
    place_setup()
    out = run_setup(f"{option} /{'x' * 255}")
    assert out.returncode == 0
    assert f"The argument of {option} is longer than 255 characters: refused." in out.log
    assert out.log_lines[-1].startswith("Finishing")


def test_overlong_invocation_path_is_refused(sandbox, place_setup, run_setup):
    deep = "/opt/" + "/".join(["d" * 50] * 5)
    program = place_setup(deep)
    out = run_setup(program=program)
    assert out.returncode == 0
    assert "The path by which setup was started is longer than 255 characters: refused." in out.log
    assert "Directory from which we install" not in out.log


@needs_real_root
def test_non_root_gets_usage_but_nothing_else(sandbox, place_setup, run_setup):
    place_setup()
    out = run_setup("-h", user=1000)
    assert out.returncode == 0 and out.stderr == USAGE

    out = run_setup("-d", user=1000, log_path=LOG + "_1000")
    assert out.returncode == 0
    assert out.log is None  # /var/log is not writable for user 1000
    assert "\n\n\tYou must be root to be able\n\tto install Lumo!\n\n\tSorry!\n" in out.stderr


@needs_real_root
def test_non_root_log_file_carries_the_user_id(sandbox, place_setup, run_setup):
    place_setup()
    sandbox.sh("chmod 1777 /var/log")
    out = run_setup(user=1000, log_path=LOG + "_1000")
    assert "You must be root" in out.log
    assert not sandbox.exists(LOG)
