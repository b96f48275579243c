"""The live update (-L): the running scheduler takes each queue's new PPD
over IPP, defaults kept, with no restart of CUPS and no moment in which it
does not answer; queues it does not know, and a print server without a
scheduler on localhost:631 or with one that answers too slowly, get the
copy and the restart."""

import json
import re
import shlex
import time

from cups import scheduler_pid, start_cupsd, systemctl_calls
from helpers import INSTALL_ENV, SETUP, backup, tmp_leftovers
from product import unpack  # noqa: F401
from queues import (CUPS_PPD_DIR, lumo_version, old_ppd, place_queues, printer_names,
                    queue_defaults, queue_ppd, start_print_server)
from sandbox import wait_until

RESTART = "restart cups.service"
TRACE = "/root/connects"
NO_RESTART = "No CUPS restart: the running scheduler took every new PPD."
# cupsd listening on its socket only: nothing of its own on localhost:631.
SOCKET_ONLY = ("sed -i -e '/^Listen /d' -e '/^Port /d' -e '/^MaxRequestSize /d' "
               "/etc/cups/cupsd.conf && echo 'Listen /run/cups/cups.sock' >> /etc/cups/cupsd.conf")

# Defaults chosen on the old PPD files, and the product PPD they go to.
CHOSEN = {
    "Office": ("nlp12dps.ppd", {"PageSize": "Letter", "Resolution": "1200dpi",
                                "InputSlot": "Tray2", "Duplex": "DuplexNoTumble"}),
    "Colour": ("ncp55px.ppd.gz", {"ColorModel": "Gray"}),
    "Q;x$y": ("nlp12pc.ppd.gz", {"PageSize": "A5"}),  # a name the URI must encode
}
# The old PPD of Q;x$y offers a tray the new one no longer has.
GONE_TRAY = {"InputSlot": "Tray3"}

# Asks the scheduler on localhost:631 for attributes of a queue
# (Get-Printer-Attributes) and prints each as "name=value,value".
IPP_QUERY = r"""
import http.client, struct, sys, urllib.parse
queue, names = sys.argv[1], sys.argv[2:]
def attribute(tag, name, value):
    return struct.pack(">BH", tag, len(name)) + name + struct.pack(">H", len(value)) + value
uri = "ipp://localhost/printers/" + urllib.parse.quote(queue)
body = (struct.pack(">HHI", 0x0200, 0x000B, 1) + b"\x01"
        + attribute(0x47, b"attributes-charset", b"utf-8")
        + attribute(0x48, b"attributes-natural-language", b"en")
        + attribute(0x45, b"printer-uri", uri.encode()))
for index, name in enumerate(names):
    body += attribute(0x44, b"" if index else b"requested-attributes", name.encode())
body += b"\x03"
connection = http.client.HTTPConnection("localhost", 631, timeout=10)
connection.request("POST", "/", body, {"Content-Type": "application/ipp"})
data, at, values, name = connection.getresponse().read(), 8, {}, ""
while data[at] != 0x03:
    if data[at] < 0x10:
        at += 1
        continue
    length = struct.unpack(">H", data[at + 1:at + 3])[0]
    name = data[at + 3:at + 3 + length].decode() or name
    at += 3 + length
    length = struct.unpack(">H", data[at:at + 2])[0]
    values.setdefault(name, []).append(data[at + 2:at + 2 + length].decode("latin-1"))
    at += 2 + length
for name, value in values.items():
    print(name + "=" + ",".join(value))
"""

# Inside the sandbox, as fast as the tools go: the scheduler asked whether
# it runs and a job queued, each round stamped and marked ok or FAIL.
POLLER = """while [ ! -e /root/stop ]; do
  if lpstat -r | grep -q 'is running' && lp -d q000 -o raw /etc/hostname | grep -q 'request id'
  then echo "$(date +%s%N) ok"; else echo "$(date +%s%N) FAIL"; fi
  sleep 0.05
done > /root/polls"""


def trays(sb, queue):
    """The input trays the scheduler offers for the queue: what it took
    from the PPD it uses."""
    out = sb.sh(f"python3 /root/ipp_query.py {shlex.quote(queue)} media-source-supported")
    return dict(line.split("=", 1) for line in out.splitlines())["media-source-supported"]


def live_install(run_setup, args="-L"):
    # setup's own connections (not those of the commands it runs) traced.
    out = run_setup(args, program=f"strace -o {TRACE} -e trace=connect {SETUP}",
                    env=INSTALL_ENV)
    assert out.log_lines[-1].startswith("Finishing"), out.log
    return out


def restart_with(sb, configuration, ppds):
    """cupsd stopped, its configuration changed by a shell command, the
    queues placed afresh, and cupsd started again."""
    sb.sh("pkill -x cupsd; while pgrep -x cupsd >/dev/null; do sleep 0.05; done")
    sb.sh(configuration)
    place_queues(sb, ppds)
    start_cupsd(sb)


