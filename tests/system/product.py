"""The Lumo product tree as an administrator unpacks it, and installing runs
of setup over it.

The tree is the built setup as bin/setup, the built netcat as bin/orbnc and
the product PPD files as the build compiled them (ppd/) beside the product's
own files (product/tree/ in the repository): the print filter
bin/orbgsfilter, the install manifest etc/LUMOINST.CONF and doc/README.
"""

import gzip
import os
import pathlib
import shutil

import pytest

from conftest import ROOT
from cups import stub_systemctl

PRODUCT = ROOT / "product" / "tree"
MANIFEST = "etc/LUMOINST.CONF"
FOOMATIC_RIP = "/usr/lib/cups/filter/foomatic-rip"


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


def built_ppd_dir():
    build = os.environ.get("LUMO_BUILD_DIR") or ROOT / "build"
    return pathlib.Path(build) / "ppd"


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


def unpack_tree(sb, setup_binary, top="/opt/oxa", extra=()):
    """Unpacks the product under `top` in the sandbox; `extra` lines are added
    to the manifest before its end mark.  Returns the path of setup."""
    tree = sb.path(top)
    shutil.copytree(PRODUCT, tree, dirs_exist_ok=True)
    shutil.copy2(setup_binary, tree / "bin" / "setup")
    shutil.copy2(setup_binary.parent / "orbnc", tree / "bin" / "orbnc")
    shutil.copytree(built_ppd_dir(), tree / "ppd", dirs_exist_ok=True)
    manifest = (PRODUCT / MANIFEST).read_text()
    added = "".join(f"{line}\n" for line in extra)
    sb.write(f"{top}/{MANIFEST}", manifest.replace("@@NULL", added + "@@NULL"))
    return f"{top}/bin/setup"


def prepare_install(sb):
    """A machine that passes the print-system checks: a foomatic-rip, and a
    systemctl that restarts CUPS when it runs."""
    sb.write(FOOMATIC_RIP, "#!/bin/sh\nexit 0\n", mode=0o755)
    stub_systemctl(sb)


# setup's environment in an installing run: CUPS named by ORBLPMODE.
INSTALL_ENV = {"ORBLPMODE": "CUPS"}


@pytest.fixture
def unpack(sandbox, setup_binary):
    """unpack_tree in the test's sandbox."""

    def unpack_at(top="/opt/oxa", extra=()):
        return unpack_tree(sandbox, setup_binary, top, extra)

    return unpack_at


@pytest.fixture
def install(sandbox, run_setup):
    """Runs setup under the file-creation mask 077 on a machine prepared by
    prepare_install."""
    prepare_install(sandbox)

    def run(args="", program="/opt/oxa/bin/setup", cwd="/", input=None, env=None):
        environment = {**INSTALL_ENV, **(env or {})}
        return run_setup(args, program=f"umask 077; {program}", cwd=cwd, input=input,
                         env=environment)

    return run
