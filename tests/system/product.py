"""The Lumo product tree as an administrator unpacks it, and installing runs
of setup over it.

The tree is the built setup as bin/setup and the built netcat as bin/orbnc
beside the product's own files (product/tree/ in the repository): the print
filter bin/orbgsfilter, the install manifest etc/LUMOINST.CONF and
doc/README.  The PPD files that
the manifest's "?" entries name are small stand-ins written here, until the
compiled product PPD files take their place; the copy step does not read
them.
"""

import shutil

import pytest

from conftest import ROOT

PRODUCT = ROOT / "product" / "tree"
MANIFEST = "etc/LUMOINST.CONF"
STANDIN_PPDS = ["ppd/Lumo-Standin-1.ppd", "ppd/Lumo-Standin-2.ppd"]
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


@pytest.fixture
def unpack(sandbox, setup_binary):
    """Unpacks the product under `top` in the sandbox; `extra` lines are added
    to the manifest before its end mark.  Returns the path of setup."""

    def unpack_at(top="/opt/oxa", extra=()):
        tree = sandbox.path(top)
        shutil.copytree(PRODUCT, tree, dirs_exist_ok=True)
        shutil.copy2(setup_binary, tree / "bin" / "setup")
        shutil.copy2(setup_binary.parent / "orbnc", tree / "bin" / "orbnc")
        for ppd in STANDIN_PPDS:
            sandbox.write(f"{top}/{ppd}", f'*PPD-Adobe: "4.3"\n*% Stand-in {ppd}\n')
        manifest = (PRODUCT / MANIFEST).read_text()
        added = "".join(f"{line}\n" for line in extra)
        sandbox.write(f"{top}/{MANIFEST}", manifest.replace("@@NULL", added + "@@NULL"))
        return f"{top}/bin/setup"

    return unpack_at


@pytest.fixture
def install(sandbox, run_setup):
    """Runs setup under the file-creation mask 077 on a machine that passes
    the print-system checks (CUPS named by ORBLPMODE, a foomatic-rip)."""
    sandbox.write(FOOMATIC_RIP, "#!/bin/sh\nexit 0\n", mode=0o755)

    def run(args="", program="/opt/oxa/bin/setup", cwd="/", input=None, env=None):
        environment = {"ORBLPMODE": "CUPS", **(env or {})}
        return run_setup(args, program=f"umask 077; {program}", cwd=cwd, input=input,
                         env=environment)

    return run
