#!/usr/bin/env python3
"""`vtl recover` where not everything can be recovered whole: an image cut
short, a destination disk that fills up, unreadable sectors, destinations
that cannot be written.

    incomplete_e2e.py DATA_DIR WORK_DIR VTL BAD_SECTOR_FUSE

In every case each deleted file of the manifest either lands at its path
with its exact bytes or is named on standard error; no file cut short is
left under its own name; the exit status is 1; the image never changes.
The full-disk case needs root (a small tmpfs) and the unreadable-sector
case FUSE (BAD_SECTOR_FUSE, the test helper); each is skipped without them,
and the whole test exits 77 when both were skipped.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import bad_sectors  # noqa: E402  (the FUSE test helper's module)
from vtl_e2e import Failures, Vtl, read_manifest, sha256_file, unpack_image  # noqa: E402

SKIP = bad_sectors.SKIP


def unpack(data_dir, fixture, image):
    unpack_image(os.path.join(data_dir, fixture + ".img.gz"), image)


def file_entries(data_dir, fixture):
    """(state, path, size, sha, intact) of every file in the fixture's manifest."""
    manifest = read_manifest(os.path.join(data_dir, fixture + ".manifest"))
    return [(e.state, e.path, e.size, e.sha, e.intact) for e in manifest.files()]


def recover(vtl, image, out, log):
    run = vtl.run("recover", image, "--all", "--to", out, log=log, quiet=True)
    return run.status, run.err


def local(out, vpath):
    return os.path.join(out, *vpath.strip("\\").split("\\"))


def check_every_loss_named(label, entries, out, code, stderr, failures):
    """Deleted intact files: exact at their path, or named on stderr. Returns how many were named."""
    named = 0
    for state, vpath, size, sha, intact in entries:
        if state != "deleted" or not intact:
            continue
        target = local(out, vpath)
        if os.path.isfile(target) and sha256_file(target) == sha:
            continue
        if vpath in stderr:
            named += 1
            # Whatever stays under the entry's own name has its full size;
            # a cut-short file takes the ".partial" name.
            if os.path.isfile(target) and os.path.getsize(target) != size:
                failures.add("%s: %s is cut short under its own name" % (label, vpath))
        else:
            failures.add("%s: %s is not recovered exactly and not named: %s" % (label, vpath, stderr[-2000:]))
    for folder, _, files in os.walk(out):
        for name in files:
            path = os.path.join(folder, name)
            if name.endswith(".partial") and path not in stderr:
                failures.add("%s: the partial file %s is not named" % (label, path))
    if named and code != 1:
        failures.add("%s: exit status %d with %d incomplete files, expected 1" % (label, code, named))
    return named


def truncated_image(data_dir, work, vtl, failures):
    """An image that ends early: the files past its end are named, with their byte ranges."""
    for fixture, keep_bytes in (("ntfs/ntfs_4k", 6 * 1024 * 1024), ("fat/fat16_truncated", None)):
        label = "truncated " + fixture
        image = os.path.join(work, os.path.basename(fixture) + ".img")
        unpack(data_dir, fixture, image)
        if keep_bytes is not None:
            os.truncate(image, keep_bytes)
        before = sha256_file(image)
        out = os.path.join(work, os.path.basename(fixture) + "_out")
        entries = file_entries(data_dir, fixture)
        if fixture.startswith("fat/"):
            # The fixture's big file lies past the end; the manifest has no sum that could match.
            entries = [(s, v, n, h, True) if v == "\\Data\\_eleted big.bin" else (s, v, n, h, i)
                       for s, v, n, h, i in entries]
        code, stderr = recover(vtl, image, out, os.path.join(work, "truncated.log"))
        named = check_every_loss_named(label, entries, out, code, stderr, failures)
        if named == 0:
            failures.add("%s: no file was named as incomplete: %s" % (label, stderr))
        if "could not be read" not in stderr or "bytes " not in stderr:
            failures.add("%s: the unreadable byte ranges are not given: %s" % (label, stderr))
        if sha256_file(image) != before:
            failures.add("%s: the image changed" % label)
        print("%s: exit %d, %d files named as incomplete" % (label, code, named))


