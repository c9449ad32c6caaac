#!/usr/bin/env python3
"""End-to-end check of `vtl recover --all` and `vtl list` on the committed
FAT and NTFS fixtures.

    recover_e2e.py DATA_DIR WORK_DIR VTL [WINE]

For every image with a manifest: `vtl recover IMAGE --all --to OUT` must
write every intact deleted file at its path below OUT with its exact bytes
and its modification time, write no live file, and leave the image as it
was; a second run into the same OUT keeps the files there and writes the
new ones under "(1)" names. `vtl list --json` must sort and filter its rows
as the window does. With WINE, VTL is the Windows program run under it.
"""
import calendar
import glob
import json
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from vtl_e2e import Failures, Vtl, read_manifest, sha256_file, unpack_image  # noqa: E402


def numbered(path):
    base, ext = os.path.splitext(path)
    return base + "(1)" + ext


def main():
    data_dir, work_dir, program = sys.argv[1:4]
    wine = sys.argv[4] if len(sys.argv) > 4 else None
    os.makedirs(work_dir, exist_ok=True)
    vtl = Vtl(program, wine, timeout=600)
    host_path = vtl.host_path

    failures = Failures(vtl)
    manifests = sorted(glob.glob(os.path.join(data_dir, "*", "*.manifest")))
    for manifest in manifests:
        name = os.path.basename(manifest)[:-len(".manifest")]
        read = read_manifest(manifest)
        entries, expect_exit = read.files(), read.expected_exit
        image = unpack_image(manifest[:-len(".manifest")] + ".img.gz", os.path.join(work_dir, name + ".img"))
        before = sha256_file(image)
        out = os.path.join(work_dir, name + "_out")
        shutil.rmtree(out, ignore_errors=True)
        log = os.path.join(work_dir, name + ".log")
        volume = host_path(image)

        def vtl_run(*args):
            return vtl.run(*args, log=log, quiet=True)

        first = vtl_run("recover", volume, "--all", "--to", host_path(out))
        if expect_exit is not None:
            if first.status != expect_exit:
                failures.add("%s: recover exited %d, expected %d" % (name, first.status, expect_exit))
            continue
        if first.status not in (0, 1):
            failures.add("%s: recover exited %d: %s" % (name, first.status, first.err))
            continue
        scan = vtl_run("scan", volume, "--json")
        modified = {e["path"]: e["modified"] for e in json.loads(scan.out)}

        def local(vpath):
            return os.path.join(out, *vpath.strip("\\").split("\\"))

        checked = 0
        deleted_paths = {e.path for e in entries if e.state == "deleted"}
        for e in entries:
            state, vpath, size, sha, intact = e.state, e.path, e.size, e.sha, e.intact
            target = local(vpath)
            if state != "deleted":  # live, or lost to the scan
                if vpath not in deleted_paths and os.path.exists(target):
                    failures.add("%s: %s file %s was written" % (name, state, vpath), first)
                continue
            if not os.path.isfile(target):
                failures.add("%s: %s was not recovered" % (name, vpath), first)
                continue
            if os.path.getsize(target) != size:
                failures.add("%s: %s has %d bytes, expected %d" % (name, vpath, os.path.getsize(target), size), first)
            if intact and sha256_file(target) != sha:
                failures.add("%s: %s has other bytes" % (name, vpath), first)
            stamp = modified.get(vpath)
            if stamp:
                want = calendar.timegm(time.strptime(stamp, "%Y-%m-%dT%H:%M:%SZ"))
                if abs(os.path.getmtime(target) - want) > 2:
                    failures.add("%s: %s modified %s, expected %s" % (name, vpath, os.path.getmtime(target), stamp),
                                 first)
            checked += 1

        # Again into the same folder: what is there stays, the new copies are numbered.
        second = vtl_run("recover", volume, "--all", "--to", host_path(out))
        if second.status != first.status:
            failures.add("%s: second recover exited %d" % (name, second.status))
        for e in entries:
            state, vpath, sha, intact = e.state, e.path, e.sha, e.intact
            # A name that is already as long as a name may be takes a
            # temporary name instead of a numbered one.
            if state != "deleted" or not intact or len(os.path.basename(numbered(local(vpath))).encode()) > 255:
                continue
            if sha256_file(local(vpath)) != sha or not os.path.isfile(numbered(local(vpath))) or \
                    sha256_file(numbered(local(vpath))) != sha:
                failures.add("%s: %s and its numbered copy differ from the manifest" % (name, vpath))

        if sha256_file(image) != before:
            failures.add("%s: the image changed" % name)

        # The list of the first folder that holds deleted files, sorted by size.
        folders = sorted({vpath.rsplit("\\", 1)[0] for vpath in deleted_paths if vpath.count("\\") > 1})
        if folders:
            listed = vtl_run("list", volume, folders[0], "--sort", "size:desc", "--json")
            rows = json.loads(listed.out) if listed.status == 0 else None
            if rows is None:
                failures.add("%s: list %s exited %d" % (name, folders[0], listed.status))
            else:
                sizes = [int(r["size"].split()[0]) for r in rows]
                if sizes != sorted(sizes, reverse=True) or not rows or not rows[0]["up"] and not any(r["up"] for r in rows):
                    failures.add("%s: list %s is not sorted by size or has no up entry" % (name, folders[0]))
                only_bin = vtl_run("list", volume, folders[0], "--files", "*.bin", "--json")
                for row in json.loads(only_bin.out):
                    if not row["is_dir"] and not row["name"].lower().endswith(".bin") and ".bin" not in row["name"].lower():
                        failures.add("%s: the filter *.bin listed %s" % (name, row["name"]))
        print("%s: %d recovered files checked" % (name, checked))

    return failures.report()


if __name__ == "__main__":
    sys.exit(main())
