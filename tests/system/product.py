"""The Lumo product as an administrator unpacks it, and installing runs of
setup over it.

The product is the package the build makes (build/lumo-4.0-0.tar.gz, made
by `cmake --build build --target package`): opt/oxa with setup, the netcat
orbnc, the print filter orbgsfilter, the install manifest, the SELinux
module, the manual page and the PPD files.
"""

import gzip
import os
import pathlib
import shutil
import tarfile

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


@pytest.fixture(scope="session")
def package_tree(tmp_path_factory):
    """The package unpacked once per session; its opt/oxa directory."""
    if not package_path().exists():
        pytest.fail(f"no package at {package_path()}; build it with the target 'package'")
    top = tmp_path_factory.mktemp("package")
    with tarfile.open(package_path()) as package:
        package.extractall(top)
    return top / "opt" / "oxa"


@pytest.fixture
def unpack(sandbox, package_tree):
    """Unpacks the product under `top` in the sandbox, as the package's opt/oxa
    would be; `extra` lines are added to the manifest before its end mark.
    Returns the path of setup."""

    def unpack_at(top="/opt/oxa", extra=()):
        tree = sandbox.path(top)
        shutil.copytree(package_tree, tree, symlinks=True, dirs_exist_ok=True)
        manifest = (package_tree / MANIFEST).read_text()
        added = "".join(f"{line}\n" for line in extra)
        sandbox.write(f"{top}/{MANIFEST}", manifest.replace("@@NULL", added + "@@NULL"))
        return f"{top}/bin/setup"

    return unpack_at


@pytest.fixture
def install(sandbox, run_setup):
    """Runs setup under the file-creation mask 077 on a machine that passes
    the print-system checks (CUPS named by ORBLPMODE, a foomatic-rip) and
    whose systemctl restarts CUPS when it runs."""
    sandbox.write(FOOMATIC_RIP, "#!/bin/sh\nexit 0\n", mode=0o755)
    stub_systemctl(sandbox)

    def run(args="", program="/opt/oxa/bin/setup", cwd="/", input=None, env=None):
        environment = {"ORBLPMODE": "CUPS", **(env or {})}
        return run_setup(args, program=f"umask 077; {program}", cwd=cwd, input=input,
                         env=environment)

    return run
