#!/usr/bin/env python3
"""Packs a folder into a zip that depends only on the files' names and contents.

Usage: dist-zip.py <zip> <folder> <epoch>

Entries are the folder itself and everything below it, in sorted order, each
with the time <epoch> (seconds since 1970, UTC) and fixed attributes; no extra
fields. The same files thus give the same bytes in any folder, at any time.
"""
import os
import sys
import time
import zipfile

DOS_EPOCH = 315532800  # 1980-01-01, the earliest time a zip entry can hold


def entry(name, epoch, is_dir):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(max(epoch, DOS_EPOCH))[:6])
    info.create_system = 3  # Unix, so that the modes below mean what they say
    if is_dir:
        info.external_attr = (0o40755 << 16) | 0x10  # directory, also for Windows
    else:
        info.external_attr = 0o100644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    target, folder, epoch = sys.argv[1], os.path.normpath(sys.argv[2]), int(sys.argv[3])
    base = os.path.dirname(folder)
    paths = []
    for top, dirs, files in os.walk(folder):
        paths.append((os.path.relpath(top, base), True))
        paths.extend((os.path.relpath(os.path.join(top, f), base), False) for f in files)
    paths.sort()
    partial = target + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for rel, is_dir in paths:
            name = rel.replace(os.sep, "/") + ("/" if is_dir else "")
            if is_dir:
                archive.writestr(entry(name, epoch, True), b"")
            else:
                with open(os.path.join(base, rel), "rb") as f:
                    archive.writestr(entry(name, epoch, False), f.read(), compresslevel=9)
    os.replace(partial, target)


if __name__ == "__main__":
    main()
