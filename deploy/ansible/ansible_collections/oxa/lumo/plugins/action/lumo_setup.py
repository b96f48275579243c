# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the Lumo developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)
"""Copies the product package from the controller to the print server's
temporary directory, in check mode too (the preview runs the package's own
setup), then runs the lumo_setup module on it and removes the copy."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import hashlib

from ansible.errors import AnsibleError
from ansible.module_utils.common.text.converters import to_text
from ansible.plugins.action import ActionBase


def file_digest(path):
    digest = hashlib.sha256()
    with open(path, "rb") as source:
        for block in iter(lambda: source.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


class ActionModule(ActionBase):

    TRANSFERS_FILES = True

    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        del tmp
        args = self._task.args.copy()
        try:
            if not args.get("package"):
                result.update(failed=True, msg="package is required")
                return result
            try:
                package = self._loader.get_real_file(self._find_needle("files", args["package"]))
                digest = file_digest(package)
            except (AnsibleError, OSError) as error:
                result.update(failed=True, msg="no package: %s" % to_text(error))
                return result
            shell = self._connection._shell
            staged = shell.join_path(shell.tmpdir, "lumo-package.tar.gz")
            self._transfer_file(package, staged)
            self._fixup_perms2((shell.tmpdir, staged))
            args.update(_staged_package=staged, _package_sha256=digest)
            result.update(self._execute_module(module_name="oxa.lumo.lumo_setup",
                                               module_args=args, task_vars=task_vars))
        finally:
            self._remove_tmp_path(self._connection._shell.tmpdir)
        return result
