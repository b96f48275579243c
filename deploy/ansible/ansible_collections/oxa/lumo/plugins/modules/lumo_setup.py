#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the Lumo developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: lumo_setup
short_description: Install, upgrade, remove or undo Lumo 4.0-0 on a CUPS print server
version_added: "1.0.0"
description:
  - Copies the Lumo product package from the controller to the print server,
    unpacks it in a directory of root's alone and runs its C(setup) from there.
  - It always previews first (C(setup -n)).  In check mode it stops there and
    returns the plan, and with C(--diff) each queue's old and new PPD with the
    defaults carried and not carried.
  - When the plan changes nothing (every file of the install manifest already
    installed as it is in the package and no queue to move, undo or remove),
    it runs nothing and returns C(changed=false).
  - Otherwise it runs C(setup -x -r) and returns setup's report.  The host
    fails when setup stopped (its status 1) or met a fault (status 2), unless
    every reason is in I(accept).
  - The staged copy is removed afterwards.  The report of the last run that
    changed something is kept on the server in
    C(/var/log/Lumo4.0_LastReport.json) (mode 0600), where M(oxa.lumo.lumo_info)
    reads it.
  - Needs root on the print server (C(become) when the remote user is not root).
options:
  package:
    description:
      - The product package (C(lumo-4.0-0.tar.gz)) on the controller.  A relative
        path is looked for as the C(copy) module looks for its C(src).
      - It is copied to the server in check mode too, because the preview runs
        the package's own C(setup).
    type: path
    required: true
  state:
    description:
      - C(present) installs or upgrades the product and moves the queues on the
        maker's older PPDs to the product's PPDs (C(setup)).
      - C(absent) removes the product and the queues its information file lists
        (C(setup -d)).
      - C(undone) gives the queues on the product's PPDs their earlier PPD back
        (C(setup -R)).
    type: str
    choices: [present, absent, undone]
    default: present
  live:
    description:
      - Hand each new PPD to the running CUPS scheduler instead of restarting it
        (C(setup -L)).  Only for C(present) and C(undone).
    type: bool
    default: false
  queues:
    description:
      - Only these queues (C(setup -p), one per name); all by default.  Only for
        C(present) and C(undone).  A name the server does not have stops setup.
    type: list
    elements: str
    default: []
  accept:
    description:
      - Reason codes that do not fail the host, for example C(unreadable-ppd).
      - For a run that ended before its work was done the reason is its outcome,
        C(stopped), C(declined) or C(interrupted).
      - The codes are those of the report's C(reasonCode), listed in the manual
        page setup(8).
    type: list
    elements: str
    default: []
notes:
  - Check mode is supported and really previews; nothing on the server changes.
  - Diff mode is supported.
author:
  - The Lumo developers
'''

EXAMPLES = r'''
- name: Preview, then install Lumo and move the queues
  oxa.lumo.lumo_setup:
    package: files/lumo-4.0-0.tar.gz
  register: lumo

- name: Move two queues first, handing the new PPDs to the running CUPS
  oxa.lumo.lumo_setup:
    package: files/lumo-4.0-0.tar.gz
    live: true
    queues: [Office, Lab]

- name: Give every queue its earlier PPD back
  oxa.lumo.lumo_setup:
    package: files/lumo-4.0-0.tar.gz
    state: undone

- name: Remove the product, tolerating queues whose PPD cannot be read
  oxa.lumo.lumo_setup:
    package: files/lumo-4.0-0.tar.gz
    state: absent
    accept: [unreadable-ppd]
'''

RETURN = r'''
outcome:
  description:
    - setup's outcome (C(installed), C(upgraded), C(removed), C(undone), C(stopped),
      C(declined), C(interrupted)); C(preview) in check mode; C(unchanged) when the
      plan changed nothing and setup was not run.
  returned: always
  type: str
  sample: upgraded
exit_status:
  description: setup's exit status with C(-x) (0, 1 stopped, 2 a fault), or the one its plan foresees.
  returned: always
  type: int
  sample: 0
reasons:
  description: The reason codes behind a status of 1 or 2.
  returned: always
  type: list
  elements: str
  sample: [unreadable-ppd]
queues:
  description:
    - Each queue on the maker's older PPDs with its C(name), C(model), C(oldPpd), C(newPpd),
      C(action), C(result), C(defaults), C(carried), C(notCarried) and, when it is kept,
      C(reason) and C(reasonCode).  Empty for a removal.
  returned: always
  type: list
  elements: dict
files:
  description: The install manifest's files, each with C(source), C(destination), C(mode), C(action), C(current) and C(result).
  returned: always
  type: list
  elements: dict
removal:
  description: For C(state=absent), the queues and paths removed (or planned), each with its C(result).
  returned: when state is absent
  type: dict
