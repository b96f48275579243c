#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the Lumo developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: lumo_info
short_description: What Lumo a print server has, its last report and the queues still on older PPDs
version_added: "1.0.0"
description:
  - Read-only; it changes nothing on the print server.
  - Tells whether the product is installed and which generation, by the
    information file in the installation directory.
  - Returns the report of the last run of M(oxa.lumo.lumo_setup) that changed
    something (C(/var/log/Lumo4.0_LastReport.json)).
  - Lists the queues still on the maker's older PPDs, from a preview
    (C(setup -n)) of the installed C(setup), which reads the queues and writes
    nothing.
  - Needs root on the print server.
options:
  install_dir:
    description: The installation directory.
    type: path
    default: /opt/oxa
notes:
  - Check mode is supported; the module is the same in it.
author:
  - The Lumo developers
'''

EXAMPLES = r'''
- name: What Lumo each print server has
  oxa.lumo.lumo_info:
  register: lumo

- name: Name the servers with queues still to move
  ansible.builtin.debug:
    msg: "{{ lumo.older_queues | map(attribute='name') | join(', ') }}"
  when: lumo.older_queues | length > 0
'''

RETURN = r'''
installed:
  description: Whether the installation directory holds an information file of the product.
  returned: always
  type: bool
version:
  description: The installed generation, by its information file (C(lumoInfo4.0) is C(4.0)); null when none.
  returned: always
  type: str
  sample: "4.0"
last_report:
  description: setup's report of the last run that changed something, as M(oxa.lumo.lumo_setup) returned it; null when none.
  returned: always
  type: dict
older_queues:
  description:
    - The queues still on the maker's older PPDs, as a preview of the installed setup plans
      them; each with C(name), C(model), C(oldPpd), C(newPpd), C(action) (C(update) when a run
      of the installed setup would move it, else C(keep)) and C(reasonCode) (why it is kept).
    - Empty when nothing is installed.
    - A product installed by M(oxa.lumo.lumo_setup) from its staged copy has no package PPD
      files beside its setup, so its own runs keep queues added since (C(not-package-file));
      run M(oxa.lumo.lumo_setup) again to move them.
  returned: always
  type: list
  elements: dict
'''

import glob
import json
import os
import re
import shutil
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.oxa.lumo.plugins.module_utils.report import LAST_REPORT
from ansible_collections.oxa.lumo.plugins.module_utils.setup_run import run_setup

INFO_FILE = re.compile(r"lumoInfo(\d+\.\d+)$")


def installed_version(install_dir):
    """The newest generation whose information file is in install_dir."""
    versions = []
    for path in glob.glob(os.path.join(install_dir, "lumoInfo*")):
        match = INFO_FILE.search(os.path.basename(path))
        if match and os.path.isfile(path):
            versions.append(match.group(1))
    return max(versions, key=lambda v: tuple(int(n) for n in v.split("."))) if versions else None


def last_report():
    try:
        with open(LAST_REPORT) as report:
            return json.load(report)
    except (OSError, ValueError):
        return None


def older_queues(module, install_dir):
    """The queues the installed setup's preview finds on older PPDs."""
    program = os.path.join(install_dir, "bin", "setup")
    if not os.path.isfile(program):
        return []
    workdir = tempfile.mkdtemp(prefix="lumo-info.", dir=module.tmpdir)
    try:
        plan = run_setup(module, program, ["-n"], os.path.join(workdir, "plan.json"))[0]
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    fields = ("name", "model", "oldPpd", "newPpd", "action", "reasonCode")
    return [dict((f, queue.get(f)) for f in fields) for queue in plan.get("queues", [])]


def main():
    module = AnsibleModule(argument_spec=dict(install_dir=dict(type="path", default="/opt/oxa")),
                           supports_check_mode=True)
    install_dir = module.params["install_dir"]
    version = installed_version(install_dir)
    module.exit_json(changed=False, installed=version is not None, version=version,
                     last_report=last_report(),
                     older_queues=older_queues(module, install_dir) if version else [])


if __name__ == "__main__":
    main()