def polls_during(sb, action):
    """Runs action while the poller goes; what it returned and the poller's
    rounds (stamp, result) between its start and end."""
    poller = sb.spawn(POLLER)
    assert wait_until(lambda: sb.exists("/root/polls") and sb.read("/root/polls").count("\n") >= 2)
    started = time.time_ns()
    result = action()
    ended = time.time_ns()
    sb.write("/root/stop", "")
    poller.wait(timeout=30)
    rounds = [line.split() for line in sb.read("/root/polls").splitlines()]
    return result, [(int(stamp), ok) for stamp, ok in rounds if started <= int(stamp) <= ended]


def test_live_update_keeps_defaults_and_the_scheduler(sandbox, unpack, run_setup):
    sb = sandbox
    # Enough queues for the update to take a while, and the chosen ones.
    ppds = {f"q{i:03d}": old_ppd("nlp12dpc.ppd", defaults={"PageSize": "Letter"})
            for i in range(150)}
    ppds.update({q: old_ppd(name, defaults=chosen, extra_choices=GONE_TRAY if "$" in q else None)
                 for q, (name, chosen) in CHOSEN.items()})
    place_queues(sb, ppds)
    # CUPS's older copy, which the scheduler rewrites as it takes the new PPD.
    sb.write(queue_ppd("Office") + ".O", ppds["Office"])
    start_print_server(sb)
    unpack()
    sb.write("/opt/oxa/Office/root/lumoConfig", "ID=7\n%%LUMO_VERSION_1.0 (Office)\n")
    sb.write("/root/ipp_query.py", IPP_QUERY)
    assert "tray-3" in trays(sb, "Q;x$y")
    pid = scheduler_pid(sb)

    out, rounds = polls_during(sb, lambda: live_install(run_setup, "-L -x -r /root/r.json"))
    assert out.returncode == 0
    office = [q for q in json.loads(sb.read("/root/r.json"))["queues"] if q["name"] == "Office"]
    assert [f["result"] for f in office[0]["files"]] == ["updated", "updated"]
    assert lumo_version(sb.read(queue_ppd("Office") + ".O")) == 4
    log = out.log

    # The scheduler answered and took jobs all through the run, and was
    # never restarted.
    assert len(rounds) >= 3 and {ok for _, ok in rounds} == {"ok"}, rounds
    assert systemctl_calls(sb) == [] and scheduler_pid(sb) == pid
    assert NO_RESTART in log and "CUPS reset" not in log
    for queue, (_, chosen) in CHOSEN.items():
        defaults = queue_defaults(sb, queue)
        assert {o: defaults[o] for o in chosen} == chosen, queue
        assert lumo_version(sb.read(queue_ppd(queue))) == 4
        assert sb.read(backup(queue)) == ppds[queue]
        assert f"The scheduler took the PPD of printer {queue}: successful-ok.\n" in log
    assert queue_defaults(sb, "q149")["PageSize"] == "Letter"
    # The scheduler itself uses the new PPD, not only its file.
    assert "tray-3" not in trays(sb, "Q;x$y") and "tray-2" in trays(sb, "Office")
    assert re.search(r"^Sending /tmp/orbot\w{6} to the scheduler as the PPD of printer Q;x\$y "
                     r"\(ipp://localhost/printers/Q;x\$y\)\.$", log, re.M), log
    assert not re.search(rf"^Copying \S+ to {CUPS_PPD_DIR}/\S+\.ppd: ", log, re.M)
    assert len(re.findall(r"^The scheduler took the PPD", log, re.M)) == len(ppds)
    assert sb.read("/opt/oxa/Office/root/lumoConfig") == "ID=7\n%%LUMO_VERSION_3.0\n"
    assert tmp_leftovers(sb) == []
    # One connection held for the whole update, not one per queue: libcups
    # connects again only while it authenticates root to the scheduler.
    connects = re.findall(r"^connect\(.*htons\(631\)", sb.read(TRACE), re.M)
    assert 1 <= len(connects) <= 5, connects