def full_disk(data_dir, work, vtl, failures):
    """A destination of 1 MiB: every file that did not fit is named, none is left cut short."""
    if os.geteuid() != 0:
        print("full disk: skipped (needs root to mount a tmpfs)")
        return False
    small = os.path.join(work, "small")
    os.makedirs(small, exist_ok=True)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", small], stderr=subprocess.DEVNULL).returncode:
        print("full disk: skipped (tmpfs cannot be mounted here)")
        return False
    try:
        image = os.path.join(work, "ntfs_4k_full.img")
        unpack(data_dir, "ntfs/ntfs_4k", image)
        before = sha256_file(image)
        out = os.path.join(small, "b")
        entries = file_entries(data_dir, "ntfs/ntfs_4k")
        code, stderr = recover(vtl, image, out, os.path.join(work, "full.log"))
        named = check_every_loss_named("full disk", entries, out, code, stderr, failures)
        if named == 0 or "not enough disk space" not in stderr:
            failures.add("full disk: no file was named as not fitting: %s" % stderr)
        if "successfully recovered" in stderr:
            failures.add("full disk: an incomplete folder is called a success: %s" % stderr)
        if sha256_file(image) != before:
            failures.add("full disk: the image changed")
        print("full disk: exit %d, %d files named as incomplete" % (code, named))
    finally:
        subprocess.run(["umount", small])
    return True


def find_sector_of(image, data):
    """The first 512-byte sector of `image` that starts with `data`, or None."""
    with open(image, "rb") as f:
        sector = 0
        while True:
            block = f.read(512)
            if len(block) < 512:
                return None
            if block.startswith(data):
                return sector
            sector += 1


def unreadable_sectors(data_dir, work, vtl, helper, failures):
    """One bad sector inside a deleted file: zeros at exactly its bytes, and the file named with them."""
    image = os.path.join(work, "ntfs_4k_bad.img")
    unpack(data_dir, "ntfs/ntfs_4k", image)
    entries = file_entries(data_dir, "ntfs/ntfs_4k")
    vpath = "\\old\\inner\\c.txt"
    size = next(e[2] for e in entries if e[1] == vpath)
    good_out = os.path.join(work, "good_out")
    recover(vtl, image, good_out, os.path.join(work, "bad.log"))
    with open(local(good_out, vpath), "rb") as f:
        original = f.read()
    first = find_sector_of(image, original[:512])
    if first is None or len(original) != size:
        failures.add("unreadable sectors: %s cannot be found in the image" % vpath)
        return True
    bad = first + 1  # the file's bytes 512-1023
    before = sha256_file(image)
    mount_dir = os.path.join(work, "bad_mount")
    try:
        with bad_sectors.bad_sector_mount(helper, image, mount_dir, [bad]) as failing_file:
            out = os.path.join(work, "bad_out")
            code, stderr = recover(vtl, failing_file, out, os.path.join(work, "bad.log"))
    except SystemExit as skipped:
        if skipped.code == SKIP:
            print("unreadable sectors: skipped (no FUSE here)")
            return False
        raise
    target = local(out, vpath)
    want = original[:512] + bytes(512) + original[1024:]
    if not os.path.isfile(target) or open(target, "rb").read() != want:
        failures.add("unreadable sectors: %s does not hold zeros at exactly the bad sector" % vpath)
    if code != 1:
        failures.add("unreadable sectors: exit status %d, expected 1" % code)
    if vpath not in stderr or "bytes 512-1023" not in stderr:
        failures.add("unreadable sectors: %s and its bytes 512-1023 are not named: %s" % (vpath, stderr))
    check_every_loss_named("unreadable sectors", entries, out, code, stderr, failures)
    if sha256_file(image) != before:
        failures.add("unreadable sectors: the image changed")
    print("unreadable sectors: exit %d" % code)
    return True


