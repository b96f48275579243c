"""The demo: the installer at work in a sandbox (see tests/system/sandbox.py)."""

import pathlib
import shutil
import sys
import tempfile

TOP = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(TOP / "tests" / "system"))

from sandbox import Sandbox  # noqa: E402

LOG = "/var/log/Lumo4.0_UpdateLog"


def step(title):
    print(f"\n=== {title}")


def main(build):
    with tempfile.TemporaryDirectory(prefix="lumo-demo-") as stage:
        box = Sandbox(pathlib.Path(stage) / "stage")
        try:
            target = box.path("/opt/oxa/bin/setup")
            target.parent.mkdir(parents=True)
            shutil.copy2(pathlib.Path(build) / "setup", target)

            step("setup -h")
            print(box.run("/opt/oxa/bin/setup -h").stderr, end="")

            step("An installing run: /opt/oxa/bin/setup")
            result = box.run("/opt/oxa/bin/setup")
            print(f"exit status {result.returncode}; the Log file {LOG} reads:")
            print(box.read(LOG), end="")
        finally:
            box.close()
    print("\nDemo finished; the sandbox is gone and this machine is unchanged.")


if __name__ == "__main__":
    try:
        main(sys.argv[1] if len(sys.argv) > 1 else TOP / "build")
    except Exception as error:  # say which step failed, plainly
        print(f"\nDemo FAILED: {error}", file=sys.stderr)
        sys.exit(1)
