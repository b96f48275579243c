"""Where PPD files live: the PPD directory discovery on layouts made in the
sandbox, the product PPD directory settled by the CUPS model links (linked
into the model directory only for CUPS before 1.3), the product's PPD files
copied there; and the printer count of an earlier installation."""

import os

import pytest

from cups import start_cupsd
from helpers import mode
from product import (INFO_FILE, built_ppd_dir, install, manifest_ppds,  # noqa: F401
                     ppd_copies, unpack)

MODEL = "/usr/share/cups/model"
SHARE = "/usr/share/ppd"
FOO = "/usr/share/foomatic/db/source/PPD"
# Everything the discovery looks at lies below these; each layout starts
# from none of them.
PPD_TREES = [MODEL, SHARE, "/etc/cups/model", "/opt/cups", "/usr/ppd", "/opt/share",
             "/usr/local/share/ppd", "/usr/share/foomatic"]

OLD_CUPS_CONFIG = "#!/bin/sh\necho 1.2.0\n"


@pytest.fixture
def layout(sandbox):
    """Makes exactly these PPD directories (and regular files) in the sandbox."""

    def make(dirs=(), files=()):
        sandbox.sh("rm -rf " + " ".join(PPD_TREES))
        if dirs:
            sandbox.sh("mkdir -p " + " ".join(dirs))
        for path in files:
            sandbox.write(path, "not a directory\n")

    return make


@pytest.fixture
def old_cups(sandbox):
    """CUPS 1.2 as cups-config reports it; no server answers."""
    sandbox.write("/usr/bin/cups-config", OLD_CUPS_CONFIG, mode=0o755)


def block(model="???", foomatic="???", norvik="???", custom="???", shares=(), system="???",
          found=None):
    lines = ["=" * 39, "Sytem PPD locations:", f"CUPS model directory: {model}",
             f"Foomatic directory  : {foomatic}", f"Norvik directory     : {norvik}",
             f"Custom ppd directory: {custom}"]
    lines += [f"Share ppd directory : {share}" for share in shares]
    lines.append(f"System ppd directory: {system}")
    if found:
        lines.append(f'Found existing Lumo PPD dir: "{found}".')
    return lines


def ppd_block(lines):
    """The logged PPD locations block and what the model link steps logged
    after it, up to the branch."""
    start = lines.index("Sytem PPD locations:") - 1
    end = next(i for i, line in enumerate(lines) if line.startswith("System ppd directory: ")) + 1
    if lines[end].startswith("Found existing Lumo PPD dir: "):
        end += 1
    branch = next(i for i, line in enumerate(lines)
                  if line in ("New installation", "No Lumo installation found.")
                  or line.startswith("Found an existing Lumo 3.0 installation"))
    return lines[start:end], lines[end:branch]


def created(path):
    """The link step's lines for a product PPD directory it creates."""
    return [f"PPD installation dir: {path}", f"Created directory: '{path}'.",
            f"Changing execution rights of '{path}' to  00755.", f"Created directory: '{path}'."]


def check_copies(sb, lines, directory):
    """The product's PPD files ("?" entries) were copied into the directory."""
    copies = ppd_copies(lines)
    assert sorted(copies) == manifest_ppds()
    for source, installed in copies.items():
        assert os.path.dirname(installed) == directory
        assert (sb.path(installed).read_bytes()
                == (built_ppd_dir() / os.path.basename(source)).read_bytes())
        assert mode(sb, installed) == 0o644


NO_LINKS = f"No known links in cups model dir: {MODEL}"
OPENPRINTING_OXA = f"{SHARE}/openprinting/oxa"
BY_ORIGIN = [MODEL, f"{SHARE}/openprinting", f"{SHARE}/cups-included"]
BY_ORIGIN_BLOCK = block(model=MODEL, shares=[SHARE], system=SHARE)

