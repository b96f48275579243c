# -*- coding: utf-8 -*-
# Copyright: (c) 2026, the Lumo developers
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)
"""The product package, staged on the print server: checked against the
controller's digest and unpacked in a directory of root's alone, from which
its setup runs as from /opt/oxa."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import hashlib
import os

# Where the package puts setup, below the directory it is unpacked in.
SETUP_IN_PACKAGE = "opt/oxa/bin/setup"


def _copy_with_digest(source, target):
    digest = hashlib.sha256()
    with open(source, "rb") as src, open(target, "xb") as dst:
        for block in iter(lambda: src.read(1 << 16), b""):
            digest.update(block)
            dst.write(block)
    return digest.hexdigest()


def stage_package(module, package, sha256, workdir):
    """Unpacks the package into workdir; returns the path of its setup.
    The package is first copied into workdir and checked there, so what is
    unpacked is what the controller sent, whoever could write the upload."""
    copy = os.path.join(workdir, "package.tar.gz")
    try:
        digest = _copy_with_digest(package, copy)
    except OSError as error:
        module.fail_json(msg="cannot read the staged package %s: %s" % (package, error))
    if digest != sha256:
        module.fail_json(msg="the staged package is not the one sent (sha256 %s, sent %s)"
                         % (digest, sha256))
    tree = os.path.join(workdir, "package")
    os.mkdir(tree, 0o700)
    # Every file root's, whoever built the package; the package's modes stay.
    module.run_command(["tar", "--no-same-owner", "-xzf", copy, "-C", tree], check_rc=True)
    os.unlink(copy)
    program = os.path.join(tree, SETUP_IN_PACKAGE)
    if not os.path.isfile(program):
        module.fail_json(msg="the package holds no %s" % SETUP_IN_PACKAGE)
    return program
