"""The installing branch before and around the file installation (earlier
installation, upgrade modes, manifest stop, question), the de-installing
branch without an installation, and the SELinux module step."""

import pytest

from helpers import mode
from product import INFO_FILE, install, unpack  # noqa: F401

EARLIER = ("#\n# Lumo 2.0 Information File\n#\n%%ORBBLOCK_GENERAL_BEGIN\n"
           "USRDIR          /opt/oxa\n%%ORBBLOCK_GENERAL_END\n"
           "%%ORBBLOCK_PRINTERS_BEGIN\nDefault\nlab1\n%%ORBBLOCK_PRINTERS_END\n%%ORBEND\n")
CURRENT = INFO_FILE.format(dir="/opt/oxa").replace("Default\n", "Default\nlab1\nlab2\n", 1)


def found_lines(kind, printers):
    return ["Found an existing Lumo 3.0 installation in the directory:", "/opt/oxa.",
            f"Upgrade Mode = {kind}.", "The installation directory:", "\t'/opt/oxa'",
            "exists and is OK.", f"Number of Lumo printers found: {printers}."]


def test_upgrade_of_this_generation_keeps_the_information_file(sandbox, unpack, install):
    unpack("/srv/unpacked")
    sandbox.write("/opt/oxa/lumoInfo4.0", CURRENT)
    # The earlier installation's directory wins over -u.
    lines = install("-u /opt/elsewhere", program="bin/setup", cwd="/srv/unpacked").log_lines
    start = lines.index("Found an existing Lumo 3.0 installation in the directory:")
    assert lines[start:start + 8] == found_lines(2, 3) + [
        "LUMOINST.CONF = /srv/unpacked/etc/LUMOINST.CONF."]
    assert "Skip creating configuration file: '/opt/oxa/lumoInfo3.0'. " in lines
    assert sandbox.read("/opt/oxa/lumoInfo4.0") == CURRENT
    assert mode(sandbox, "/opt/oxa/bin/orbgsfilter") == 0o755
    assert not sandbox.exists("/opt/elsewhere")
    assert not sandbox.exists("/var/tmp/LumoPPDFiles4.0-7.tar")


def test_upgrade_of_the_earlier_generation_carries_its_file_over(sandbox, unpack, install):
    unpack("/srv/unpacked")
    sandbox.write("/opt/oxa/lumoInfo2.0", EARLIER)
    sandbox.write("/opt/oxa/lumoInfo4.0", CURRENT)  # lumoInfo2.0 is looked for first
    lines = install(program="bin/setup", cwd="/srv/unpacked").log_lines
    start = lines.index("Found an existing Lumo 3.0 installation in the directory:")
    assert lines[start:start + 7] == found_lines(1, 2)
    assert "Copying Lumo config file /opt/oxa/lumoInfo2.0 to lumoInfo3.0. " in lines
    assert "Copied lumoInfo2.0 to lumoInfo3.0 file." in lines
    assert sandbox.read("/opt/oxa/lumoInfo4.0") == EARLIER.replace("Lumo 2.0", "Lumo 3.0")
    # The PPD files are archived, or the missing PPD directory reported.
    assert any(l.startswith(("Saved PPD files from: ", "Cannot access PPD dir: ")) for l in lines)


def test_earlier_directory_gone_means_a_fresh_information_file(sandbox, unpack, install):
    unpack("/srv/unpacked")
    sandbox.write("/opt/oxa/lumoInfo4.0", CURRENT.replace("          /opt/oxa", " /opt/gone"))
    lines = install(program="bin/setup", cwd="/srv/unpacked").log_lines
    start = lines.index("/opt/gone.") + 1
    assert lines[start:start + 3] == [
        "The installation directory:", "\t'/opt/gone'", "does not exist or is not OK."]
    assert "Creating configuration file: '/opt/oxa/lumoInfo3.0'. " in lines
    assert sandbox.read("/opt/oxa/lumoInfo4.0") == INFO_FILE.format(dir="/opt/oxa")


def test_without_a_manifest_nothing_is_installed(sandbox, unpack, install):
    # Started by its full path, setup takes /srv/unpacked as the product's tree.
    unpack("/srv/unpacked")
    sandbox.remove("/srv/unpacked/etc/LUMOINST.CONF")
    lines = install(program="/srv/unpacked/bin/setup").log_lines
    start = lines.index("New installation")
    assert lines[start:start + 6] == [
        "New installation", "Cannot open info file: '/srv/unpacked/LUMOINST.CONF'.",
        "Lumo 3.0 installation missing info:", "\t'/srv/unpacked/LUMOINST.CONF'.", "Abandon...",
        "Because of insufficient data, setup stopped."]
    assert lines[-1].startswith("Finishing")
    assert not sandbox.exists("/opt/oxa") and not sandbox.exists("/usr/bin/orbgsfilter")


@pytest.mark.parametrize("earlier, question", [
    (None, "Would you like to install Lumo 4.0-0?"),
    ("lumoInfo4.0", "Would you like to update Lumo 4.0-0?"),
    ("lumoInfo2.0", "Would you like to update Lumo 3.0 from Lumo 2.0?"),
])
def test_the_question_by_upgrade_mode_and_declining_it(sandbox, unpack, install, earlier, question):
    unpack()
    if earlier:
        sandbox.write(f"/opt/oxa/{earlier}", CURRENT)
    out = install("-q1", input="n\n")
    assert out.stdout.startswith(question + "\n")
    assert out.stderr == "Program abandoned by user.\n\n"
    assert out.log_lines[-2] == "Program abandoned by user."
    assert not sandbox.exists("/usr/bin/orbgsfilter")

    out = install("-q1", input="yes\n")
    assert out.stderr == "" and sandbox.exists("/usr/bin/orbgsfilter")


def test_deinstalling_without_an_installation(sandbox, unpack, install):
    unpack()
    out = install("-d")
    assert out.stderr == "No Lumo installation found.\n*** Sorry ***\n"
    assert out.log_lines[-3:-1] == ["No Lumo installation found.", "*** Sorry ***"]


def test_selinux_module_and_labels(sandbox, unpack, install):
    unpack()
    sandbox.write("/usr/sbin/semodule", '#!/bin/sh\necho "$*" >> /run/semodule.calls\n',
                  mode=0o755)
    sandbox.remove("/opt/oxa/etc/lumo.pp")
    out = install("-S1")
    assert out.stderr == ".......\nSELinux running, but no file lumo.pp found."
    unpack()  # the package brings the module
    out = install("-S1")
    assert out.stderr == ".......\n"
    assert "SELinux module lumo.pp is installed." in out.log_lines
    assert sandbox.read("/run/semodule.calls") == "-i /opt/oxa/etc/lumo.pp\n"
    # De-installing never loads the module.
    assert not install("-S1 -d").stderr.startswith(".......")
    assert sandbox.read("/run/semodule.calls") == "-i /opt/oxa/etc/lumo.pp\n"

    sandbox.remove("/usr/bin/chcon")
    assert not any("chcon" in l for l in install().log_lines)
