#!/usr/bin/env python3
"""End-to-end check of `vtl scan --json` and `vtl cat` on the NTFS fixtures.

    ntfs_e2e.py DATA_DIR WORK_DIR VTL [WINE]

Every image of DATA_DIR/ntfs is decompressed into WORK_DIR. The scan must
list every deleted file of the image's manifest at its path, with its size
and condition, and every live file with --all; `vtl cat` must give the
exact bytes of every deleted file rated "Good" and of the live files. With
WINE, VTL is the Windows program and runs under it, given Windows paths.
"""
import glob
import gzip
import hashlib
import json
import os
import shutil
import subprocess
import sys


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
    manifests = sorted(glob.glob(os.path.join(data_dir, "ntfs", "*.manifest")))
    if not manifests:
        print("no NTFS fixtures found in", data_dir)
        return 1
    for manifest in manifests:
        name = os.path.basename(manifest)[:-len(".manifest")]
        image = os.path.join(work_dir, name + ".img")
        with gzip.open(os.path.join(data_dir, "ntfs", name + ".img.gz"), "rb") as src, open(image, "wb") as dst:
            shutil.copyfileobj(src, dst)
        log = host_path(os.path.join(work_dir, name + ".log"))
        volume = host_path(image)

        entries = []
        with open(manifest, encoding="utf-8") as f:
            for line in f:
                if line.startswith("#") or not line.strip():
                    continue
                state, path, size, sha, condition = line.rstrip("\n").split("\t")
                entries.append((state, path, int(size), sha, condition))

        result = vtl_run("scan", volume, "--all", "--json", "--log", log, "-q")
        if result.returncode != 0:
            failures.append("%s: scan exited %d: %s" % (name, result.returncode, result.stderr.decode(errors="replace")))
            continue
        listed = json.loads(result.stdout.decode("utf-8"))
        by_path = {}
        for entry in listed:
            by_path.setdefault(entry["path"], []).append(entry)

        for state, path, size, sha, condition in entries:
            found = [e for e in by_path.get(path, []) if e["deleted"] == (state == "deleted") and not e["is_dir"]]
            if not found:
                failures.append("%s: %s %s not listed" % (name, state, path))
                continue
            entry = found[0]
            if entry["size"] != size:
                failures.append("%s: %s size %d, expected %d" % (name, path, entry["size"], size))
            if state == "deleted" and entry["condition"] != condition:
                failures.append("%s: %s condition %s, expected %s" % (name, path, entry["condition"], condition))
            if state == "deleted" and condition != "Good":
                continue
            cat = vtl_run("cat", volume, "#%d" % entry["key"], "--log", log, "-q")
            digest = hashlib.sha256(cat.stdout).hexdigest()
            if cat.returncode != 0 or digest != sha:
                failures.append("%s: cat %s gave %d bytes (exit %d), sha256 %s, expected %s" %
                                (name, path, len(cat.stdout), cat.returncode, digest, sha))

        # The same lookup by path, as a user types it, with '/' separators.
        deleted_good = [e for e in entries if e[0] == "deleted" and e[4] == "Good"]
        if deleted_good:
            state, path, size, sha, condition = deleted_good[0]
            cat = vtl_run("cat", volume, path.replace("\\", "/"), "--log", log, "-q")
            if hashlib.sha256(cat.stdout).hexdigest() != sha:
                failures.append("%s: cat by path %s gave other bytes" % (name, path))
        print("%s: %d entries checked" % (name, len(entries)))

    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