def run_vtl(vtl, *args, log):
    run = vtl.run(*args, log=log)
    return run.status, run.stdout.decode("utf-8", errors="replace"), run.err


def unwritable_destinations(data_dir, work, vtl, failures):
    """A destination that cannot take the files: the path and the reason are said, the status is 1."""
    image = os.path.join(work, "ntfs_4k_dest.img")
    unpack(data_dir, "ntfs/ntfs_4k", image)
    log = os.path.join(work, "dest.log")
    entry = "\\docs\\readme.txt"
    cases = []
    a_file = os.path.join(work, "a_file")
    with open(a_file, "w") as f:
        f.write("not a folder")
    cases.append(("a file as destination", a_file, "cannot create the destination folder '%s'" % a_file))
    too_long = os.path.join(work, "x" * 300)
    cases.append(("a folder name too long", too_long, "too long"))
    for label, destination, expected in cases:
        code, _, stderr = run_vtl(vtl, "recover", image, entry, "--to", destination, log=log)
        if code != 1 or expected not in stderr:
            failures.add("%s: exit %d, stderr %r; expected 1 and %r" % (label, code, stderr, expected))
    if os.geteuid() == 0:
        read_only = os.path.join(work, "read_only")
        os.makedirs(read_only)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "ro,size=1m", "tmpfs", read_only],
                          stderr=subprocess.DEVNULL).returncode == 0:
            try:
                code, _, stderr = run_vtl(vtl, "recover", image, entry, "--to", read_only, log=log)
                target = os.path.join(read_only, "readme.txt")
                if code != 1 or target not in stderr or "write protected" not in stderr:
                    failures.add("read-only destination: exit %d, stderr %r" % (code, stderr))
            finally:
                subprocess.run(["umount", read_only])
    # An entry skipped because its name is taken is said, not silently dropped.
    out = os.path.join(work, "dest_out")
    os.makedirs(out)
    with open(os.path.join(out, "readme.txt"), "w") as f:
        f.write("mine")
    code, stdout, _ = run_vtl(vtl, "recover", image, entry, "--to", out, "--overwrite", "no", log=log)
    if code != 0 or "Skipped 'readme.txt'" not in stdout or open(os.path.join(out, "readme.txt")).read() != "mine":
        failures.add("--overwrite no: exit %d, stdout %r" % (code, stdout))
    print("unwritable destinations: checked")


def no_scratch_file(data_dir, work, vtl, failures):
    """A compressed file with nowhere to expand it: the file is named with the reason."""
    image = os.path.join(work, "ntfs_512_scratch.img")
    unpack(data_dir, "ntfs/ntfs_512", image)
    out = os.path.join(work, "scratch_out")
    env = dict(os.environ, HOME="/dev/null", TMPDIR="/dev/null/tmp")
    env.pop("XDG_DATA_HOME", None)
    run = vtl.run("recover", image, "\\frag\\packed\\split.txt", "--to", out, log=os.path.join(work, "scratch.log"),
                  env=env)
    stderr = run.err
    if run.status != 1 or "\\frag\\packed\\split.txt" not in stderr or "no scratch file" not in stderr:
        failures.add("no scratch file: exit %d, stderr %r" % (run.status, stderr))
    print("no scratch file: exit %d" % run.status)


def main():
    data_dir, work, program, helper = sys.argv[1:5]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    vtl = Vtl(program)
    failures = Failures(vtl)
    truncated_image(data_dir, work, vtl, failures)
    unwritable_destinations(data_dir, work, vtl, failures)
    no_scratch_file(data_dir, work, vtl, failures)
    ran_full = full_disk(data_dir, work, vtl, failures)
    ran_bad = unreadable_sectors(data_dir, work, vtl, helper, failures)
    if failures.report("incomplete_e2e"):
        return 1
    return 0 if ran_full or ran_bad else SKIP


if __name__ == "__main__":
    sys.exit(main())
