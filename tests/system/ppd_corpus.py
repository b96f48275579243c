"""Real printer drivers' PPD files out of Debian's driver packages.

The packages are fetched with `apt-get download` into the build tree
(LUMO_BUILD_DIR/ppd-corpus/debs) and unpacked with `dpkg-deb -x`; the chosen
files are kept in LUMO_BUILD_DIR/ppd-corpus/files, so a later run neither
downloads nor unpacks again.  A file comes out of a package in one of three
ways, as CUPS itself would get it:

- packaged(package, path): a PPD file the package installs as it is;
- archive(package, driver, member): one PPD of the compressed archive that
  the CUPS driver program /usr/lib/cups/driver/<driver> of the package
  carries (a base64 text of an xz-compressed JSON index whose "ARCHIVE"
  entry is the xz stream of every PPD, one after the other, and whose other
  entries give each PPD's offset and length);
- drv(package, drv file, ppd name): one PPD that CUPS's ppdc compiles out of
  a driver description of the package.

`older_norvik` makes one of them look like the maker's older PPD: it changes
the *ModelName line and adds the version line and keeps every other byte.
"""

import base64
import gzip
import json
import lzma
import pathlib
import re
import subprocess
import tempfile

import pytest

from product import build_dir

# Messages of apt that mean the registry could not be reached at all.
UNREACHABLE = ("Failed to fetch", "Could not resolve", "Temporary failure resolving",
               "Unable to connect", "Could not connect", "Connection failed",
               "Connection timed out", "Network is unreachable")


def archive(package, driver, member):
    return ("archive", package, f"usr/lib/cups/driver/{driver}", member)


def drv(package, drv_file, ppd):
    return ("drv", package, f"usr/share/cups/drv/{drv_file}", ppd)


def packaged(package, path):
    return ("file", package, path)


def corpus_name(source):
    """The name of a source's file in the corpus."""
    return pathlib.PurePath(source[-1]).name


def cache_dir():
    return build_dir() / "ppd-corpus"


def _apt(args, cwd):
    try:
        return subprocess.run(["apt-get", "-q", "-o", "Acquire::Retries=1",
                               "-o", "Acquire::http::Timeout=30"] + args,
                              cwd=cwd, capture_output=True, text=True, timeout=900)
    except subprocess.TimeoutExpired as timeout:
        pytest.skip(f"Debian's package registry did not answer: apt-get {' '.join(args)}"
                    f" timed out after {timeout.timeout} s")


def _unreachable(result):
    return any(mark in result.stdout + result.stderr for mark in UNREACHABLE)


def download(packages):
    """The .deb file of each package, downloaded once into the cache."""
    debs = cache_dir() / "debs"
    debs.mkdir(parents=True, exist_ok=True)

    def cached(package):
        found = sorted(debs.glob(f"{package}_*.deb"))
        return found[-1] if found else None

    missing = [p for p in packages if not cached(p)]
    if missing:
        result = _apt(["download"] + missing, debs)
        if result.returncode != 0:
            # The package lists may be missing or out of date.
            update = _apt(["update", "-qq"], debs)
            result = _apt(["download"] + missing, debs)
            if result.returncode != 0 and (_unreachable(update) or _unreachable(result)):
                said = (update.stderr + result.stderr).splitlines()
                pytest.skip("Debian's package registry is unreachable: " + " / ".join(said[:2]))
        assert result.returncode == 0, f"apt-get download {missing} failed:\n{result.stderr}"
    return {p: cached(p) for p in packages}


def _unpack(deb):
    """The package's files, unpacked once beside the cache's files."""
    tree = cache_dir() / "trees" / deb.stem
    if not tree.exists():
        partial = tree.with_name(tree.name + ".partial")
        subprocess.run(["rm", "-rf", str(partial)], check=True)
        partial.mkdir(parents=True)
        subprocess.run(["dpkg-deb", "-x", str(deb), str(partial)], check=True)
        partial.rename(tree)
    return tree


