# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the Lumo developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)
"""The --diff view of setup's plan: per queue it moves, its PPD and
defaults before and after; per removal, what goes."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type


def _default_after(decision):
    keyword, old = decision["keyword"], decision["old"]
    if decision["kind"] == "carried":
        return "%s: %s" % (keyword, decision["new"])
    why = "not offered" if decision["kind"] == "not-offered" else decision["kind"]
    if decision.get("new"):
        return "# %s: %s not carried (%s; the new PPD's %s stays)" % (
            keyword, old, why, decision["new"])
    return "# %s: %s not carried (%s)" % (keyword, old, why)


def _queue_diff(queue):
    before = ["PPD %s (%s)" % (queue["oldPpd"], queue.get("model", "").strip('"'))]
    after = ["PPD %s" % queue["newPpd"]]
    for decision in queue.get("defaults", []):
        before.append("%s: %s" % (decision["keyword"], decision["old"]))
        after.append(_default_after(decision))
    return {"before_header": "queue %s" % queue["name"],
            "after_header": "queue %s" % queue["name"],
            "before": "\n".join(before) + "\n",
            "after": "\n".join(after) + "\n"}


def _removal_diff(removal):
    lines = ["queue %s" % q["name"] for q in removal.get("queues", [])]
    lines += [p["path"] for p in removal.get("paths", []) if p.get("action") == "delete"]
    return {"before_header": "Lumo installation", "after_header": "Lumo installation",
            "before": "".join(line + "\n" for line in lines), "after": ""}


def plan_diff(report):
    """Ansible's diff entries for the changes a report plans or made."""
    if "removal" in report:
        return [_removal_diff(report["removal"])]
    return [_queue_diff(q) for q in report.get("queues", []) if q.get("action") == "update"]
