#!/usr/bin/env python3
"""`vtl cat` of a compressed NTFS file for a user whose folders are not made yet.

    fresh_home_e2e.py DATA_DIR WORK_DIR VTL

Compressed files are expanded into a scratch folder under the user's
application-data folder. For a new user (an empty HOME, as in a fresh
container) the whole path is made there; where it cannot be made (a file
stands where a folder should) the system temporary folder serves instead.
Either way the file comes out whole.
"""
import gzip
import hashlib
import os
import shutil
import subprocess
import sys

IMAGE = "ntfs_512"
ENTRY = "\\frag\\packed\\split.txt"


def expected_sha(manifest):
    with open(manifest, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if len(fields) == 5 and fields[1] == ENTRY:
                return fields[3]
    return None


def main():
    data_dir, work, vtl = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    image = os.path.join(work, IMAGE + ".img")
    with gzip.open(os.path.join(data_dir, "ntfs", IMAGE + ".img.gz"), "rb") as src, open(image, "wb") as dst:
        shutil.copyfileobj(src, dst)
    sha = expected_sha(os.path.join(data_dir, "ntfs", IMAGE + ".manifest"))
    if sha is None:
        print("FAIL: %s is not in the manifest" % ENTRY)
        return 1
    # Without tvcore beside vtl the scratch folder is the temporary one anyway.
    with_tvcore = os.path.exists(os.path.join(os.path.dirname(os.path.abspath(vtl)), "libtvcore.so"))

    fresh_home = os.path.join(work, "fresh")
    blocked_home = os.path.join(work, "blocked")
    os.makedirs(fresh_home)
    os.makedirs(blocked_home)
    with open(os.path.join(blocked_home, ".local"), "w") as f:
        f.write("a file where the folder should be\n")
    product = os.path.join(".local", "share", "Vardelin", "vtl", "qzx_temp")
    # name, HOME, where the scratch folder must be afterwards (relative to HOME or TMPDIR)
    cases = [
        ("fresh user", fresh_home, ("home", product) if with_tvcore else ("tmp", "qzx_temp")),
        ("user folder cannot be made", blocked_home, ("tmp", "qzx_temp")),
    ]
    failures = []
    for name, home, (base, scratch) in cases:
        tmp = os.path.join(work, "tmp-" + os.path.basename(home))
        os.makedirs(tmp)
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        env.update(HOME=home, TMPDIR=tmp)
        run = subprocess.run([vtl, "cat", image, ENTRY, "--log", os.path.join(work, name.replace(" ", "_") + ".log")],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, timeout=300)
        digest = hashlib.sha256(run.stdout).hexdigest()
        if run.returncode != 0 or digest != sha:
            failures.append("%s: cat gave %d bytes (exit %d), sha256 %s, expected %s; stderr %r" %
                            (name, len(run.stdout), run.returncode, digest, sha, run.stderr.decode(errors="replace")))
        folder = os.path.join(home if base == "home" else tmp, scratch)
        if not os.path.isdir(folder):
            failures.append("%s: no scratch folder %s" % (name, folder))
    for failure in failures:
        print("FAIL:", failure)
    print("fresh_home_e2e: %s" % ("FAILED" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
