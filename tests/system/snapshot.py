"""What a sandbox's directories hold, to show that a run changed nothing
but what it was meant to change."""

import hashlib
import os
import stat


def tree_state(sb, roots):
    """{path inside: (kind, mode, uid, content hash or link target)} of
    every entry under the roots, links not followed."""
    state = {}
    for root in roots:
        top = str(sb.path(root))
        for directory, dirs, files in os.walk(top):
            for name in dirs + files:
                path = os.path.join(directory, name)
                st = os.lstat(path)
                if stat.S_ISREG(st.st_mode):
                    with open(path, "rb") as f:
                        what = hashlib.sha256(f.read()).hexdigest()
                elif stat.S_ISLNK(st.st_mode):
                    what = os.readlink(path)
                else:
                    what = ""
                inside = "/" + os.path.relpath(path, str(sb.root))
                state[inside] = (stat.S_IFMT(st.st_mode), stat.S_IMODE(st.st_mode), st.st_uid, what)
    return state


def changes(before, after):
    """The paths added, removed or changed between two states."""
    return {p for p in before.keys() | after.keys() if before.get(p) != after.get(p)}
