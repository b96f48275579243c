"""The product package as administrators get it, and its manual page."""

import os
import subprocess
import tarfile

from conftest import ROOT
from product import manifest_entries, package_path


def test_package_holds_exactly_the_manifest_files():
    with tarfile.open(package_path()) as package:
        members = {m.name: m for m in package.getmembers()}
    files = {name for name, m in members.items() if not m.isdir()}
    listed = {f"opt/oxa/{source}" for source, _, _ in manifest_entries()}
    assert files == listed
    assert {"opt/oxa/bin/setup", "opt/oxa/etc/LUMOINST.CONF"} <= files
    assert all(name == "opt" or name.startswith("opt/oxa") for name in members)
    for name in ("opt/oxa/bin/setup", "opt/oxa/bin/orbnc", "opt/oxa/bin/orbgsfilter"):
        assert members[name].mode & 0o111
    assert members["opt/oxa/bin/orbgsfilter"].uid == 0


def test_unpacked_at_the_root_it_installs(sandbox, install):
    sandbox.sh(f"tar -xzf {sandbox.copy_in(package_path(), '/root/lumo.tar.gz')} -C /")
    out = install()
    assert out.returncode == 0
    lines = out.log_lines
    assert "Directory from which we install: '/opt/oxa'." in lines
    assert "Because of insufficient data, setup stopped." not in lines
    assert os.readlink(sandbox.path("/usr/bin/orbgsfilter")) == "/opt/oxa/bin/orbgsfilter"
    assert sandbox.exists("/opt/oxa/ppd/nlp12dps.ppd")


def test_manual_page_has_no_warnings():
    page = ROOT / "docs" / "setup.8"
    result = subprocess.run(["groff", "-ww", "-man", "-z", str(page)], capture_output=True,
                            text=True)
    assert (result.returncode, result.stderr) == (0, "")
    text = page.read_text()
    for option in ("d", "f", "h", "i", "m", "q", "u", "w", "S", "D", "Z"):
        assert f"\\-{option}" in text.split(".SH OPTIONS")[1]
