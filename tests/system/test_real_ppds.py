"""Queues on real drivers' PPD files: some made into the maker's older PPDs
(only their *ModelName and version lines changed), the others left as their
makers wrote them.  One installing run of setup on a real cupsd moves the
maker's queues to the product's PPDs; the tests then check the defaults
carried over, the new PPDs, the backups, the other queues and the Log file.
The PPD files come out of Debian's driver packages (ppd_corpus.py)."""

import gzip
import hashlib
import re
import shlex
from dataclasses import dataclass, field

import pytest

from ppd_corpus import (archive, corpus_name, drv, fetch, older_norvik, packaged,
                        text_of)
from helpers import INSTALL_ENV, LOG, SETUP, backup
from product import unpack_tree
from queues import CUPS_PPD_DIR, cupstestppd, lumo_version, start_print_server
from sandbox import Sandbox


def hplip(name):
    return archive("hplip-data", "hplip-data", f"ppd/hplip/HP/{name}")


def hpcups_fax(name):
    return packaged("printer-driver-hpcups", f"usr/share/ppd/hplip/HP/{name}")


def hp_ps(name):
    return archive("printer-driver-postscript-hp", "postscript-hp", f"ppd/hplip/HP/{name}")


def openprinting(name):
    return archive("openprinting-ppds", "openprinting-ppds", f"ppd/openprinting/{name}")


def foomatic(name):
    return archive("foomatic-db-compressed-ppds", "foomatic-db-compressed-ppds",
                   f"ppd/foomatic-ppd/{name}")


@dataclass
class Queue:
    name: str
    source: tuple  # where the PPD file comes from (ppd_corpus.py)
    model: str = None  # the maker's model and language, for an older PPD
    options: dict = field(default_factory=dict)  # defaults chosen with lpadmin -o

    @property
    def corpus(self):
        return corpus_name(self.source)


QUEUES = [
    # The maker's queues.  hpcups: *DefaultInputSlot: tray1 where the
    # product offers Tray1.
    Queue("Tray", hplip("hp-laserjet_pro_mfp_m125nw.ppd"), "Norvik CP 5500 PXL",
          {"MediaType": "Labels", "PageSize": "A5"}),
    Queue("Laser", hplip("hp-laserjet_pro_mfp_m127fw.ppd"), "Norvik LP 1200 Duplex PXL",
          {"InputSlot": "Manual", "PageSize": "A4"}),
    # CR LF line ends, the first over 200 KB.  Only the first keeps them in
    # its queue's PPD: lpadmin -o writes the PPD anew with LF ends (and keeps
    # the one before, CR LF and all, as the .O copy).
    Queue("Konica", openprinting("KONICA_MINOLTA/KO1050UX.ppd"), "Norvik LP 1200 Duplex PS"),
    Queue("KonicaColour", openprinting("KONICA_MINOLTA/KOC451UX.ppd"), "Norvik CP 5500 PS",
          {"InputSlot": "Tray2", "PageSize": "A4"}),
    # ppdc's: EconoMode ON/OFF and MediaType THICK where the product offers
    # Economode On/Off and Thick.
    Queue("Splix", drv("printer-driver-splix", "splix-samsung.drv", "ml1510.ppd"),
          "Norvik LP 1200 Duplex PCL",
          {"InputSlot": "Manual", "MediaType": "THICK", "EconoMode": "OFF",
           "Resolution": "300dpi", "Duplex": "DuplexTumble", "PageSize": "A4"}),
    # Over 200 KB, with custom page sizes.
    Queue("PageWide", hp_ps("hp-pagewide_xl_4200_ps_mfp_series-ps.ppd"), "Norvik LP 1200 PS",
          {"PageSize": "Legal"}),
    Queue("DesignJet", hp_ps("hp-designjet_t2600dr-ps.ppd"), "Norvik Office 24 Duplex PCL",
          {"InputSlot": "Manual", "Resolution": "1200dpi"}),
    Queue("Fax", hpcups_fax("HP-Fax3-hpcups.ppd.gz"), "Norvik Fjord 21 PXL", {"PageSize": "Legal"}),
    Queue("Epson", archive("printer-driver-escpr", "escpr", "cups/model/epson-inkjet-printer-"
                           "escpr/Epson-ET-2720_Series-epson-escpr-en.ppd"),
          "Norvik LP 1200 PCL", {"PageSize": "A5"}),
    # Other makers' queues.  Foomatic's choices in lower case.
    Queue("Brother", foomatic("Brother-HL-5140-hl1250.ppd"),
          options={"InputSlot": "manual", "MediaType": "thick", "EconoMode": "low"}),
    Queue("Canon", foomatic("Canon-S100-bjc600.ppd")),
    # JCL options, CR LF line ends, over 200 KB.
    Queue("BrotherPxl", foomatic("Brother-HL-5040-pxlmono.ppd"), options={"MediaType": "Thick"}),
    Queue("BR2600", openprinting("Brother/BR2600CN_GPL.ppd")),
    Queue("BR4050", openprinting("Brother/BR4050_2_GPL.ppd")),
    Queue("Kyocera", openprinting("Kyocera/en/Kyocera_CS-C2525E_en.ppd"),
          options={"JCLEconomode": "On"}),
    Queue("Konica500", openprinting("KONICA_MINOLTA/KO500UX.ppd")),
    Queue("CanonAdv", openprinting("Canon/cnadv4225x1g.ppd")),
    Queue("ColorLaser", hp_ps("hp-color_laserjet_mfp_e77428-ps.ppd")),
    Queue("PageWidePro", hp_ps("hp-pagewide_pro_750-ps.ppd")),
    Queue("OfficeJet", hplip("hp-officejet_j4660_series.ppd")),
    Queue("HPFax", hpcups_fax("HP-Fax-hpcups.ppd.gz")),
    Queue("Clp300", drv("printer-driver-splix", "splix-samsung.drv", "clp300.ppd")),
    Queue("Brlaser", drv("printer-driver-brlaser", "brlaser.drv", "br2030.ppd")),
    Queue("PTouch", archive("printer-driver-ptouch", "ptouch",
                            "ppd/ptouch-driver/Brother-PT-E550W-ptouch-pt.ppd")),
    Queue("Dymo", archive("printer-driver-dymo", "dymo", "cups/model/lw4xl.ppd")),
    Queue("Pxljr", archive("printer-driver-pxljr", "pxljr",
                           "ppd/pxljr/HP-Color_LaserJet_3550-pxljr.ppd")),
]
NORVIK = [q for q in QUEUES if q.model]
OTHERS = [q for q in QUEUES if not q.model]
# Its .O copy is written after its PPD, as a copy restored from a backup
# would be.  A directory lists its entries in an order of its own: with this
# queue and the others, some queue has its .O copy listed before its PPD and
# some after it, whatever the order.
O_WRITTEN_LATER = "KonicaColour"


