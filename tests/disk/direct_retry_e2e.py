#!/usr/bin/env python3
"""One bad sector of a block device costs `vtl cat` that sector and no more.

    direct_retry_e2e.py DATA_DIR WORK_DIR VTL BAD_SECTOR_FUSE

A copy of the NTFS fixture is served through FUSE with one unreadable
sector inside a live file, and a read-only loop device is set up over it.
Read through the block device's cache, one bad sector fails the whole page
around it; the sector-by-sector retry must read past the cache, so that the
log names exactly the bad sector and every other byte of the file comes out.
Exits 77 (skipped) without root, loop devices or FUSE.
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bad_sectors import bad_sector_mount, loop_device  # noqa: E402
from vtl_e2e import Failures, Vtl, unpack_fixture  # noqa: E402

SECTOR = 512
FIXTURE = "ntfs_4k"
ENTRY = "\\live_big.bin"


def main():
    data_dir, work, program, helper = sys.argv[1:5]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    image = unpack_fixture(data_dir, FIXTURE, work)
    vtl = Vtl(program)
    failures = Failures(vtl)

    def cat(volume, log):
        return vtl.run("cat", volume, ENTRY, log=os.path.join(work, log))

    reference = cat(image, "reference.log").stdout
    with open(image, "rb") as f:
        volume_bytes = f.read()
    start = volume_bytes.find(reference[:4096])
    if len(reference) < 16 * SECTOR or start < 0 or start % SECTOR != 0 or \
            volume_bytes[start:start + len(reference)] != reference:
        failures.add("%s is not stored in one piece in the fixture (%d bytes, at %d)" % (ENTRY, len(reference), start))
        return failures.report()
    # The second sector of the file's second 4 KiB: a page of the cache holds
    # good sectors on both sides of it.
    bad = start // SECTOR + 9

    with bad_sector_mount(helper, image, os.path.join(work, "failing"), [bad]) as served:
        with loop_device(served) as device:
            run = cat(device, "device.log")
    with open(os.path.join(work, "device.log"), encoding="utf-8", errors="replace") as f:
        lost = [line.split(" ")[-1] for line in f.read().splitlines() if "error reading sector " in line]
    if lost != [str(bad)]:
        failures.add("the log names the lost sectors %s, expected only %d" % (lost, bad))
    out = run.stdout
    span = slice((bad - start // SECTOR) * SECTOR, (bad - start // SECTOR + 1) * SECTOR)
    if len(out) != len(reference):
        failures.add("cat gave %d bytes, expected %d" % (len(out), len(reference)))
    else:
        kept = out[:span.start] + out[span.stop:] == reference[:span.start] + reference[span.stop:]
        if not kept:
            failures.add("bytes outside the bad sector differ from the file")
        if out[span] != bytes(SECTOR):
            failures.add("the bad sector's bytes are not zeros")
    with open(image, "rb") as f:
        if f.read() != volume_bytes:
            failures.add("the image changed")
    return failures.report("direct_retry_e2e")


if __name__ == "__main__":
    sys.exit(main())
