#!/usr/bin/env python3
"""What vtl prints and how it ends when names or outputs are awkward.

    messages_e2e.py DATA_DIR WORK_DIR VTL

Works on copies of the committed fixtures fat12_floppy and ntfs_4k:
- names holding control characters (an ESC in an NTFS name; DEL and the C1
  character U+009B in FAT long names, as FAT refuses names with bytes below
  0x20) are shown escaped as <XX> by `scan` and `list`, never raw, while
  --json keeps its own escapes and a recovered file keeps its real name;
- a --log file that cannot be created is a warning and the command runs;
- `cat` into a full disk (/dev/full) is a write failure;
- `dump-mft --out` makes a missing folder, and tells a volume that is not
  NTFS apart from a folder that cannot be made.
"""
import json
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from vtl_e2e import Failures, Vtl, unpack_fixture  # noqa: E402

# Byte offsets in the fixtures of the UTF-16 characters patched below.
FAT_ROOT = 19 * 512          # fat12_floppy: 1 reserved sector, 2 FATs of 9
LIVE_LFN = FAT_ROOT + 3 * 32  # long-name entry "Long File Nam" of \Long File Name.txt
DELETED_LFN = FAT_ROOT + 11 * 32  # long-name entry of the deleted \_eport.doc

failures = Failures()
check = failures.check


def patch_utf16(path, offset, char):
    with open(path, "r+b") as f:
        f.seek(offset)
        f.write(chr(char).encode("utf-16-le"))


def make_control_name_images(data_dir, work):
    fat = unpack_fixture(data_dir, "fat12_floppy", work)
    # "Long File Name.txt" becomes "Long<DEL>File<U+009B>Name.txt": the two
    # spaces are characters 4 and 9 of the entry (offsets 1 + 2*4 and 14 + 2*4).
    patch_utf16(fat, LIVE_LFN + 9, 0x7F)
    patch_utf16(fat, LIVE_LFN + 22, 0x9B)
    # The deleted "Report.doc" becomes "_e<U+009B>ort.doc" (character 2).
    patch_utf16(fat, DELETED_LFN + 5, 0x9B)

    ntfs = unpack_fixture(data_dir, "ntfs_4k", work)
    with open(ntfs, "r+b") as f:
        data = bytearray(f.read())
        name = "poor.bin".encode("utf-16-le")
        places = []
        at = data.find(name)
        while at != -1:
            places.append(at)
            at = data.find(name, at + 1)
        check(len(places) >= 1, "ntfs_4k holds no name poor.bin to patch")
        # The record's $FILE_NAME and the folder's index entry: "p<ESC>or.bin".
        for at in places:
            data[at + 2:at + 4] = b"\x1b\x00"
        f.seek(0)
        f.write(data)
    return fat, ntfs


def raw_controls(data):
    """The control bytes and C1 characters in `data`, which must never reach a terminal."""
    text = data.decode("utf-8", errors="replace")
    return [c for c in text if (ord(c) < 0x20 and c != "\n") or 0x7F <= ord(c) <= 0x9F]


def test_control_names(vtl, fat, ntfs, work, log):
    # the image, the command, the text it must show, or the name its --json
    # must give back whole
    cases = [
        (ntfs, ["scan"], "\\reuse\\p<1B>or.bin", None),
        (ntfs, ["scan", "--json"], '"name":"p\\u001bor.bin"', "p\x1bor.bin"),
        (ntfs, ["list", "\\reuse"], "p<1B>or.bin", None),
        (fat, ["scan", "--all"], "\\Long<7F>File<9B>Name.txt", None),
        (fat, ["scan"], "\\_e<9B>ort.doc", None),
        (fat, ["list"], "_e<9B>ort.doc", None),
        (fat, ["list", "--json"], None, "_e\u009bort.doc"),
    ]
    for image, args, shown, json_name in cases:
        label = "%s %s" % (" ".join(args), os.path.basename(image))
        result = vtl.run(args[0], image, *args[1:], log=log, quiet=True)
        check(result.status == 0, "%s exited %d: %s" % (label, result.status, result.stderr))
        out = result.stdout.decode("utf-8", errors="replace")
        if shown is not None:
            check(shown in out, "%s does not show %r:\n%s" % (label, shown, out))
        if json_name is None:
            check(not raw_controls(result.stdout), "%s prints raw control characters" % label)
        else:
            names = [row["name"] for row in json.loads(out)]
            check(json_name in names, "%s gives the names %r" % (label, names))

    # The file written keeps its real name, U+009B and all.
    out = os.path.join(work, "recovered")
    shutil.rmtree(out, ignore_errors=True)
    result = vtl.run("recover", fat, "\\_e\u009bort.doc", "--to", out, log=log, quiet=True)
    check(result.status == 0, "recover of the C1 name exited %d: %s" % (result.status, result.stderr))
    check(os.path.isdir(out) and os.listdir(out) == ["_e\u009bort.doc"],
          "recovered names: %s" % (os.listdir(out) if os.path.isdir(out) else "none"))