LAYOUTS = {
    # Nothing known: the model directory is missing, so nothing is settled
    # and the copy step falls back to /tmp.
    "none": ([], [], block(), [], "/tmp"),
    "shared tree by origin": (BY_ORIGIN, [], BY_ORIGIN_BLOCK,
                              [NO_LINKS] + created(OPENPRINTING_OXA), OPENPRINTING_OXA),
    "shared tree by origin and maker": (
        BY_ORIGIN + [f"{SHARE}/openprinting/HP", f"{SHARE}/openprinting/Epson"], [],
        BY_ORIGIN_BLOCK, [NO_LINKS] + created(OPENPRINTING_OXA), OPENPRINTING_OXA),
    # Without a shared tree CUPS 1.3 takes the model directory.
    "foomatic tree": ([MODEL, FOO], [], block(model=MODEL, foomatic=FOO, system=FOO),
                      [NO_LINKS] + created(f"{MODEL}/oxa"), f"{MODEL}/oxa"),
    "foomatic tree with Norvik": (
        [MODEL, f"{FOO}/Norvik"], [],
        block(model=MODEL, foomatic=FOO, norvik=f"{FOO}/Norvik", system=FOO),
        [NO_LINKS] + created(f"{MODEL}/oxa"), f"{MODEL}/oxa"),
    "foomatic tree with Norvik/oxa": (
        [MODEL, f"{FOO}/Norvik/oxa"], [],
        block(model=MODEL, foomatic=FOO, norvik=f"{FOO}/Norvik", system=FOO,
              found=f"{FOO}/Norvik/oxa"),
        [NO_LINKS, f"PPD installation dir: {FOO}/Norvik/oxa",
         f'Using previous Lumo PPD directory: "{FOO}/Norvik/oxa".'], f"{FOO}/Norvik/oxa"),
    # Files where directories are expected count as missing; the product
    # directory cannot be made, and the copy step falls back under the
    # model directory.
    "regular files": (
        [MODEL, SHARE, os.path.dirname(FOO)], [FOO, f"{SHARE}/oxa"],
        block(model=MODEL, shares=[SHARE], system=SHARE),
        [NO_LINKS, f"PPD installation dir: {SHARE}/oxa", f"Created directory: '{SHARE}/oxa'."],
        f"{MODEL}/oxa"),
}


@pytest.mark.parametrize("dirs, files, expected_block, settling, copied_to",
                         LAYOUTS.values(), ids=LAYOUTS.keys())
def test_layout_with_cups_1_3_or_later(sandbox, unpack, install, layout, dirs, files,
                                       expected_block, settling, copied_to):
    unpack()
    layout(dirs, files)
    lines = install().log_lines
    assert "CUPS Version : 2420 // 2.4.2" in lines
    assert ppd_block(lines) == (expected_block, settling)
    check_copies(sandbox, lines, copied_to)
    assert not sandbox.exists(f"{MODEL}/oxa") or copied_to == f"{MODEL}/oxa"


def test_old_cups_links_the_shared_tree_into_the_model_directory(sandbox, unpack, install,
                                                                  layout, old_cups):
    unpack()
    layout([MODEL, SHARE])
    lines = install().log_lines
    assert "CUPS Version : 1200 // 1.2.0" in lines
    assert ppd_block(lines) == (block(model=MODEL, shares=[SHARE], system=SHARE), [
        NO_LINKS, f"PPD installation dir: {SHARE}/oxa", f"Created directory: '{SHARE}/oxa'.",
        f"Changing execution rights of '{SHARE}/oxa' to  00755.",
        f"Link 1: {MODEL}/oxa linked to {SHARE}/oxa."])
    assert mode(sandbox, f"{SHARE}/oxa") == 0o755
    assert os.readlink(sandbox.path(f"{MODEL}/oxa")) == f"{SHARE}/oxa"
    check_copies(sandbox, lines, f"{SHARE}/oxa")

    # The upgrade records the link as known, finds the product directory
    # and links nothing again.
    lines = install().log_lines
    assert ppd_block(lines) == (
        block(model=MODEL, shares=[SHARE], system=SHARE, found=f"{SHARE}/oxa"),
        [f"Link 1: {MODEL}/oxa linked to {SHARE}/oxa.", f"PPD installation dir: {SHARE}/oxa",
         f'Using previous Lumo PPD directory: "{SHARE}/oxa".'])
    check_copies(sandbox, lines, f"{SHARE}/oxa")