restarts:
  description: The status of each CUPS restart the run made.
  returned: always
  type: list
  elements: int
  sample: [0]
log:
  description: The Log file setup wrote; empty when setup was not run.
  returned: always
  type: str
  sample: /var/log/Lumo4.0_UpdateLog
plan:
  description: setup's preview report (each result C(planned)), when setup was not run after it.
  returned: in check mode and when nothing was to be done
  type: dict
report:
  description: The report of the run setup made.
  returned: when setup was run
  type: dict
'''

import json
import os
import shutil
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.oxa.lumo.plugins.module_utils.plan_diff import plan_diff
from ansible_collections.oxa.lumo.plugins.module_utils.report import (
    LAST_REPORT, did_change, failure_reasons, nothing_installed, plans_change)
from ansible_collections.oxa.lumo.plugins.module_utils.setup_run import run_setup
from ansible_collections.oxa.lumo.plugins.module_utils.stage import stage_package

STATE_OPTION = {"present": [], "absent": ["-d"], "undone": ["-R"]}


def setup_arguments(params):
    arguments = list(STATE_OPTION[params["state"]])
    if params["state"] != "absent":
        if params["live"]:
            arguments.append("-L")
        for queue in params["queues"]:
            arguments += ["-p", queue]
    return arguments


def keep_last_report(module, report):
    """Keeps the report where lumo_info finds it: written beside and renamed
    over, so a link planted there is replaced, never written through."""
    staged = None
    try:
        fd, staged = tempfile.mkstemp(prefix=".Lumo4.0_LastReport.",
                                      dir=os.path.dirname(LAST_REPORT))
        with os.fdopen(fd, "w") as out:
            json.dump(report, out, indent=2)
        os.rename(staged, LAST_REPORT)
    except OSError as error:
        module.warn("The report could not be kept in %s: %s" % (LAST_REPORT, error))
        if staged and os.path.exists(staged):
            os.unlink(staged)


def module_result(report, outcome, key):
    result = {
        "outcome": outcome,
        "exit_status": report.get("exitStatus", 1),
        "reasons": failure_reasons(report),
        "queues": report.get("queues", []),
        "files": report.get("files", []),
        "restarts": report.get("restarts", []),
        "log": report.get("log", ""),
        key: report,
    }
    if "removal" in report:
        result["removal"] = report["removal"]
    return result


def carry_out(module, program, workdir):
    """Previews, then runs setup unless the plan says not to; returns the
    module's result."""
    params = module.params
    arguments = setup_arguments(params)
    plan = run_setup(module, program, ["-n"] + arguments, os.path.join(workdir, "plan.json"))[0]
    if params["state"] == "absent" and nothing_installed(plan):
        result = module_result(plan, "unchanged", "plan")
        result.update(exit_status=0, reasons=[], changed=False, msg="no installation found")
        return result
    changes = plans_change(plan)
    if module.check_mode or not changes or plan.get("exitStatus") == 1:
        result = module_result(plan, "preview" if module.check_mode else "unchanged", "plan")
        if plan.get("exitStatus") == 1:
            result["outcome"] = plan.get("outcome", "stopped")
        result["changed"] = changes and plan.get("exitStatus") != 1
    else:
        answer = "y" if params["state"] == "absent" else "n"
        report = run_setup(module, program, arguments, os.path.join(workdir, "report.json"),
                           answer)[0]
        keep_last_report(module, report)
        result = module_result(report, report.get("outcome", "stopped"), "report")
        result["changed"] = did_change(report)
        plan = report
    if module._diff:
        result["diff"] = plan_diff(plan)
    return result


def main():
    module = AnsibleModule(
        argument_spec=dict(
            package=dict(type="path", required=True),
            state=dict(type="str", default="present", choices=list(STATE_OPTION)),
            live=dict(type="bool", default=False),
            queues=dict(type="list", elements="str", default=[]),
            accept=dict(type="list", elements="str", default=[]),
            # Set by the action plugin: the copy on the server and its digest.
            _staged_package=dict(type="path"),
            _package_sha256=dict(type="str"),
        ),
        supports_check_mode=True,
    )
    if not module.params["_staged_package"]:
        module.fail_json(msg="lumo_setup runs through its action plugin, which copies the package")
    workdir = tempfile.mkdtemp(prefix="lumo-stage.", dir=module.tmpdir)
    try:
        program = stage_package(module, module.params["_staged_package"],
                                module.params["_package_sha256"], workdir)
        result = carry_out(module, program, workdir)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    refused = [r for r in result["reasons"] if r not in module.params["accept"]]
    if refused:
        module.fail_json(msg="setup ended with status %d: %s" % (result["exit_status"],
                                                                   ", ".join(refused)),
                         **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