def queue_source(queue, corpus):
    """The PPD file given to lpadmin -P, gzipped when the corpus file is."""
    path = corpus[queue.corpus]
    if not queue.model:
        return path.read_bytes()
    model, language = queue.model.rsplit(" ", 1)
    data = older_norvik(text_of(path), model, language)
    return gzip.compress(data, mtime=0) if path.name.endswith(".gz") else data


def options_of(sb, queue):
    """`lpoptions -l` of a queue: keyword -> (default, choices)."""
    options = {}
    for line in sb.sh(f"lpoptions -p {queue} -l").splitlines():
        # The option's text may hold ": " too; the choices never do.
        head, _, choices = line.rpartition(": ")
        names = choices.split()
        marked = [c[1:] for c in names if c.startswith("*")]
        options[head.split("/")[0]] = (marked[0] if marked else None,
                                       [c.lstrip("*") for c in names])
    return options


def ppd_files(sb, queue):
    """The queue's PPD and CUPS's copies beside it (Q.ppd.O): name -> bytes."""
    directory = sb.path(CUPS_PPD_DIR)
    return {p.name: p.read_bytes() for p in directory.iterdir()
            if p.name == f"{queue}.ppd" or p.name.startswith(f"{queue}.ppd.")}


@dataclass
class Server:
    sb: Sandbox
    before_files: dict
    before_options: dict
    log: str


@pytest.fixture(scope="module")
def corpus():
    return fetch([q.source for q in QUEUES])


@pytest.fixture(scope="module")
def server(corpus, package_tree, tmp_path_factory):
    """The print server before and after one installing run of setup."""
    sb = Sandbox(tmp_path_factory.mktemp("real-ppds") / "stage")
    try:
        start_print_server(sb)
        unpack_tree(sb, package_tree)
        for queue in QUEUES:
            source = sb.path(f"/root/corpus/{queue.name}.ppd")
            if queue.corpus.endswith(".gz"):
                source = source.with_name(source.name + ".gz")
            source.parent.mkdir(parents=True, exist_ok=True)
            source.write_bytes(queue_source(queue, corpus))
            inside = f"/root/corpus/{source.name}"
            sb.sh(f"lpadmin -p {queue.name} -v file:///dev/null -P {inside} -E")
            if queue.options:
                chosen = " ".join(f"-o {shlex.quote(f'{k}={v}')}" for k, v in queue.options.items())
                sb.sh(f"lpadmin -p {queue.name} {chosen}")
        old = f"{CUPS_PPD_DIR}/{O_WRITTEN_LATER}.ppd.O"
        sb.sh(f"cp -p {old} /root/copy.O && rm {old} && cp -p /root/copy.O {old}")
        before_files = {q.name: ppd_files(sb, q.name) for q in QUEUES}
        before_options = {q.name: options_of(sb, q.name) for q in NORVIK}

        run = sb.run(SETUP, env=INSTALL_ENV, timeout=600)
        log = sb.read(LOG)
        assert run.returncode == 0 and log.splitlines()[-1].startswith("Finishing"), log
        yield Server(sb, before_files, before_options, log)
    finally:
        sb.close()