def test_old_cups_links_in_a_deinstalling_run_too(sandbox, unpack, install, layout, old_cups):
    unpack()
    layout([MODEL, f"{SHARE}/openprinting"])
    out = install("-d")
    assert out.stderr == "No Lumo installation found.\n*** Sorry ***\n"
    assert ppd_block(out.log_lines)[1][-1] == f"Link 1: {MODEL}/oxa linked to {SHARE}/oxa."
    assert os.readlink(sandbox.path(f"{MODEL}/oxa")) == f"{SHARE}/oxa"


@pytest.mark.parametrize("dirs, entry, settling", [
    # An entry "oxa" already in the model directory: nothing made.
    ([MODEL, SHARE, f"{MODEL}/oxa"], None, [NO_LINKS, f"PPD installation dir: {SHARE}/oxa"]),
    # A dangling link there: the directory is made, the link cannot be.
    ([MODEL, SHARE], "/gone", [
        NO_LINKS, f"PPD installation dir: {SHARE}/oxa", f"Created directory: '{SHARE}/oxa'.",
        f"Changing execution rights of '{SHARE}/oxa' to  00755.",
        f"Link 1: {MODEL}/oxa linked to {SHARE}/oxa.", ": WRONG!!!"]),
    # Under /opt/share/ppd the directory is not made first.
    ([MODEL, "/opt/share/ppd"], None, [
        NO_LINKS, "PPD installation dir: /opt/share/ppd/oxa", "No file: /opt/share/ppd/oxa",
        f"Link 1: {MODEL}/oxa linked to /opt/share/ppd/oxa.", ": WRONG!!!"]),
], ids=["entry there", "dangling entry", "opt share"])
def test_old_cups_link_not_made(sandbox, unpack, install, layout, old_cups, dirs, entry,
                                settling):
    unpack()
    layout(dirs)
    if entry:
        sandbox.sh(f"ln -s {entry} {MODEL}/oxa")
    lines = install().log_lines
    assert ppd_block(lines)[1] == settling
    assert not os.path.islink(sandbox.path(f"{MODEL}/oxa")) or entry
    if entry:
        assert os.readlink(sandbox.path(f"{MODEL}/oxa")) == entry


def test_old_cups_follows_a_model_link_into_the_foomatic_tree(sandbox, unpack, install, layout,
                                                               old_cups):
    unpack()
    layout([MODEL, FOO])
    sandbox.sh(f"ln -s {FOO} {MODEL}/foomatic")
    lines = install().log_lines
    assert ppd_block(lines) == (block(model=MODEL, foomatic=FOO, system=FOO), [
        f"Link 1: {MODEL}/foomatic linked to {FOO}."] + created(f"{FOO}/oxa"))
    assert not sandbox.exists(f"{MODEL}/oxa")
    check_copies(sandbox, lines, f"{FOO}/oxa")


def test_running_cups_2_4_gets_no_link(sandbox, unpack, install, layout):
    unpack()
    layout([MODEL, SHARE])
    start_cupsd(sandbox)
    lines = install().log_lines
    assert "CUPS Header Version : 2400//HTTP" in lines
    assert ppd_block(lines) == (block(model=MODEL, shares=[SHARE], system=SHARE),
                                [NO_LINKS] + created(f"{SHARE}/oxa"))
    assert not sandbox.exists(f"{MODEL}/oxa")
    check_copies(sandbox, lines, f"{SHARE}/oxa")


def test_printer_count_of_an_earlier_installation(sandbox, unpack, install):
    unpack("/srv/unpacked")
    long_name = "q" * 80
    printers = f"Default\nlab1\n{long_name}\n\nlab2\n"
    sandbox.write("/opt/oxa/lumoInfo4.0",
                  INFO_FILE.format(dir="/opt/oxa").replace("Default\n", printers, 1))
    lines = install(program="bin/setup", cwd="/srv/unpacked").log_lines
    start = lines.index("exists and is OK.")
    # The over-long name is left out, never cut; the empty line counts.
    assert lines[start + 1:start + 3] == [
        f"Queue name longer than 79 characters refused: '{long_name}'.",
        "Number of Lumo printers found: 4."]
