"""Fixtures of the fleet tests: a lab of hosts on a network of its own and
a controller that runs Ansible against them (lab.py)."""

import pathlib

import pytest

# The top of the tree; the system tests' helpers read it from here too
# (product.py imports conftest.ROOT), so it comes before they are imported.
ROOT = pathlib.Path(__file__).resolve().parents[2]
# The product's Ansible content, whose collection the controller uses.
ANSIBLE = ROOT / "deploy" / "ansible"

from lab import Lab, missing_tools  # noqa: E402


def pytest_configure(config):
    # Under ctest each file's temporary directory lies under a common one.
    if config.option.basetemp:
        pathlib.Path(config.option.basetemp).parent.mkdir(parents=True, exist_ok=True)


def _open_lab(directory):
    reason = missing_tools()
    if reason:
        pytest.skip(reason)
    return Lab(directory, collections=[ANSIBLE])


@pytest.fixture
def lab(tmp_path):
    """A lab of no hosts yet, closed after the test: lab.start(names)."""
    with _open_lab(tmp_path / "lab") as opened:
        yield opened


@pytest.fixture(scope="module")
def module_lab(tmp_path_factory):
    """A lab shared by the tests of one file, closed after the last."""
    with _open_lab(tmp_path_factory.mktemp("lab")) as opened:
        yield opened
