"""Stand-ins for the print system's parts inside a sandbox: the product's
netcat orbnc and a running lpd or lpsched."""

import shutil

import pytest

# What lpd -V writes on standard error.
LPRNG_ANSWER = "lpd: LPRng-3.8.C, Copyright 1988-2003 Patrick Powell\n"
BSD_LPD_ANSWER = "lpd: illegal option -- V\nusage: lpd [-cdlsW] [port#]\n"

# A daemon that stays running under its own path, so `ps -ef` shows it,
# and answers -V on standard error.
DAEMON_STAND_IN = """#!/bin/sh
if [ "$1" = -V ]; then
  printf '%s' '{answer}' >&2
  exit 1
fi
while :; do sleep 60; done
"""


def start_daemon(sb, path, answer=""):
    """Starts a stand-in daemon at path; it ends with the sandbox."""
    sb.write(path, DAEMON_STAND_IN.format(answer=answer), mode=0o755)
    sb.sh(f"{path} </dev/null >/dev/null 2>&1 &")


@pytest.fixture
def place_orbnc(sandbox, setup_binary):
    """Copies the built orbnc, which lies beside the built setup, into the sandbox."""

    def place(directory="/opt/oxa/bin"):
        target = sandbox.path(directory) / "orbnc"
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(setup_binary.parent / "orbnc", target)
        return f"{directory.rstrip('/')}/orbnc"

    return place
