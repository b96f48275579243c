# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the Lumo developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)
"""Reading setup's JSON report (setup -r), as the modules on a print server
and the fleet table on the controller both need it.  Each question is
answered from what setup recorded; nothing here decides anything about a
queue or a file again."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

# Where lumo_setup keeps the report of the last run that changed something.
LAST_REPORT = "/var/log/Lumo4.0_LastReport.json"

# Outcomes of a run that ended before its work was done: status 1.
STOPS = ("stopped", "declined", "interrupted")

# What a removal preview says when there is nothing to remove.
NOTHING_INSTALLED = "no installation found"


def _items(report):
    """Every item of the report that can carry a reason."""
    for item in report.get("files", []):
        yield item
    for queue in report.get("queues", []):
        yield queue
        for item in queue.get("files", []):
            yield item
    removal = report.get("removal") or {}
    for queue in removal.get("queues", []):
        yield queue
        for item in queue.get("paths", []):
            yield item
    for item in removal.get("paths", []):
        yield item


def failure_reasons(report):
    """The reason codes behind a status of 1 or 2: for a run that stopped,
    its outcome; otherwise the code of each fault setup marked."""
    status = report.get("exitStatus", 1)
    if status == 0:
        return []
    if report.get("outcome") in STOPS or status == 1:
        return [report.get("outcome", "stopped")]
    return sorted(set(item["reasonCode"] for item in _items(report) if item.get("fault")))


def nothing_installed(report):
    """A removal preview that found no installation: nothing to remove."""
    return report.get("outcome") == "stopped" and report.get("reason") == NOTHING_INSTALLED


def plans_change(report):
    """Whether the plan of a preview changes anything: a copy that is not
    current already, a queue to update or undo, or something to remove."""
    if "removal" in report:
        removal = report["removal"]
        return bool(removal.get("queues")) or any(
            path.get("action") == "delete" for path in removal.get("paths", []))
    if any(f.get("action") == "copy" and not f.get("current") for f in report.get("files", [])):
        return True
    return any(q.get("action") == "update" for q in report.get("queues", []))


def did_change(report):
    """Whether a run changed anything, by the results it recorded."""
    if report.get("outcome") in ("installed", "upgraded", "removed", "undone"):
        return True
    if any(f.get("result") == "copied" for f in report.get("files", [])):
        return True
    if any(q.get("result") in ("updated", "undone") for q in report.get("queues", [])):
        return True
    removal = report.get("removal") or {}
    return any(q.get("result") == "removed" for q in removal.get("queues", [])) or any(
        p.get("result") == "deleted" for p in removal.get("paths", []))


def queue_summary(report):
    """The queues a report moved (or plans to), those it keeps with their
    reason codes, the defaults it does not carry, and the queues removed."""
    updated, kept, not_carried = [], [], []
    for queue in report.get("queues", []):
        name = queue["name"]
        if queue.get("result") in ("updated", "undone") or (
                queue.get("result") == "planned" and queue.get("action") == "update"):
            updated.append(name)
            for keyword, choice in sorted(queue.get("notCarried", {}).items()):
                not_carried.append({"queue": name, "keyword": keyword, "choice": choice})
        else:
            kept.append({"queue": name, "reason": queue.get("reasonCode") or queue.get("result")})
    removal = report.get("removal") or {}
    removed = [q["name"] for q in removal.get("queues", [])
               if q.get("result") in ("removed", "planned")]
    return {"updated": updated, "kept": kept, "not_carried": not_carried, "removed": removed}
