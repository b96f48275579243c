"""Installing runs over the product tree: the files in place with their
modes, the filter link, the information file and the uninstall script, which
is then run."""

import os
import re

from helpers import mode
from product import (INFO_FILE, install, manifest_entries, manifest_ppds,  # noqa: F401
                     ppd_copies, unpack)

SCRIPT_TOP = """#!/bin/sh
#
# De-installation script of Lumo 3.0 dated: {date}
#
#Delete a file
#Syntax : delFile $fileName
#
delFile()
{{
if [ -f "$1" ] || [ -h "$1" ] ; then
  /usr/bin/rm "$1"
fi
}}
#
#Delete a directory
#Syntax : delDir $dirName
delDir()
{{
if [ -d "$1" ] ; then
  /usr/bin/rm -rf "$1"
fi
}}
#
#
# Get a yes or no answer from the user.  Argument 1 is prompt, 2 is default.
#
yorn()
{{
        if [ "$2" = "" ] ; then
                prompt="$1? "
        else
                prompt="$1 [$2]? "
        fi
 
        while true ; do
                echo "$prompt"
                read input
                parsed=$input
 
                if [ "$parsed" = "" ] ; then
                        answer=$2
                else
                        answer=$input
                fi
 
                case $answer in
                [oO]|[yY]|[yY][eE][sS])
                        return 0 ; break ;;
                [nN]|[nN][oO])
                        return 1 ; break ;;
                *)
                        echo "Answer with yes or no please."
                esac
        done
}}
#
echo "De-installation of 'Lumo 4.0-0'"
yorn "Do you really want to de-install Lumo 3.0?" "no"
it_is=$?
if [ $it_is -ne 0 ] ; then
  exit
fi
delFile {i}/lumoInfo4.0
delFile {i}/bin/orbgsfilter
delFile {i}/bin/nc
delFile /usr/bin/orbgsfilter
delFile {i}/bin/setup
delFile {i}/etc/lumo4.0.png
delFile {i}/etc/LUMOINST.CONF
delFile {i}/LUMOINST.CONF
"""


def check_installation(sb, out, idir, count=len(manifest_entries())):
    """What every fresh installation leaves, whatever the start directory."""
    lines = out.log_lines
    date = next(l for l in sb.read(f"{idir}/etc/UNINSTALLLUMO").splitlines() if "dated" in l)
    script = sb.read(f"{idir}/etc/UNINSTALLLUMO").splitlines(keepends=True)
    assert "".join(script[:70]) == SCRIPT_TOP.format(date=date.split(": ", 1)[1], i=idir)
    assert re.fullmatch(r"delDir /\S+/ppd\n", script[70])
    assert script[71:] == [f"delDir {idir}/etc\n", f"delDir {idir}/bin\n", f"delDir {idir}\n"]
    assert sb.read(f"{idir}/lumoInfo4.0") == INFO_FILE.format(dir=idir)
    assert mode(sb, f"{idir}/etc/UNINSTALLLUMO") == mode(sb, f"{idir}/lumoInfo4.0") == 0o755
    assert os.readlink(sb.path("/usr/bin/orbgsfilter")) == f"{idir}/bin/orbgsfilter"
    assert f"Link 1: /usr/bin/orbgsfilter linked to {idir}/bin/orbgsfilter." in lines

    start = lines.index(f"Installation directory: '{idir}' OK. ")
    assert lines[start:start + 6] == [
        f"Installation directory: '{idir}' OK. ",
        f"Creating configuration file: '{idir}/lumoInfo3.0'. ",
        f"Creating uninstallation script: '{idir}/UNINSTALLLUMO'. ",
        f"Created script: {idir}/etc/UNINSTALLLUMO.",
        "Creating printer start scripts. ",
        f"goInstall: Starting copy loop for {count} items.",
    ]
    labels = [f'chcon SELinux for: "/usr/bin/chcon {label} 2>/dev/null": result: 256'
              for label in ("-u system_u /usr/bin/orbgsfilter", "-t bin_t /opt/oxa/bin/orbgsfilter")]
    first = lines.index(labels[0])
    assert lines[first:first + 2] == labels
    copies = ppd_copies(lines)
    assert sorted(copies) == manifest_ppds()
    for source, installed in copies.items():
        assert mode(sb, installed) == 0o644
        assert f"Changing execution rights of '{installed}' to  00644." in lines


