# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the Lumo developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)
"""Running setup on a print server and reading the report it writes."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json

# setup sets its own PATH; the locale keeps its texts as documented.
ENVIRONMENT = {"LANG": "C", "LC_ALL": "C"}


def run_setup(module, program, arguments, report_path, answer="n"):
    """Runs program with -x and -r report_path (in a directory of root's
    alone); returns (report, rc, stdout, stderr).  answer is what a question
    of setup reads: "y" only where the caller means yes.  Fails the module
    when no report came."""
    argv = [program, "-x", "-r", report_path] + list(arguments)
    rc, out, err = module.run_command(argv, data=answer, environ_update=ENVIRONMENT,
                                      check_rc=False)
    try:
        with open(report_path) as report_file:
            report = json.load(report_file)
    except (OSError, ValueError) as error:
        module.fail_json(msg="setup wrote no report (%s)" % error, rc=rc, stdout=out,
                         stderr=err, cmd=argv)
    return report, rc, out, err
