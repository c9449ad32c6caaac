#!/usr/bin/env python3
"""`vtl cat` of a compressed NTFS file for a user whose folders are not made yet.

    fresh_home_e2e.py DATA_DIR WORK_DIR VTL

Compressed files are expanded into a scratch folder under the user's
application-data folder. For a new user (an empty HOME, as in a fresh
container) the whole path is made there; where it cannot be made (a file
stands where a folder should) the system temporary folder serves instead.
Either way the file comes out whole.
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from vtl_e2e import Failures, Vtl, read_manifest, sha256, unpack_image  # noqa: E402

IMAGE = "ntfs_512"
ENTRY = "\\frag\\packed\\split.txt"


def main():
    data_dir, work, program = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    vtl = Vtl(program)
    failures = Failures(vtl)
    image = unpack_image(os.path.join(data_dir, "ntfs", IMAGE + ".img.gz"), os.path.join(work, IMAGE + ".img"))
    sums = [e.sha for e in read_manifest(os.path.join(data_dir, "ntfs", IMAGE + ".manifest")).entries
            if e.path == ENTRY]
    if not sums:
        failures.add("%s is not in the manifest" % ENTRY)
        return failures.report()
    sha = sums[0]
    # Without tvcore beside vtl the scratch folder is the temporary one anyway.
    with_tvcore = os.path.exists(os.path.join(os.path.dirname(os.path.abspath(program)), "libtvcore.so"))

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
    for name, home, (base, scratch) in cases:
        tmp = os.path.join(work, "tmp-" + os.path.basename(home))
        os.makedirs(tmp)
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        env.update(HOME=home, TMPDIR=tmp)
        run = vtl.run("cat", image, ENTRY, log=os.path.join(work, name.replace(" ", "_") + ".log"), env=env)
        digest = sha256(run.stdout)
        if run.status != 0 or digest != sha:
            failures.add("%s: cat gave %d bytes (exit %d), sha256 %s, expected %s; stderr %r" %
                         (name, len(run.stdout), run.status, digest, sha, run.err))
        folder = os.path.join(home if base == "home" else tmp, scratch)
        if not os.path.isdir(folder):
            failures.add("%s: no scratch folder %s" % (name, folder))
    # Neither the user folder nor the temporary folder can take a scratch
    # file: cat names that as the reason its output falls short.
    tmp_file = os.path.join(work, "tmp-is-a-file")
    with open(tmp_file, "w") as f:
        f.write("a file where the temporary folder should be\n")
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    env.update(HOME=blocked_home, TMPDIR=os.path.join(tmp_file, "tmp"))
    run = vtl.run("cat", image, ENTRY, log=os.path.join(work, "no_scratch.log"), env=env)
    if run.status != 1 or "no scratch file could be created" not in run.err:
        failures.add("no scratch folder anywhere: cat exited %d, stderr %r" % (run.status, run.err))
    return failures.report("fresh_home_e2e")


if __name__ == "__main__":
    sys.exit(main())
