"""The Lumo product as an administrator unpacks it, installing runs of
setup over it, and the information file and Log lines they leave.

The product is the package the build makes (build/lumo-4.0-0.tar.gz, made
by `cmake --build build --target package`): opt/oxa with setup, the netcat
orbnc, the print filter orbgsfilter, the install manifest, the SELinux
module, the manual page and the PPD files.
"""

import gzip
import os
import pathlib
import re
import shutil
import tarfile

import pytest

from conftest import ROOT
from cups import stub_systemctl
from helpers import INSTALL_ENV, SETUP, place_foomatic_rip

PRODUCT = ROOT / "product" / "tree"
MANIFEST = "etc/LUMOINST.CONF"
INFO = "/opt/oxa/lumoInfo4.0"

# The information file a fresh installation writes into {dir}.
INFO_FILE = """#
# Lumo 4.0 Information File
#
%%ORBBLOCK_GENERAL_BEGIN
USRDIR          {dir}
HOMEDIR         $HOME
TMPDIR          /tmp
%%ORBBLOCK_GENERAL_END
#
#
%%ORBBLOCK_PRINTERS_BEGIN
Default
%%ORBBLOCK_PRINTERS_END
#
#
%%ORBBLOCK_USERS_BEGIN
root
%%ORBBLOCK_USERS_END
#
#
%%ORBBLOCK_PRNT_BEGIN Default
root
%%ORBBLOCK_PRNT_END Default
#
#
%%ORBEND
"""


def manifest_entries():
    """The manifest's entry lines as (source, target, mode) triples."""
    entries = []
    for line in (PRODUCT / MANIFEST).read_text().splitlines():
        if line.startswith("@@NULL"):
            break
        if line and not line.startswith("#"):
            source, target, mode = line.split()
            entries.append((source, target, int(mode, 8)))
    return entries


def build_dir():
    return pathlib.Path(os.environ.get("LUMO_BUILD_DIR") or ROOT / "build")


def package_path():
    return build_dir() / "lumo-4.0-0.tar.gz"


def built_ppd_dir():
    return build_dir() / "ppd"


def product_ppd_names():
    return sorted(p.name for p in built_ppd_dir().iterdir())


def product_ppd(name):
    """The text of a product PPD file, decompressed when it ships gzipped."""
    data = (built_ppd_dir() / name).read_bytes()
    if name.endswith(".gz"):
        data = gzip.decompress(data)
    return data.decode("latin-1")


def manifest_ppds():
    """The manifest's PPD entries, the ones whose target is "?"."""
    return sorted(source for source, target, _ in manifest_entries() if target == "?")


def extract_package(directory):
    """Unpacks the package into the directory; returns its opt/oxa."""
    if not package_path().exists():
        raise RuntimeError(f"no package at {package_path()}; build the target 'package'")
    with tarfile.open(package_path()) as package:
        package.extractall(directory)
    return pathlib.Path(directory) / "opt" / "oxa"


def unpack_tree(sb, package_tree, top="/opt/oxa", extra=()):
    """Unpacks the product under `top` in the sandbox, as the package's opt/oxa
    would be; `extra` lines are added to the manifest before its end mark.
    Returns the path of setup."""
    tree = sb.path(top)
    shutil.copytree(package_tree, tree, symlinks=True, dirs_exist_ok=True)
    manifest = (package_tree / MANIFEST).read_text()
    added = "".join(f"{line}\n" for line in extra)
    sb.write(f"{top}/{MANIFEST}", manifest.replace("@@NULL", added + "@@NULL"))
    return f"{top}/bin/setup"


def prepare_install(sb):
    """A machine that passes the print-system checks: a foomatic-rip, and a
    systemctl that restarts CUPS when it runs."""
    place_foomatic_rip(sb)
    stub_systemctl(sb)


@pytest.fixture(scope="session")
def package_tree(tmp_path_factory):
    """The package unpacked once per session; its opt/oxa directory."""
    return extract_package(tmp_path_factory.mktemp("package"))


@pytest.fixture
def unpack(sandbox, package_tree):
    """unpack_tree in the test's sandbox."""

    def unpack_at(top="/opt/oxa", extra=()):
        return unpack_tree(sandbox, package_tree, top, extra)

    return unpack_at


@pytest.fixture
def install(sandbox, run_setup):
    """Runs setup under the file-creation mask 077 on a machine prepared by
    prepare_install."""
    prepare_install(sandbox)

    def run(args="", program=SETUP, cwd="/", input=None, env=None):
        environment = {**INSTALL_ENV, **(env or {})}
        return run_setup(args, program=f"umask 077; {program}", cwd=cwd, input=input,
                         env=environment)

    return run


def set_printers(sb, names):
    """Writes the printer block of the installation's information file."""
    text = sb.read(INFO)
    start = text.index("%%ORBBLOCK_PRINTERS_BEGIN\n") + len("%%ORBBLOCK_PRINTERS_BEGIN\n")
    end = text.index("%%ORBBLOCK_PRINTERS_END\n")
    sb.write(INFO, text[:start] + "".join(f"{n}\n" for n in names) + text[end:])


def ppd_copies(lines):
    """The stand-in PPD files as copied: where each went, from its log line."""
    found = [re.fullmatch(r"Copying file (ppd/\S+) to (.*)\. ", line) for line in lines]
    return {m.group(1): f"{m.group(2)}/{os.path.basename(m.group(1))}" for m in found if m}
