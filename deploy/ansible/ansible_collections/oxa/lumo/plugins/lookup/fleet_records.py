# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the Lumo developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
name: fleet_records
short_description: The records a rollout kept of each print server
description:
  - Reads each C(<host>.json) a rollout saved in a run's directory on the
    controller (the fleet table's own C(fleet.json) excepted).
options:
  _terms:
    description: The run's directory.
    required: true
'''

RETURN = r'''
_raw:
  description: One record per server, each with its C(host).
  type: list
  elements: dict
'''

import glob
import json
import os

from ansible.errors import AnsibleError
from ansible.plugins.lookup import LookupBase


class LookupModule(LookupBase):

    def run(self, terms, variables=None, **kwargs):
        records = []
        for directory in terms:
            for path in sorted(glob.glob(os.path.join(directory, "*.json"))):
                if os.path.basename(path) == "fleet.json":
                    continue
                try:
                    with open(path) as saved:
                        records.append(json.load(saved))
                except (OSError, ValueError) as error:
                    raise AnsibleError("cannot read the record %s: %s" % (path, error))
        return records