def test_in_place_from_opt_oxa_bin_only_the_ppd_files_are_copied(sandbox, unpack, install):
    unpack()
    out = install()
    lines = out.log_lines
    assert "New installation" in lines
    assert "LUMOINST.CONF = /opt/oxa/etc/LUMOINST.CONF." in lines
    assert lines[lines.index("cd /opt/oxa.") + 1] == (
        'chcon SELinux for: "/usr/bin/chcon -R -u system_u /opt/oxa/bin 2>/dev/null": result: 256')
    assert not any(l.startswith("setup after rpm") for l in lines)
    assert [l for l in lines if l.startswith("Copying file")] == [
        l for l in lines if l.startswith("Copying file ppd/")]
    assert not sandbox.exists("/usr/lib/cups/filter/orbgsfilter")
    check_installation(sandbox, out, "/opt/oxa")

    # A second run finds the link in place and leaves it alone.
    lines = install().log_lines
    assert not any(l.startswith("Link 1:") for l in lines)


def test_from_an_unpacked_tree_everything_is_copied(sandbox, unpack, install):
    unpack("/srv/unpacked", extra=["bin/missing ./bin 00755", "bin/orbgsfilter lib 00755"])
    out = install(program="bin/setup", cwd="/srv/unpacked")
    lines = out.log_lines
    assert "setup after rpm in: /srv/unpacked." in lines
    count = len(manifest_entries()) + 2
    loop = lines[lines.index(f"goInstall: Starting copy loop for {count} items.") + 1:]
    assert [l for l in loop if ".ppd" not in l][:20] == [
        "Copying file bin/setup to /opt/oxa/bin. ",
        "Changing execution rights of '/opt/oxa/bin/setup' to  00755.",
        "Copying file bin/orbgsfilter to /opt/oxa/bin. ",
        "Changing execution rights of '/opt/oxa/bin/orbgsfilter' to  00755.",
        "Copying file bin/orbnc to /opt/oxa/bin. ",
        "Changing execution rights of '/opt/oxa/bin/orbnc' to  00755.",
        "Copying file bin/orbgsfilter to /usr/lib/cups/filter. ",
        "Changing execution rights of '/usr/lib/cups/filter/orbgsfilter' to  00755.",
        "Copying file etc/LUMOINST.CONF to /opt/oxa/etc. ",
        "Changing execution rights of '/opt/oxa/etc/LUMOINST.CONF' to  00644.",
        "Copying file etc/lumo.pp to /opt/oxa/etc. ",
        "Changing execution rights of '/opt/oxa/etc/lumo.pp' to  00644.",
        "Created directory: '/opt/oxa/doc'.",
        "Changing execution rights of '/opt/oxa/doc' to  00755.",
        "Copying file doc/README to /opt/oxa/doc/README. ",
        "Changing execution rights of '/opt/oxa/doc/README' to  00644.",
        "Copying file doc/setup.8 to /opt/oxa/doc. ",
        "Changing execution rights of '/opt/oxa/doc/setup.8' to  00644.",
        "Copying file bin/missing to /opt/oxa/bin. : WRONG!!!",
        "No destination for file bin/orbgsfilter (target 'lib'): not copied.",
    ]
    for installed, source, bits in [("/opt/oxa/bin/setup", "bin/setup", 0o755),
                                    ("/usr/lib/cups/filter/orbgsfilter", "bin/orbgsfilter", 0o755),
                                    ("/opt/oxa/doc/README", "doc/README", 0o644)]:
        assert mode(sandbox, installed) == bits
        assert (sandbox.path(installed).read_bytes()
                == sandbox.path(f"/srv/unpacked/{source}").read_bytes())
    # Modes are set exactly, whatever the file-creation mask (077 here).
    assert [mode(sandbox, d) for d in ("/opt/oxa", "/opt/oxa/bin", "/opt/oxa/etc", "/opt/oxa/doc")
            ] == [0o755] * 4  # no one but root may change what is in them
    check_installation(sandbox, out, "/opt/oxa", count=count)

    filter_run = sandbox.run("printf 'page\\n' | /usr/lib/cups/filter/orbgsfilter 7 root t 1 ''")
    assert (filter_run.returncode, filter_run.stdout) == (0, "page\n")
    filter_run = sandbox.run("/usr/lib/cups/filter/orbgsfilter 7 root t 1 '' /opt/oxa/doc/README")
    assert filter_run.stdout == sandbox.read("/srv/unpacked/doc/README")
    filter_run = sandbox.run("/usr/lib/cups/filter/orbgsfilter 7 root t 1 '' /none")
    assert filter_run.returncode == 1 and filter_run.stderr.startswith("ERROR: ")
    assert sandbox.run("/usr/bin/orbgsfilter 7").returncode == 1


