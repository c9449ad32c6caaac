#!/usr/bin/env python3
"""End-to-end check of the Recycle Bin names on the fat16_recycler fixture.

    recycle_bin_e2e.py MANIFEST WORK_DIR VTL [WINE]

The user's bin folder holds Dc1.txt, Dc2.doc and Dc3, which INFO2 knows as
report.txt, Отчёт за май.doc and TODO; Dc9.txt, which it does not know;
desktop.ini; INFO2 itself; and _c4.txt, deleted from the bin. `vtl list`
must show the known bin files under their original names with the status
RecBin and hide the rest of the live files, filters must see the original
names and folders, `vtl scan --all --json` must give their original paths,
and `vtl recover` must write nothing for a bin file (it is still on the
volume) while writing the deleted file with its bytes. The image is only
read. With WINE, VTL is the Windows program run under it.
"""
import json
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from vtl_e2e import Failures, Vtl, read_manifest, sha256, sha256_file, unpack_image  # noqa: E402

SID = "S-1-5-21-1004336348-1177238915-682003330-1003"
BIN = "\\RECYCLER\\" + SID
ORIGINAL = {  # bin file -> (listed name, listed folder, original path)
    "Dc1.txt": ("report.txt", "\\Documents and Settings\\anna\\My Documents\\",
                "C:\\Documents and Settings\\anna\\My Documents\\report.txt"),
    "Dc2.doc": ("Отчёт за май.doc", "\\Documents and Settings\\anna\\Мои документы\\",
                "C:\\Documents and Settings\\anna\\Мои документы\\Отчёт за май.doc"),
    "Dc3": ("TODO", "\\Documents and Settings\\anna\\Desktop\\",
            "C:\\Documents and Settings\\anna\\Desktop\\TODO"),
}
DELETED = "_c4.txt"


def main():
    manifest, work_dir, program = sys.argv[1:4]
    wine = sys.argv[4] if len(sys.argv) > 4 else None
    shutil.rmtree(work_dir, ignore_errors=True)
    os.makedirs(work_dir)
    vtl = Vtl(program, wine)
    host_path = vtl.host_path
    failures = Failures(vtl)
    check = failures.check
    log = os.path.join(work_dir, "vtl.log")

    def vtl_run(*args):
        result = vtl.run(*args, log=log)
        return result.status, result.out, result.err

    sizes_and_sums = {e.path: (e.size, e.sha) for e in read_manifest(manifest).files()}
    image = unpack_image(manifest[:-len(".manifest")] + ".img.gz", os.path.join(work_dir, "fat16_recycler.img"))
    before = sha256_file(image)
    volume = host_path(image)

    # Every entry of the volume with its key; the bin files' original paths.
    status, out, err = vtl_run("scan", volume, "--all", "--json", "-q")
    check(status == 0, "scan --all exited %d: %s" % (status, err))
    scanned = {e["path"]: e for e in json.loads(out)} if status == 0 else {}
    for bin_name in ["Dc1.txt", "Dc2.doc", "Dc3", "Dc9.txt", "DESKTOP.INI", "INFO2", DELETED]:
        entry = scanned.get(BIN + "\\" + bin_name)
        if not check(entry is not None, "scan --all does not list %s" % bin_name):
            continue
        want = ORIGINAL[bin_name][2] if bin_name in ORIGINAL else None
        check(entry["original_path"] == want,
              "scan: %s has the original path %r, expected %r" % (bin_name, entry["original_path"], want))
    if failures:
        return failures.report("recycle_bin_e2e")
    key_of = {name: scanned[BIN + "\\" + name]["key"] for name in list(ORIGINAL) + [DELETED]}

    # The bin folder as the window lists it.
    status, out, err = vtl_run("list", volume, BIN, "--json", "-q")
    check(status == 0, "list exited %d: %s" % (status, err))
    rows = [r for r in json.loads(out) if not r["up"]] if status == 0 else []
    listed = {r["name"]: r for r in rows}
    expected = {v[0] for v in ORIGINAL.values()} | {DELETED}
    check(set(listed) == expected, "the bin folder lists %s, expected %s" % (sorted(listed), sorted(expected)))
    for bin_name, (name, folder, _) in ORIGINAL.items():
        row = listed.get(name)
        if check(row is not None, "%s is not listed as %s" % (bin_name, name)):
            check((row["key"], row["status"], row["folder"]) == (key_of[bin_name], "RecBin", folder),
                  "%s is listed as %s" % (bin_name, row))
    row = listed.get(DELETED)
    if row is not None:
        check((row["status"], row["folder"]) == ("Good", BIN + "\\"), "%s is listed as %s" % (DELETED, row))

    status, out, err = vtl_run("list", volume, BIN, "-q")
    check(status == 0 and "report.txt" in out and "RecBin" in out and "Dc1.txt" not in out,
          "the list table does not show report.txt as RecBin:\n" + out)
    check(out.rstrip().endswith("4 deleted structures, 1 files and 0 folders match filter"),
          "the list table ends with another count:\n" + out)

    # Filters see the names and folders from before the bin; a deleted file
    # is matched by its name alone.
    filters = [
        ("report.*", "", {"report.txt"}),
        ("dc*", "", set()),
        ("*.doc", "", {"Отчёт за май.doc"}),
        ("*.", "", {"TODO"}),
        ("*.*", "\\Documents and Settings\\anna\\Desktop", {"TODO", DELETED}),
        ("*.*", "\\Windows", {DELETED}),
    ]
    for files, folders, want in filters:
        status, out, err = vtl_run("list", volume, BIN, "--files", files, "--folders", folders, "--json", "-q")
        got = {r["name"] for r in json.loads(out) if not r["up"]} if status == 0 else None
        check(got == want, "--files %r --folders %r lists %s, expected %s" % (files, folders, got, sorted(want)))

    # A bin file is still on the volume: recovering it writes nothing and
    # reports success under the name the list shows.
    for argument, name in [(BIN + "\\Dc1.txt", "report.txt"), ("#%d" % key_of["Dc2.doc"], "Отчёт за май.doc")]:
        out_dir = os.path.join(work_dir, "bin_out")
        shutil.rmtree(out_dir, ignore_errors=True)
        os.makedirs(out_dir)
        status, out, err = vtl_run("recover", volume, argument, "--to", host_path(out_dir))
        check(status == 0, "recover %s exited %d: %s" % (argument, status, err))
        check("File '%s' was successfully recovered." % name in out, "recover %s printed %r" % (argument, out))
        check(os.listdir(out_dir) == [], "recover %s wrote %s" % (argument, os.listdir(out_dir)))

    # The deleted file in the same folder is written with its bytes.
    out_dir = os.path.join(work_dir, "deleted_out")
    status, out, err = vtl_run("recover", volume, BIN + "\\" + DELETED, "--to", host_path(out_dir))
    check(status == 0, "recover %s exited %d: %s" % (DELETED, status, err))
    check("File '%s' was successfully recovered." % DELETED in out, "recover %s printed %r" % (DELETED, out))
    written = os.path.join(out_dir, DELETED)
    if check(os.path.isfile(written), "recover did not write " + DELETED):
        with open(written, "rb") as f:
            data = f.read()
        check((len(data), sha256(data)) == sizes_and_sums[BIN + "\\" + DELETED],
              "%s was written with other bytes" % DELETED)

    check(sha256_file(image) == before, "the image changed")
    return failures.report("recycle_bin_e2e")


if __name__ == "__main__":
    sys.exit(main())
