"""The README's demo keeps working."""

import subprocess
import sys

from conftest import ROOT
from product import build_dir


def test_demo_runs_through():
    result = subprocess.run([sys.executable, str(ROOT / "scripts" / "demo.py"), str(build_dir())],
                            capture_output=True, text=True, timeout=120)
    assert result.returncode == 0, result.stderr
    out = result.stdout
    assert "Office     before  Norvik v1    PageSize=Letter Duplex=DuplexNoTumble" in out
    assert "           after   Norvik v4    PageSize=Letter Duplex=DuplexNoTumble" in out
    assert "Lumo 4.0-0 has been un-installed from the system." in out
    assert out.rstrip().endswith("this machine is unchanged.")