def test_corpus_holds_the_hard_cases(corpus):
    data = {name: text_of(path) for name, path in corpus.items()}
    norvik = {q.corpus for q in NORVIK}
    cases = {
        "CR LF": lambda name: b"\r\n" in data[name],
        "lower-case choice": lambda name: re.search(
            rb"^\*(InputSlot|MediaType) (tray1|manual|plain|thick)/", data[name], re.M),
        "JCL option": lambda name: b"\n*JCLOpenUI" in data[name],
        "custom option": lambda name: re.search(rb"^\*Custom\w+ True", data[name], re.M),
        "gzip": lambda name: name.endswith(".gz"),
        "over 200 KB": lambda name: len(data[name]) > 200_000,
    }
    for case, holds in cases.items():
        found = {name for name in data if holds(name)}
        assert found - norvik, f"no other maker's PPD with {case}"
        # No PPD of these packages with JCL options has its *ModelName line
        # among the first 30 lines, where setup looks for it.
        if case != "JCL option":
            assert found & norvik, f"no older PPD of the maker's with {case}"


def test_chosen_defaults_stay_in_the_new_ppds_spelling(server):
    problems = []
    for queue in NORVIK:
        text = server.sb.read(f"{CUPS_PPD_DIR}/{queue.name}.ppd")
        assert lumo_version(text) == 4 and f'*ModelName: "{queue.model}"' in text, \
            f"{queue.name} did not get the product's PPD"
        after = options_of(server.sb, queue.name)
        offered = {k.lower(): k for k in after}
        for keyword, (old, _) in server.before_options[queue.name].items():
            new_keyword = offered.get(keyword.lower())
            if not new_keyword or old is None:
                continue
            default, choices = after[new_keyword]
            choice = next((c for c in choices if c.lower() == old.lower()), None)
            if choice is None:
                continue
            written = re.search(rf"^\*Default{new_keyword}: *(\S*)", text, re.M).group(1)
            if (default, written) != (choice, choice):
                problems.append(f"{queue.name}: {keyword}={old} became {new_keyword}={default}"
                                f" with *Default{new_keyword}: {written} (offered: {choice})")
    assert not problems, "\n".join(problems)


def test_new_ppds_pass_cupstestppd(server):
    failures = []
    for queue in NORVIK:
        for name, data in ppd_files(server.sb, queue.name).items():
            if data != server.before_files[queue.name].get(name):
                result = cupstestppd(server.sb, f"{CUPS_PPD_DIR}/{name}")
                if result.returncode != 0:
                    failures.append(result.stdout.strip())
    assert not failures, "\n".join(failures)


def test_backup_holds_the_queues_own_old_ppd(server):
    # CUPS kept the PPD before lpadmin -o changed it as Q.ppd.O.
    assert all(f"{q.name}.ppd.O" in server.before_files[q.name] for q in NORVIK if q.options)
    wrong = []
    for queue in NORVIK:
        own = server.before_files[queue.name][f"{queue.name}.ppd"]
        saved = server.sb.path(backup(queue.name)).read_bytes()
        if saved != own:
            what = [n for n, d in server.before_files[queue.name].items() if d == saved]
            wrong.append(f"{backup(queue.name)} holds {what or 'something else'}")
    assert not wrong, "\n".join(wrong)


def test_other_makers_ppds_stay_byte_for_byte(server):
    def hashes(files):
        return {name: hashlib.sha256(data).hexdigest() for name, data in files.items()}

    for queue in OTHERS:
        assert hashes(ppd_files(server.sb, queue.name)) == \
            hashes(server.before_files[queue.name]), queue.name
        assert not server.sb.exists(backup(queue.name)), queue.name


def test_log_counts_the_options_it_sets(server):
    blocks = re.split(r"^Printer = \S+ with PPD=", server.log, flags=re.M)[1:]
    done = {block.split("\n", 1)[0]: block for block in blocks}
    assert {f"{CUPS_PPD_DIR}/{q.name}.ppd" for q in NORVIK} <= set(done)
    wrong = []
    for ppd, block in done.items():
        counted = re.search(r"^processNewPPD\(nOptions=(\d+)\)$", block, re.M)
        written = re.findall(r"^processNewPPD: Setting new option: (.*)$", block, re.M)
        if counted and int(counted.group(1)) != len(written):
            wrong.append(f"{ppd}: nOptions={counted.group(1)} but {len(written)} set: {written}")
    assert not wrong, "\n".join(wrong)
