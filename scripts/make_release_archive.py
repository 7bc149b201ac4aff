"""Writes the release archive: the given files and SHA256SUMS over them, in one
folder named like the archive. The same files always give the same archive
(fixed order, times and permissions), so a rebuild of a tag can be compared
with the published one.

    python3 make_release_archive.py ARCHIVE.zip NAME=PATH...

NAME is the file's path inside the folder, PATH where it is read from.
"""

import hashlib
import os
import stat
import sys
import zipfile

# The earliest time a zip entry can carry.
FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def add(archive, name, data):
    info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = (stat.S_IFREG | 0o644) << 16
    archive.writestr(info, data)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    archive_path, entries = sys.argv[1], sys.argv[2:]
    folder = os.path.basename(archive_path).removesuffix(".zip")
    files = []
    for entry in entries:
        name, path = entry.split("=", 1)
        with open(path, "rb") as file:
            files.append((name, file.read()))
    files.sort()
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in files)

    os.makedirs(os.path.dirname(archive_path) or ".", exist_ok=True)
    with zipfile.ZipFile(archive_path, "w") as archive:
        for name, data in files + [("SHA256SUMS", sums.encode())]:
            add(archive, f"{folder}/{name}", data)
    print(f"{archive_path}:")
    print(sums, end="")


if __name__ == "__main__":
    main()