def one_line(stderr):
    return stderr.decode(errors="replace").strip()


def test_log_that_cannot_be_created(vtl, fat, work):
    log = os.path.join(work, "no such folder", "vtl.log")
    result = vtl.run("probe", fat, log=log)
    err = one_line(result.stderr)
    check(result.status == 0 and result.stdout == b"FAT12\n",
          "probe with an impossible --log exited %d with %r" % (result.status, result.stdout))
    check(err.startswith("vtl: cannot create the log file '%s': " % log) and err.endswith("; no log is written")
          and "\n" not in err, "impossible --log warned %r" % err)
    check(not os.path.exists(os.path.dirname(log)), "the log's folder was made")


def test_cat_into_full_disk(vtl, fat, log):
    if not os.path.exists("/dev/full"):
        print("no /dev/full: the full-disk cases of cat are left out")
        return
    # A small file shows the failure only when standard output is flushed,
    # a larger one at the write itself.
    for entry in ["\\README.TXT", "\\Docs\\Sub\\DEEP.BIN"]:
        with open("/dev/full", "wb") as full:
            result = vtl.run("cat", fat, entry, log=log, stdout=full)
        err = one_line(result.stderr)
        check(result.status == 1, "cat %s > /dev/full exited %d" % (entry, result.status))
        check(err.startswith("vtl cat: cannot write '%s' to standard output: " % entry) and "\n" not in err,
              "cat %s > /dev/full said %r" % (entry, err))


def test_dump_mft_folders(vtl, fat, ntfs, work, log):
    missing = os.path.join(work, "dumps", "new", "folder")
    shutil.rmtree(os.path.join(work, "dumps"), ignore_errors=True)
    result = vtl.run("dump-mft", ntfs, "--out", missing, log=log, quiet=True)
    check(result.status == 0, "dump-mft into a missing folder exited %d: %s" % (result.status, result.stderr))
    for name in ["BootDump.hex", "MFTDump.hex"]:
        check(os.path.isfile(os.path.join(missing, name)), "dump-mft did not write %s into the new folder" % name)

    elsewhere = os.path.join(work, "not_made")
    result = vtl.run("dump-mft", fat, "--out", elsewhere, log=log, quiet=True)
    check(result.status == 2 and one_line(result.stderr) == "vtl dump-mft: '%s' is not an NTFS volume" % fat,
          "dump-mft of FAT: %d %r" % (result.status, one_line(result.stderr)))
    check(not os.path.exists(elsewhere), "dump-mft of a FAT volume made its folder")

    blocked = os.path.join(work, "a_file")
    with open(blocked, "w") as f:
        f.write("not a folder")
    result = vtl.run("dump-mft", ntfs, "--out", os.path.join(blocked, "sub"), log=log, quiet=True)
    err = one_line(result.stderr)
    check(result.status == 2 and err.startswith("vtl dump-mft: cannot create the output folder '%s'"
                                                    % os.path.join(blocked, "sub")),
          "dump-mft below a file: %d %r" % (result.status, err))


def main():
    data_dir, work, program = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    vtl = Vtl(program)
    failures.vtl = vtl
    log = os.path.join(work, "vtl.log")
    fat, ntfs = make_control_name_images(data_dir, work)
    test_control_names(vtl, fat, ntfs, work, log)
    test_log_that_cannot_be_created(vtl, fat, work)
    test_cat_into_full_disk(vtl, fat, log)
    test_dump_mft_folders(vtl, fat, ntfs, work, log)
    return failures.report("messages_e2e")


if __name__ == "__main__":
    sys.exit(main())
