"""Fixtures for the system tests: a sandbox per test, the setup binary in
it, and a way to run it and read its Log file."""

import os
import pathlib
import shutil
import subprocess

import pytest

from sandbox import AS_ROOT, Sandbox

ROOT = pathlib.Path(__file__).resolve().parents[2]
LOG = "/var/log/Lumo4.0_UpdateLog"

# The product package and installing runs over it (product.py).
pytest_plugins = ["product"]

# In a developer's user namespace only uid 0 exists and no device node can be
# made: tests that need other users, groups or device nodes need real root.
needs_real_root = pytest.mark.skipif(not AS_ROOT, reason="needs real root, not a user namespace")


def _setup_binary():
    path = os.environ.get("LUMO_SETUP")
    if path:
        return pathlib.Path(path)
    return ROOT / "build" / "setup"


@pytest.fixture
def setup_binary():
    path = _setup_binary()
    if not path.exists():
        pytest.fail(f"no setup binary at {path}; build first or set LUMO_SETUP")
    return path


@pytest.fixture
def sandbox(tmp_path):
    box = Sandbox(tmp_path / "stage")
    yield box
    box.close()


class SetupRun:
    """The outcome of one run of setup: exit status, console and Log file."""

    def __init__(self, sb, result, log_path):
        self.returncode = result.returncode
        self.stdout = result.stdout
        self.stderr = result.stderr
        self.log = sb.read(log_path) if sb.exists(log_path) else None

    @property
    def log_lines(self):
        return self.log.splitlines() if self.log is not None else []


@pytest.fixture
def place_setup(sandbox, setup_binary):
    """Copies the built setup into the sandbox (default /opt/oxa/bin)."""

    def place(directory="/opt/oxa/bin"):
        target = sandbox.path(directory) / "setup"
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(setup_binary, target)
        return f"{directory.rstrip('/')}/setup"

    return place


@pytest.fixture
def run_setup(sandbox):
    """Runs setup inside the sandbox and collects what it left."""

    def run(args="", program="/opt/oxa/bin/setup", cwd="/", input=None, env=None,
            user=None, log_path=LOG, timeout=120):
        result = sandbox.run(f"{program} {args}", input=input, env=env, user=user, cwd=cwd,
                             timeout=timeout)
        return SetupRun(sandbox, result, log_path)

    return run
