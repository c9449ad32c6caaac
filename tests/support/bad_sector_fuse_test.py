#!/usr/bin/env python3
"""The bad_sector_fuse helper serves the image's bytes and fails exactly the bad sectors.

    bad_sector_fuse_test.py HELPER WORK_DIR

Exits 77 (skipped) where FUSE is not available.
"""
import errno
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bad_sectors import bad_sector_mount  # noqa: E402

SECTOR = 512
SECTORS = 300
BAD = [(100, 131), 200]


def sector_bytes(number):
    return bytes([number % 251]) * SECTOR


def main():
    helper, work = sys.argv[1:3]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    image = os.path.join(work, "disk.img")
    with open(image, "wb") as f:
        # A last, partial sector: the served file keeps the image's exact size.
        f.write(b"".join(sector_bytes(s) for s in range(SECTORS)) + b"tail")
    original = open(image, "rb").read()

    failures = []
    with bad_sector_mount(helper, image, os.path.join(work, "mnt"), BAD) as served:
        if os.path.getsize(served) != len(original):
            failures.append("size %d, expected %d" % (os.path.getsize(served), len(original)))
        fd = os.open(served, os.O_RDONLY)
        try:
            # name, first byte, length, readable
            cases = [
                ("first sector", 0, SECTOR, True),
                ("sector before a bad range", 99 * SECTOR, SECTOR, True),
                ("first bad sector", 100 * SECTOR, SECTOR, False),
                ("last bad sector", 131 * SECTOR, SECTOR, False),
                ("one byte of a bad sector", 120 * SECTOR + 7, 1, False),
                ("run ending in a bad range", 90 * SECTOR, 11 * SECTOR, False),
                ("sector after a bad range", 132 * SECTOR, SECTOR, True),
                ("single bad sector", 200 * SECTOR, SECTOR, False),
                ("run between the bad sectors", 132 * SECTOR, 68 * SECTOR, True),
                ("sectors after the last bad one", 201 * SECTOR, 50 * SECTOR, True),
                ("partial last sector", SECTORS * SECTOR, SECTOR, True),
            ]
            for name, offset, length, readable in cases:
                try:
                    got = os.pread(fd, length, offset)
                    if not readable:
                        failures.append("%s: read %d bytes, expected EIO" % (name, len(got)))
                    elif got != original[offset:offset + length]:
                        failures.append("%s: wrong bytes" % name)
                except OSError as e:
                    if readable or e.errno != errno.EIO:
                        failures.append("%s: %s" % (name, e))
        finally:
            os.close(fd)
        try:
            os.close(os.open(served, os.O_WRONLY))
            failures.append("the served file opened for writing")
        except OSError:
            pass
    if open(image, "rb").read() != original:
        failures.append("the image changed")
    for failure in failures:
        print("FAIL:", failure)
    print("bad_sector_fuse_test: %s" % ("FAILED" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