def test_odd_names_are_quoted_for_the_shell(sandbox, unpack, install):
    idir = "/opt/my $lumo"
    unpack("/srv/unpacked", extra=["doc/it's$HOME . 00600"])
    sandbox.write("/srv/unpacked/doc/it's$HOME", "odd\n")
    out = install(f"-u '{idir}/'", program="bin/setup", cwd="/srv/unpacked")
    assert sandbox.read(f"{idir}/doc/it's$HOME") == "odd\n"
    assert mode(sandbox, f"{idir}/doc/it's$HOME") == 0o600
    assert (f'chcon SELinux for: "/usr/bin/chcon -R -u system_u \'{idir}/bin\' 2>/dev/null": '
            "result: 256") in out.log_lines
    assert sandbox.read(f"{idir}/etc/UNINSTALLLUMO").endswith(f"delDir '{idir}'\n")

    result = sandbox.run(f"sh '{idir}/etc/UNINSTALLLUMO'", input="yes\n")
    assert result.returncode == 0
    assert not sandbox.exists(idir) and not sandbox.exists("/usr/bin/orbgsfilter")


def test_the_uninstall_script_asks_then_removes_everything_it_lists(sandbox, unpack, install):
    unpack("/srv/unpacked")
    install(program="bin/setup", cwd="/srv/unpacked")
    script = "sh -x /opt/oxa/etc/UNINSTALLLUMO"
    question = "Do you really want to de-install Lumo 3.0? [no]? \n"

    result = sandbox.run(script, input="\n")
    assert result.stdout == "De-installation of 'Lumo 4.0-0'\n" + question
    assert sandbox.exists("/opt/oxa/lumoInfo4.0") and sandbox.exists("/usr/bin/orbgsfilter")

    result = sandbox.run(script, input="maybe\ny\n")
    assert result.stdout == ("De-installation of 'Lumo 4.0-0'\n" + question
                             + "Answer with yes or no please.\n" + question)
    removed = [l for l in result.stderr.splitlines() if l.startswith("+ /usr/bin/rm")]
    assert removed == [f"+ /usr/bin/rm {path}" for path in (
        "/opt/oxa/lumoInfo4.0", "/opt/oxa/bin/orbgsfilter", "/usr/bin/orbgsfilter",
        "/opt/oxa/bin/setup", "/opt/oxa/etc/LUMOINST.CONF", "-rf /opt/oxa/etc", "-rf /opt/oxa/bin",
        "-rf /opt/oxa")]
    assert not sandbox.exists("/opt/oxa") and not sandbox.exists("/usr/bin/orbgsfilter")