def _archive_members(driver, members):
    """The named PPDs of a driver program's archive, read without holding
    the whole decompressed archive (hundreds of megabytes) in memory."""
    text = driver.read_bytes()
    index_text = re.search(rb'^ppds_compressed_b64 = b"([^"]*)"', text, re.M)
    assert index_text, f"{driver} holds no PPD archive"
    index = json.loads(lzma.decompress(base64.b64decode(index_text.group(1))))
    stream = base64.b64decode(index.pop("ARCHIVE"))
    wanted = {}
    for member in members:
        key = f"0/{member}"
        assert key in index, f"{driver} holds no {member}"
        wanted[member] = index[key][:2]
    end = max(start + length for start, length in wanted.values())
    found = {m: bytearray() for m in members}
    decompressor = lzma.LZMADecompressor()
    at = 0
    while at < end:
        chunk = decompressor.decompress(stream if at == 0 else b"", max_length=1 << 24)
        if not chunk:
            break
        for member, (start, length) in wanted.items():
            lo, hi = max(start, at), min(start + length, at + len(chunk))
            if lo < hi:
                found[member] += chunk[lo - at:hi - at]
        at += len(chunk)
    for member, (start, length) in wanted.items():
        assert len(found[member]) == length, f"{member} cut short in {driver}"
    return {m: bytes(data) for m, data in found.items()}


def _compile_drv(source, names):
    with tempfile.TemporaryDirectory() as out:
        subprocess.run(["ppdc", "-d", out, str(source)], check=True, capture_output=True)
        return {name: pathlib.Path(out, name).read_bytes() for name in names}


def _write(path, data):
    partial = path.with_name(path.name + ".partial")
    partial.write_bytes(data)
    partial.rename(path)


def fetch(sources):
    """The files of the sources (see above) in the cache: name -> path."""
    selection = {corpus_name(source): source for source in sources}
    assert len(selection) == len(sources), "two sources share a file name"
    files = cache_dir() / "files"
    paths = {name: files / name for name in selection}
    todo = {name: how for name, how in selection.items() if not paths[name].exists()}
    if not todo:
        return paths
    files.mkdir(parents=True, exist_ok=True)
    debs = download(sorted({how[1] for how in todo.values()}))
    groups = {}
    for name, how in todo.items():
        kind, package, where = how[0], how[1], how[2]
        tree = _unpack(debs[package])
        if kind == "file":
            _write(paths[name], (tree / where.lstrip("/")).read_bytes())
        else:
            groups.setdefault((kind, tree / where.lstrip("/")), {})[how[3]] = name
    for (kind, source), members in groups.items():
        read = _archive_members if kind == "archive" else _compile_drv
        for member, data in read(source, list(members)).items():
            _write(paths[members[member]], data)
    return paths


def text_of(path):
    """A corpus file's bytes, decompressed when it is gzipped."""
    data = path.read_bytes()
    return gzip.decompress(data) if path.name.endswith(".gz") else data


def older_norvik(data, model, language):
    """The PPD as the maker's older generation would have it: its *ModelName
    names the model and language (PS, PCL or PXL) and a line
    "*% Lumo version: 1" follows the first line (or replaces a version line
    of the first 30).  Every other byte stays, line ends included."""
    lines = data.splitlines(keepends=True)
    end = b"\r\n" if lines[0].endswith(b"\r\n") else b"\n"
    version = b"*% Lumo version: 1" + end
    at = next((i for i, line in enumerate(lines[:30]) if line.startswith(b"*% Lumo version:")),
              None)
    if at is None:
        lines.insert(1, version)
    else:
        lines[at] = version
    name = f"{model} {language}".encode()
    model_at = [i for i, line in enumerate(lines) if line.startswith(b"*ModelName:")]
    assert len(model_at) == 1, "no single *ModelName line"
    line, count = re.subn(rb'^(\*ModelName:\s*)"[^"]*"', rb'\1"' + name + b'"',
                          lines[model_at[0]])
    assert count == 1 and model_at[0] < 30, "the *ModelName line is not among the first 30"
    lines[model_at[0]] = line
    return b"".join(lines)
