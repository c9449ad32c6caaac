#!/usr/bin/env python3
"""vtl on volumes whose own structures have unreadable sectors, served by the
bad_sector_fuse test helper.

    unreadable_e2e.py DATA_DIR WORK_DIR VTL HELPER

When the master file table or the root folder cannot be read, every command
that scans (scan, list, recover, cat) says so in one line that names the
volume and what could not be read, writes nothing and ends with status 2.
An unreadable allocation table is a warning: the directories still read, so
the entries are listed. An unreadable root folder record of an NTFS volume,
or part of a FAT root folder, is damage to single entries: the scan lists
what it finds and ends with 0. Skips (77) where FUSE cannot be used.
"""
import os
import shutil
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bad_sectors import bad_sector_mount  # noqa: E402
from vtl_e2e import Failures, Vtl, unpack_fixture  # noqa: E402

COMMANDS = [["scan"], ["list"], ["recover", "--all", "--to", None], ["cat", "#5"]]
MFT_UNREADABLE = "the master file table could not be read"
NO_MFT_RECORD = "neither the root folder nor any other record of the master file table could be read"
ROOT_UNREADABLE = "the root folder could not be read"
FAT_UNREADABLE = "the file allocation table could not be read"


def layout(image):
    """Sector ranges of the volume's structures, from its boot sector."""
    with open(image, "rb") as f:
        boot = f.read(512)
    per_cluster = boot[13]
    if boot[3:11] == b"NTFS    ":
        mft, mirror = struct.unpack_from("<QQ", boot, 48)
        first = mft * per_cluster
        # Records are 1 KiB: record 5, the root folder, takes two sectors.
        return {"mft": (first, first + 4095), "mirror": (mirror * per_cluster, mirror * per_cluster + 7),
                "root_record": (first + 10, first + 11)}
    reserved, fats, root_entries, fat16_sectors = struct.unpack_from("<HBHxxxH", boot, 14)
    fat_sectors = fat16_sectors or struct.unpack_from("<I", boot, 36)[0]
    tables_end = reserved + fats * fat_sectors
    if root_entries:
        root = (tables_end, tables_end + root_entries * 32 // 512 - 1)
    else:
        root_cluster = struct.unpack_from("<I", boot, 44)[0]
        first = tables_end + (root_cluster - 2) * per_cluster
        root = (first, first + per_cluster - 1)
    return {"fats": (reserved, tables_end - 1), "root": root}


def main():
    data_dir, work, program, helper = sys.argv[1:5]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    log = os.path.join(work, "vtl.log")
    images = {name: unpack_fixture(data_dir, name, work) for name in ["ntfs_4k", "fat16", "fat32_4k"]}
    parts = {name: layout(path) for name, path in images.items()}
    vtl = Vtl(program)
    failures = Failures(vtl)

    def run(volume, args):
        return vtl.run(args[0], volume, *args[1:], log=log, quiet=True)

    def clean_scan(name):
        return run(images[name], ["scan", "--all"]).stdout

    # name, image, unreadable ranges, words of the refusal
    refused = [
        ("MFT and its mirror", "ntfs_4k", [parts["ntfs_4k"]["mft"], parts["ntfs_4k"]["mirror"]], MFT_UNREADABLE),
        ("MFT without its mirror", "ntfs_4k", [parts["ntfs_4k"]["mft"]], NO_MFT_RECORD),
        ("FAT16 root folder", "fat16", [parts["fat16"]["root"]], ROOT_UNREADABLE),
        ("FAT32 root folder", "fat32_4k", [parts["fat32_4k"]["root"]], ROOT_UNREADABLE),
    ]
    for label, name, bad, words in refused:
        mount = os.path.join(work, "mount")
        with bad_sector_mount(helper, images[name], mount, bad) as volume:
            for command in COMMANDS:
                out = os.path.join(work, "out")
                shutil.rmtree(out, ignore_errors=True)
                args = [out if a is None else a for a in command]
                result = run(volume, args)
                err = result.stderr.decode(errors="replace").strip()
                want = "vtl %s: cannot use the volume '%s': %s (see the log)" % (command[0], volume, words)
                if result.status != 2 or err != want or result.stdout or os.path.exists(out):
                    failures.add("%s, %s: exit %d, stdout %r, stderr %r (wanted %r)"
                                 % (label, command[0], result.status, result.stdout[:80], err, want))

    # Damage the scan reads around: it lists what it finds and succeeds.
    listed = [
        ("NTFS root folder record", "ntfs_4k", [parts["ntfs_4k"]["root_record"]], "", True),
        ("part of the FAT16 root folder", "fat16", [(parts["fat16"]["root"][0] + 1,) * 2], "", False),
        ("FAT16 allocation tables", "fat16", [parts["fat16"]["fats"]], FAT_UNREADABLE, False),
    ]
    for label, name, bad, warning, same_as_clean in listed:
        mount = os.path.join(work, "mount")
        with bad_sector_mount(helper, images[name], mount, bad) as volume:
            result = run(volume, ["scan", "--all"])
            err = result.stderr.decode(errors="replace").strip()
            if result.status != 0 or not result.stdout:
                failures.add("%s: exit %d with %d bytes listed: %r" % (label, result.status, len(result.stdout), err))
            if same_as_clean and result.stdout != clean_scan(name):
                failures.add("%s: the listing differs from the readable volume's" % label, result)
            if warning:
                if not err.startswith("vtl scan: warning: on the volume '%s' %s;" % (volume, warning)):
                    failures.add("%s: warning %r" % (label, err))
            elif err:
                failures.add("%s: unexpected standard error %r" % (label, err))

    return failures.report("unreadable_e2e")


if __name__ == "__main__":
    sys.exit(main())
