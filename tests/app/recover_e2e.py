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
import gzip
import hashlib
import json
import os
import shutil
import subprocess
import sys
import time


def sha256_file(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def read_manifest(path):
    """(state, path, size, sha, intact) per file; intact means the bytes must match."""
    entries, expect_exit = [], None
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("# exit "):
                expect_exit = int(line.split()[2])
            if line.startswith("#") or not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            if len(fields) == 7:  # FAT: state path name kind size sha check
                state, vpath, _, kind, size, sha, check = fields
                if kind != "file":
                    continue
                entries.append((state, vpath, int(size), sha, check == "exact"))
            else:  # NTFS: state path size sha condition
                state, vpath, size, sha, condition = fields
                entries.append((state, vpath, int(size), sha, condition == "Good"))
    return entries, expect_exit


def numbered(path):
    base, ext = os.path.splitext(path)
    return base + "(1)" + ext


def main():
    data_dir, work_dir, vtl = sys.argv[1:4]
    wine = sys.argv[4] if len(sys.argv) > 4 else None
    os.makedirs(work_dir, exist_ok=True)

    def host_path(path):
        return "Z:" + os.path.abspath(path).replace("/", "\\") if wine else path

    def vtl_run(*args):
        cmd = ([wine, vtl] if wine else [vtl]) + list(args)
        return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)

    failures = []
    manifests = sorted(glob.glob(os.path.join(data_dir, "*", "*.manifest")))
    for manifest in manifests:
        name = os.path.basename(manifest)[:-len(".manifest")]
        entries, expect_exit = read_manifest(manifest)
        image = os.path.join(work_dir, name + ".img")
        with gzip.open(manifest[:-len(".manifest")] + ".img.gz", "rb") as src, open(image, "wb") as dst:
            shutil.copyfileobj(src, dst)
        before = sha256_file(image)
        out = os.path.join(work_dir, name + "_out")
        shutil.rmtree(out, ignore_errors=True)
        log = host_path(os.path.join(work_dir, name + ".log"))
        volume = host_path(image)

        first = vtl_run("recover", volume, "--all", "--to", host_path(out), "--log", log, "-q")
        if expect_exit is not None:
            if first.returncode != expect_exit:
                failures.append("%s: recover exited %d, expected %d" % (name, first.returncode, expect_exit))
            continue
        if first.returncode not in (0, 1):
            failures.append("%s: recover exited %d: %s" % (name, first.returncode, first.stderr.decode(errors="replace")))
            continue
        scan = vtl_run("scan", volume, "--json", "--log", log, "-q")
        modified = {e["path"]: e["modified"] for e in json.loads(scan.stdout.decode("utf-8"))}

        def local(vpath):
            return os.path.join(out, *vpath.strip("\\").split("\\"))

        checked = 0
        deleted_paths = {e[1] for e in entries if e[0] == "deleted"}
        for state, vpath, size, sha, intact in entries:
            target = local(vpath)
            if state != "deleted":  # live, or lost to the scan
                if vpath not in deleted_paths and os.path.exists(target):
                    failures.append("%s: %s file %s was written" % (name, state, vpath))
                continue
            if not os.path.isfile(target):
                failures.append("%s: %s was not recovered" % (name, vpath))
                continue
            if os.path.getsize(target) != size:
                failures.append("%s: %s has %d bytes, expected %d" % (name, vpath, os.path.getsize(target), size))
            if intact and sha256_file(target) != sha:
                failures.append("%s: %s has other bytes" % (name, vpath))
            stamp = modified.get(vpath)
            if stamp:
                want = calendar.timegm(time.strptime(stamp, "%Y-%m-%dT%H:%M:%SZ"))
                if abs(os.path.getmtime(target) - want) > 2:
                    failures.append("%s: %s modified %s, expected %s" % (name, vpath, os.path.getmtime(target), stamp))
            checked += 1

        # Again into the same folder: what is there stays, the new copies are numbered.
        second = vtl_run("recover", volume, "--all", "--to", host_path(out), "--log", log, "-q")
        if second.returncode != first.returncode:
            failures.append("%s: second recover exited %d" % (name, second.returncode))
        for state, vpath, size, sha, intact in entries:
            # A name that is already as long as a name may be takes a
            # temporary name instead of a numbered one.
            if state != "deleted" or not intact or len(os.path.basename(numbered(local(vpath))).encode()) > 255:
                continue
            if sha256_file(local(vpath)) != sha or not os.path.isfile(numbered(local(vpath))) or \
                    sha256_file(numbered(local(vpath))) != sha:
                failures.append("%s: %s and its numbered copy differ from the manifest" % (name, vpath))

        if sha256_file(image) != before:
            failures.append("%s: the image changed" % name)

        # The list of the first folder that holds deleted files, sorted by size.
        folders = sorted({vpath.rsplit("\\", 1)[0] for vpath in deleted_paths if vpath.count("\\") > 1})
        if folders:
            listed = vtl_run("list", volume, folders[0], "--sort", "size:desc", "--json", "--log", log, "-q")
            rows = json.loads(listed.stdout.decode("utf-8")) if listed.returncode == 0 else None
            if rows is None:
                failures.append("%s: list %s exited %d" % (name, folders[0], listed.returncode))
            else:
                sizes = [int(r["size"].split()[0]) for r in rows]
                if sizes != sorted(sizes, reverse=True) or not rows or not rows[0]["up"] and not any(r["up"] for r in rows):
                    failures.append("%s: list %s is not sorted by size or has no up entry" % (name, folders[0]))
                only_bin = vtl_run("list", volume, folders[0], "--files", "*.bin", "--json", "--log", log, "-q")
                for row in json.loads(only_bin.stdout.decode("utf-8")):
                    if not row["is_dir"] and not row["name"].lower().endswith(".bin") and ".bin" not in row["name"].lower():
                        failures.append("%s: the filter *.bin listed %s" % (name, row["name"]))
        print("%s: %d recovered files checked" % (name, checked))

    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
