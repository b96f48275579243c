"""The maker's print queues in a sandbox: the product's PPD files as the
build made them, "old" queue PPDs derived from them, a running CUPS with
queues on those, and the CUPS tools that read them back."""

import re
import shlex

from cups import start_cupsd, stub_systemctl
from helpers import place_foomatic_rip
from product import built_ppd_dir, product_ppd, product_ppd_names  # noqa: F401

PRODUCT_PPD_DIR = "/opt/oxa/ppd"
CUPS_PPD_DIR = "/etc/cups/ppd"


def set_default(text, option, choice):
    text, found = re.subn(rf"^\*Default{option}: .*$", f"*Default{option}: {choice}", text,
                          count=1, flags=re.M)
    assert found, f"no *Default{option} line"
    return text


def add_choice(text, option, choice):
    """Adds a choice to an option, as an older PPD may have had."""
    line = f'*{option} {choice}/{choice}: "<</{option}({choice})>>setpagedevice"'
    text, found = re.subn(rf"^(\*Default{option}: .*)$", rf"\1\n{line}", text, count=1,
                          flags=re.M)
    assert found, f"no *Default{option} line"
    return text


def old_ppd(name, version=1, defaults=None, extra_choices=None):
    """A queue PPD of the earlier generation made from a product PPD: its
    version line, defaults an administrator chose and choices since gone."""
    text = product_ppd(name)
    assert "*% Lumo version: 4\n" in text
    text = text.replace("*% Lumo version: 4\n", f"*% Lumo version: {version}\n")
    for option, choice in (extra_choices or {}).items():
        text = add_choice(text, option, choice)
    for option, choice in (defaults or {}).items():
        text = set_default(text, option, choice)
    return text


def place_product_ppds(sb, directory=PRODUCT_PPD_DIR):
    for name in product_ppd_names():
        target = sb.path(f"{directory}/{name}")
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes((built_ppd_dir() / name).read_bytes())


def start_print_server(sb, seconds=60, write_at_once=False):
    """A running cupsd (see start_cupsd), the systemctl stub that restarts
    it, and a stand-in foomatic-rip filter (setup requires one).  With
    write_at_once cupsd writes its files at once, not a while after a
    change, so no write of its own falls between two snapshots."""
    if write_at_once:
        sb.sh("echo 'DirtyCleanInterval 0' >> /etc/cups/cupsd.conf")
    place_foomatic_rip(sb)
    stub_systemctl(sb)
    start_cupsd(sb, seconds)


def printers_conf(queues):
    """printers.conf as cupsd 2.4 reads it: one idle, accepting queue on
    file:///dev/null per name."""
    blocks = [f"NextPrinterId {len(queues) + 1}\n"]
    for number, queue in enumerate(queues, 1):
        blocks.append(f"<Printer {queue}>\nPrinterId {number}\nInfo {queue}\n"
                      "DeviceURI file:///dev/null\nState Idle\nType 8392788\n"
                      "Accepting Yes\nShared No\nJobSheets none none\nQuotaPeriod 0\n"
                      "PageLimit 0\nKLimit 0\nOpPolicy default\nErrorPolicy retry-job\n"
                      "</Printer>\n")
    return "".join(blocks)


def place_queues(sb, ppds):
    """Queues written straight into /etc/cups, as cupsd keeps them, for a
    cupsd started afterwards: each queue's PPD file (root, group lp, 0640)
    and its block in printers.conf.  ppds maps queue names to PPD texts;
    building a large print server this way takes no lpadmin run."""
    for queue, text in ppds.items():
        sb.write(queue_ppd(queue), text, mode=0o640)
    sb.write("/etc/cups/printers.conf", printers_conf(list(ppds)), mode=0o600)
    sb.sh(f"chown root:lp /etc/cups/printers.conf {CUPS_PPD_DIR} && "
          f"find {CUPS_PPD_DIR} -type f -exec chown root:lp {{}} +")


def printer_names(sb):
    """The queues the running cupsd shows."""
    return [line.split()[1] for line in sb.run("lpstat -p").stdout.splitlines()
            if line.startswith("printer ")]


def create_queue(sb, queue, ppd_text):
    """A queue on the given PPD, through lpadmin; returns its PPD file as
    CUPS stored it."""
    source = "/root/queue.ppd"
    sb.write(source, ppd_text)
    sb.sh(f"lpadmin -p {shlex.quote(queue)} -v file:///dev/null -P {source} -E")
    return sb.read(queue_ppd(queue))


def queue_ppd(queue):
    return f"{CUPS_PPD_DIR}/{queue}.ppd"


def queue_defaults(sb, queue):
    """Each option's default as `lpoptions -l` shows it."""
    defaults = {}
    for line in sb.sh(f"lpoptions -p {shlex.quote(queue)} -l").splitlines():
        keyword, choices = line.split(":", 1)
        marked = [c[1:] for c in choices.split() if c.startswith("*")]
        defaults[keyword.split("/")[0]] = marked[0] if marked else None
    return defaults


def cupstestppd(sb, path):
    """CUPS's own checker; without -I every cupsFilter must exist too."""
    return sb.run(f"cupstestppd {shlex.quote(path)}")


def lumo_version(text):
    match = re.search(r"^\*% Lumo version: (\d)", text, flags=re.M)
    return int(match.group(1)) if match else None


def fleet_models(count):
    """count queues as (name, product PPD): the product's models in turn."""
    names = product_ppd_names()
    return [(f"q{i:03d}", names[i % len(names)]) for i in range(count)]


def fleet(count):
    """The old PPDs of fleet_models' queues, {queue: text}, every other one
    with the paper size its administrator chose."""
    texts = {}
    ppds = {}
    for index, (queue, name) in enumerate(fleet_models(count)):
        key = (name, index % 2)
        if key not in texts:
            texts[key] = old_ppd(name, defaults={"PageSize": "Letter"} if index % 2 else None)
        ppds[queue] = texts[key]
    return ppds
