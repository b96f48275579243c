"""Fixtures for the system tests: a sandbox per test, the setup binary in
it, and a way to run it and read its Log file."""

import os
import pathlib
import shutil

import pytest

from helpers import LOG, SETUP
from sandbox import AS_ROOT, Sandbox

ROOT = pathlib.Path(__file__).resolve().parents[2]

# The product package and installing runs over it (product.py).
pytest_plugins = ["product"]

# In a developer's user namespace only uid 0 exists and no device node can be
# made: tests that need other users, groups or device nodes need real root.
needs_real_root = pytest.mark.skipif(not AS_ROOT, reason="needs real root, not a user namespace")


def pytest_configure(config):
    # Under ctest each file's temporary directory lies under a common one.
    if config.option.basetemp:
        pathlib.Path(config.option.basetemp).parent.mkdir(parents=True, exist_ok=True)


def _built(variable, name):
    path = os.environ.get(variable)
    return pathlib.Path(path) if path else ROOT / "build" / name


def _existing(path, variable):
    if not path.exists():
        pytest.fail(f"no setup binary at {path}; build first or set {variable}")
    return path


@pytest.fixture
def setup_binary():
    return _existing(_built("LUMO_SETUP", "setup"), "LUMO_SETUP")


@pytest.fixture
def short_waits_binary():
    """setup built to wait seconds where it waits minutes (tests/short_waits)."""
    return _existing(_built("LUMO_SETUP_SHORT_WAITS", "setup-short-waits"),
                     "LUMO_SETUP_SHORT_WAITS")


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
        # A queue's name need not be UTF-8.
        self.log = (sb.path(log_path).read_text(errors="backslashreplace")
                    if sb.exists(log_path) else None)

    @property
    def log_lines(self):
        return self.log.splitlines() if self.log is not None else []


@pytest.fixture
def place_setup(sandbox, setup_binary, short_waits_binary):
    """Copies the built setup into the sandbox (default /opt/oxa/bin), over
    one unpacked there; with short_waits the one with short waits."""

    def place(directory="/opt/oxa/bin", short_waits=False):
        target = sandbox.path(directory) / "setup"
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(short_waits_binary if short_waits else setup_binary, target)
        return f"{directory.rstrip('/')}/setup"

    return place


@pytest.fixture
def run_setup(sandbox):
    """Runs setup inside the sandbox and collects what it left."""

    def run(args="", program=SETUP, cwd="/", input=None, env=None,
            user=None, log_path=LOG, timeout=120):
        result = sandbox.run(f"{program} {args}", input=input, env=env, user=user, cwd=cwd,
                             timeout=timeout)
        return SetupRun(sandbox, result, log_path)

    return run
