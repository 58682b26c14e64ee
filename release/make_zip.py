#!/usr/bin/python3
"""Writes a zip archive whose bytes depend only on the files' contents: fixed
order, one fixed time stamp, fixed permissions, no extra fields.

Usage: make_zip.py ARCHIVE UNIX_TIME FILE...
"""

import os
import sys
import time
import zipfile


def main(archive, unix_time, files):
    stamp = time.gmtime(max(int(unix_time), 315532800))[:6]  # zip dates start in 1980
    with zipfile.ZipFile(archive, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=9) as output:
        for path in files:
            entry = zipfile.ZipInfo(os.path.basename(path), date_time=stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.external_attr = 0o644 << 16
            entry.create_system = 3
            with open(path, "rb") as source:
                output.writestr(entry, source.read())


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
