"""How the collection reads setup's reports and builds the fleet table:
which reasons fail a host, which plans change something, and what each
server's row says.  Plain functions, no hosts."""

import csv
import io
import json
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "deploy" / "ansible"))

from ansible_collections.oxa.lumo.plugins.filter.fleet import (  # noqa: E402
    fleet_csv, fleet_form, fleet_record, fleet_table, fleet_text)
from ansible_collections.oxa.lumo.plugins.module_utils.report import (  # noqa: E402
    failure_reasons, plans_change)


def queue(name, action, result, code=None, fault=False, not_carried=None):
    item = {"name": name, "action": action, "result": result,
            "notCarried": not_carried or {}, "files": []}
    if code:
        item.update(reasonCode=code, fault=fault)
    return item


def test_only_faults_and_stops_are_reasons():
    kept = queue("Old", "keep", "kept", "no-product-ppd")
    broken = queue("Bad", "keep", "kept", "unreadable-ppd", fault=True)
    report = {"outcome": "upgraded", "exitStatus": 2,
              "files": [{"action": "copy", "result": "failed", "reasonCode": "copy-failed",
                         "fault": True}],
              "queues": [kept, broken]}
    assert failure_reasons(report) == ["copy-failed", "unreadable-ppd"]
    assert failure_reasons({"outcome": "upgraded", "exitStatus": 0, "queues": [kept]}) == []
    assert failure_reasons({"outcome": "stopped", "exitStatus": 1,
                            "reason": "no foomatic-rip program"}) == ["stopped"]
    removal = {"outcome": "removed", "exitStatus": 2, "removal": {"queues": [], "paths": [
        {"path": "/opt/oxa/bin", "result": "failed", "reasonCode": "remove-failed",
         "fault": True}]}}
    assert failure_reasons(removal) == ["remove-failed"]


def test_a_plan_changes_something_only_when_a_copy_or_a_queue_would():
    current = {"action": "copy", "current": True}
    kept = queue("Old", "keep", "planned", "no-product-ppd")
    assert not plans_change({"files": [current, {"action": "in-place"}], "queues": [kept]})
    assert plans_change({"files": [current, {"action": "copy", "current": False}]})
    assert plans_change({"files": [current], "queues": [queue("Office", "update", "planned")]})
    assert not plans_change({"removal": {"queues": [], "paths": [{"action": "absent"}]}})
    assert plans_change({"removal": {"queues": [], "paths": [{"action": "delete"}]}})


def test_the_table_has_a_row_per_server_in_inventory_order(tmp_path):
    report = {"outcome": "upgraded", "exitStatus": 0, "restarts": [0],
              "log": "/var/log/Lumo4.0_UpdateLog",
              "queues": [queue("Office", "update", "updated",
                               not_carried={"InputSlot": "Tray3"}),
                         queue("Old, \"x\"", "keep", "kept", "no-product-ppd")]}
    result = {"outcome": "upgraded", "exit_status": 0, "restarts": [0],
              "log": report["log"], "report": report, "changed": True,
              "invocation": {"module_args": {}}}
    records = [fleet_record(result, {}, "b"),
               fleet_record({}, {"unreachable": True, "msg": "refused"}, "c")]
    assert "invocation" not in records[0]
    rows = fleet_table(records, ["a", "b", "c"])
    assert [(r["host"], r["outcome"]) for r in rows] == [
        ("a", "not reached"), ("b", "upgraded"), ("c", "unreachable")]
    assert rows[1]["updated"] == ["Office"]
    assert (rows[1]["reason"], rows[2]["reason"]) == ("", "refused")
    assert rows[1]["kept"] == [{"queue": "Old, \"x\"", "reason": "no-product-ppd"}]
    assert rows[1]["not_carried"] == [{"queue": "Office", "keyword": "InputSlot",
                                       "choice": "Tray3"}]
    assert json.loads(fleet_form(rows, "json")) == rows
    # A queue name with a comma and quotes stays one cell.
    parsed = list(csv.reader(io.StringIO(fleet_csv(rows))))
    assert parsed[2][4] == "Old, \"x\"(no-product-ppd)"
    assert parsed[0][:3] == ["host", "outcome", "exit_status"]
    lines = fleet_text(rows).splitlines()
    assert lines[0].split()[:2] == ["host", "outcome"]
    assert lines[1].split()[:2] == ["a", "not"]
    # Columns line up: every row's outcome starts where the header's does.
    assert {line.index(word) for line, word in zip(lines, ["outcome", "not", "upgraded",
                                                           "unreachable"])} == {
        lines[0].index("outcome")}