def test_live_update_falls_back_to_the_copy(sandbox, unpack, run_setup):
    sb = sandbox
    place_queues(sb, {"Known": old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter"})})
    # A PPD file in the scheduler's directory without a queue of its name.
    sb.write(queue_ppd("Ghost"), old_ppd("nlp12dps.ppd", defaults={"PageSize": "Legal"}),
             mode=0o640)
    start_print_server(sb)
    unpack()

    log = live_install(run_setup).log

    assert "The scheduler took the PPD of printer Known: successful-ok.\n" in log
    assert ("The scheduler does not know printer Ghost: client-error-not-found (The printer or "
            "class does not exist). Its PPD is copied instead.\nCopying ") in log
    assert f"to {queue_ppd('Ghost')}: result=0\n" in log
    assert lumo_version(sb.read(queue_ppd("Ghost"))) == 4
    assert "*DefaultPageSize: Legal" in sb.read(queue_ppd("Ghost"))
    # Asked to modify a queue it lacks, the scheduler would have made one.
    assert "Ghost" not in printer_names(sb)
    assert systemctl_calls(sb) == [RESTART, RESTART] and NO_RESTART not in log

    # A scheduler that refuses requests as large as a PPD: both queues keep
    # their PPD, with its answer as the reason, and nothing is restarted.
    old = {q: old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter"}) for q in ["Known", "Kin"]}
    restart_with(sb, "echo 'MaxRequestSize 4k' >> /etc/cups/cupsd.conf", old)

    out = live_install(run_setup, "-L -x -r /root/report.json")

    assert out.returncode == 2
    # (CUPS's older copies Known.ppd.O, left by the restarts above, are
    # simply copied.)
    report = {q["oldPpd"]: q for q in json.loads(sb.read("/root/report.json"))["queues"]}
    for queue in old:
        assert sb.read(queue_ppd(queue)) == old[queue]
        refusal = f"The scheduler refused the PPD of printer {queue}: HTTP 413 "
        assert f"\n{refusal}" in out.log and f"\nPrinter {queue} keeps its PPD " in out.log
        assert report[queue_ppd(queue)]["result"] == "kept"
        assert report[queue_ppd(queue)]["reason"].startswith("refused by the scheduler: HTTP 413 ")
    assert len(systemctl_calls(sb)) == 2 and NO_RESTART not in out.log
    assert ("No CUPS restart: no new PPD was copied; the scheduler refused 2 of them."
            in out.log_lines)

    # A scheduler that listens on its socket only: nothing answers on
    # localhost:631, and every queue gets the copy and the restart.
    restart_with(sb, SOCKET_ONLY,
                 {"Known": old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter"})})
    assert "scheduler is running" not in sb.run("lpstat -h localhost:631 -r").stdout

    log = live_install(run_setup).log

    assert re.search(r"^No scheduler answers at localhost:631: .+\. The new PPD files are "
                     r"copied into place and CUPS restarted\.$", log, re.M), log
    assert ("No answer from the scheduler for printer Known: no connection. "
            "Its PPD is copied instead.\n") in log
    assert f"to {queue_ppd('Known')}: result=0\n" in log
    assert systemctl_calls(sb)[2:] == [RESTART, RESTART]
    assert queue_defaults(sb, "Known")["PageSize"] == "Letter"
    assert lumo_version(sb.read(queue_ppd("Known"))) == 4


# A scheduler on localhost:631 that answers each request one byte a
# second, for as long as the connection lasts: never silent for as long as
# a limit on each wait, and never done.
TRICKLING_SCHEDULER = r"""import socket, threading, time
def trickle(connection):
    request = b""
    while b"\r\n\r\n" not in request:
        data = connection.recv(65536)
        if not data:
            return
        request += data
    answer = b"HTTP/1.1 200 OK\r\n" + b"X-Trickle: 1\r\n" * 100000
    try:
        for byte in answer:
            connection.send(bytes([byte]))
            time.sleep(1)
    except OSError:
        pass
server = socket.create_server(("", 631), family=socket.AF_INET6, dualstack_ipv6=True)
while True:
    connection, _ = server.accept()
    threading.Thread(target=trickle, args=(connection,), daemon=True).start()
"""


def test_trickling_scheduler_holds_the_update_one_exchange_at_most(sandbox, unpack, place_setup,
                                                                   run_setup):
    sb = sandbox
    ppds = {q: old_ppd("nlp12dps.ppd", defaults={"PageSize": "Letter"}) for q in ["Kin", "Known"]}
    place_queues(sb, ppds)
    sb.sh(SOCKET_ONLY)
    start_print_server(sb)
    sb.write("/root/trickle.py", TRICKLING_SCHEDULER)
    sb.spawn("python3 /root/trickle.py")
    assert wait_until(lambda: ":631 " in sb.sh("ss -Hltn"))
    unpack()
    place_setup(short_waits=True)  # each exchange ends after 2 s

    started = time.monotonic()
    out = run_setup("-L", env=INSTALL_ENV, timeout=90)
    seconds = time.monotonic() - started

    log = out.log
    assert out.log_lines[-1].startswith("Finishing"), log
    assert seconds < 30, seconds
    assert "Connected to the scheduler at localhost:631: " in log
    # The first queue's question outlasts its exchange's deadline; the
    # connection is then given up, and every queue gets the copy and the
    # restart, as with a silent scheduler.
    cut = re.findall(r"^No answer from the scheduler for printer (\S+): no complete answer "
                     r"within 2 seconds\. Its PPD is copied instead\.$", log, re.M)
    later = re.findall(r"^No answer from the scheduler for printer (\S+): no connection\. "
                       r"Its PPD is copied instead\.$", log, re.M)
    assert len(cut) == 1 and sorted(cut + later) == sorted(ppds), log
    for queue in ppds:
        assert f"to {queue_ppd(queue)}: result=0\n" in log
        assert lumo_version(sb.read(queue_ppd(queue))) == 4
        assert queue_defaults(sb, queue)["PageSize"] == "Letter"
    assert systemctl_calls(sb) == [RESTART, RESTART] and NO_RESTART not in log
