# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the Lumo developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)
"""The fleet table: one row per print server, built from the records the
rollout keeps of each server's lumo_setup result, and its CSV and text
forms."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import csv
import io
import json

from ansible_collections.oxa.lumo.plugins.module_utils.report import queue_summary

# What a record keeps of lumo_setup's result; the rest is Ansible's own.
RECORD_KEYS = ("outcome", "exit_status", "reasons", "changed", "failed", "msg", "queues",
               "files", "removal", "restarts", "log", "plan", "report")

COLUMNS = ("host", "outcome", "exit_status", "updated", "kept", "not_carried", "restarts",
           "log", "reason")


def fleet_record(result, reach, host):
    """What the rollout keeps of one server: lumo_setup's result, or that
    the server did not answer."""
    if reach.get("unreachable"):
        return {"host": host, "outcome": "unreachable", "failed": True,
                "msg": reach.get("msg", "")}
    record = dict((k, result[k]) for k in RECORD_KEYS if k in result)
    record["host"] = host
    record.setdefault("outcome", "stopped")
    record["failed"] = bool(result.get("failed"))
    return record


def _reason(record, report):
    """Why a server stopped, failed or was not reached."""
    if record.get("outcome") == "unreachable":
        return record.get("msg", "")
    return report.get("reason") or ", ".join(record.get("reasons", []))


def _row(host, record):
    if record is None:
        return {"host": host, "outcome": "not reached", "exit_status": None, "updated": [],
                "kept": [], "not_carried": [], "removed": [], "restarts": [], "log": "",
                "reason": ""}
    report = record.get("report") or record.get("plan") or {}
    row = {"host": host, "outcome": record.get("outcome"),
           "exit_status": record.get("exit_status"), "restarts": record.get("restarts", []),
           "log": record.get("log", ""), "reason": _reason(record, report)}
    row.update(queue_summary(report))
    return row


def fleet_table(records, hosts):
    """One row per host, in the order of hosts: a host without a record was
    not reached (its batch never ran)."""
    by_host = dict((r["host"], r) for r in records)
    return [_row(host, by_host.get(host)) for host in hosts]


def _cells(row):
    kept = ["%s(%s)" % (k["queue"], k["reason"]) for k in row["kept"]]
    not_carried = ["%s:%s=%s" % (n["queue"], n["keyword"], n["choice"])
                   for n in row["not_carried"]]
    status = "" if row["exit_status"] is None else str(row["exit_status"])
    return [row["host"], row["outcome"], status, " ".join(row["updated"] + row["removed"]),
            " ".join(kept), " ".join(not_carried),
            " ".join(str(r) for r in row["restarts"]), row["log"], row["reason"]]


def fleet_csv(rows):
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(COLUMNS)
    for row in rows:
        writer.writerow(_cells(row))
    return out.getvalue()


def fleet_text(rows):
    """The table for people: columns as wide as their widest cell."""
    lines = [list(COLUMNS)] + [[c or "-" for c in _cells(row)] for row in rows]
    widths = [max(len(line[i]) for line in lines) for i in range(len(COLUMNS))]
    return "".join("  ".join(cell.ljust(w) for cell, w in zip(line, widths)).rstrip() + "\n"
                   for line in lines)


def fleet_form(rows, form):
    """The table as the file of the form names: json, csv or txt."""
    if form == "json":
        return json.dumps(rows, indent=2) + "\n"
    return {"csv": fleet_csv, "txt": fleet_text}[form](rows)


class FilterModule(object):

    def filters(self):
        return {"fleet_record": fleet_record, "fleet_table": fleet_table,
                "fleet_csv": fleet_csv, "fleet_text": fleet_text, "fleet_form": fleet_form}
