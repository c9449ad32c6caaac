#!/usr/bin/env python3
"""`vtl recover` reading a volume as a device, as a user runs it.

    device_e2e.py DATA_DIR WORK_DIR VTL                     (Linux)
    device_e2e.py DATA_DIR WORK_DIR VTL WINE WINEPREFIX     (vtl.exe under Wine)

On Linux the NTFS fixture is attached read-only to a loop device and
mounted with ntfs-3g; on Wine drive D: of the prefix is mapped to it. A
destination on that mounted volume must be refused with the message about
the scanned drive and nothing written; a destination elsewhere gets every
intact deleted file with its exact bytes; the image never changes.
Exits 77 (skipped) on Linux when loop devices or FUSE are not available.
"""
import gzip
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from recover_e2e import read_manifest, sha256_file  # noqa: E402

SKIP = 77
FIXTURE = "ntfs/ntfs_4k"


def attach_linux(image, mount_point):
    """The loop device, mounted read-only at mount_point; None when not possible."""
    if os.geteuid() != 0 or not shutil.which("losetup") or not shutil.which("ntfs-3g"):
        return None
    made = subprocess.run(["losetup", "-f", "--show", "-r", image], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if made.returncode != 0:
        return None
    device = made.stdout.decode().strip()
    os.makedirs(mount_point, exist_ok=True)
    if subprocess.run(["ntfs-3g", "-o", "ro", device, mount_point], stderr=subprocess.DEVNULL).returncode != 0:
        subprocess.run(["losetup", "-d", device])
        return None
    return device


def detach_linux(device, mount_point):
    subprocess.run(["umount", mount_point], stderr=subprocess.DEVNULL)
    subprocess.run(["losetup", "-d", device], stderr=subprocess.DEVNULL)


def main():
    data_dir, work, vtl = sys.argv[1:4]
    wine = sys.argv[4] if len(sys.argv) > 5 else None
    prefix = sys.argv[5] if wine else None
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    image = os.path.join(work, "volume.img")
    with gzip.open(os.path.join(data_dir, FIXTURE + ".img.gz"), "rb") as src, open(image, "wb") as dst:
        shutil.copyfileobj(src, dst)
    before = sha256_file(image)
    mounted = os.path.join(work, "mounted")
    out = os.path.join(work, "out")

    if wine:
        devices = os.path.join(prefix, "dosdevices")
        for link in ("d::", "d:"):
            if os.path.lexists(os.path.join(devices, link)):
                os.remove(os.path.join(devices, link))
        os.makedirs(mounted)
        os.symlink(image, os.path.join(devices, "d::"))
        os.symlink(mounted, os.path.join(devices, "d:"))
        volume, letter = "D:", "D"
        on_volume = ["D:\\out", "d:\\out"]
        elsewhere = "Z:" + out.replace("/", "\\")
        command = [wine, vtl]
    else:
        device = attach_linux(image, mounted)
        if device is None:
            print("device_e2e: skipped (needs root, a loop device and ntfs-3g with FUSE)")
            return SKIP
        volume, letter = device, device
        on_volume = [os.path.join(mounted, "out")]
        elsewhere = out
        command = [vtl]

    failures = []
    try:
        log = os.path.join(work, "vtl.log")
        log_arg = ("Z:" + log.replace("/", "\\")) if wine else log
        for target in on_volume:
            run = subprocess.run(command + ["recover", volume, "--all", "--to", target, "--log", log_arg],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
            err = run.stderr.decode(errors="replace").replace("\r", "")
            want = ("Cannot Undelete to Drive %s:\nSelect destination folder on a different drive. "
                    "Saving to drive %s:\nmay harm the file(s) you want to undelete." % (letter, letter))
            if run.returncode != 2 or want not in err:
                failures.append("recover to %s: exit %d, stderr %r" % (target, run.returncode, err))
            dump = subprocess.run(command + ["dump-mft", volume, "--out", target, "--log", log_arg],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
            if dump.returncode != 2 or b"is on the volume being dumped" not in dump.stderr:
                failures.append("dump-mft to %s: exit %d, stderr %r" % (target, dump.returncode, dump.stderr))
            if os.path.exists(os.path.join(mounted, "out")):
                failures.append("recover or dump-mft to %s wrote into the scanned volume" % target)

        run = subprocess.run(command + ["recover", volume, "--all", "--to", elsewhere, "--log", log_arg, "-q"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
        if run.returncode not in (0, 1):
            failures.append("recover from %s: exit %d: %s" % (volume, run.returncode,
                                                              run.stderr.decode(errors="replace")))
        entries, _ = read_manifest(os.path.join(data_dir, FIXTURE + ".manifest"))
        checked = 0
        for state, vpath, size, sha, intact in entries:
            if state != "deleted" or not intact:
                continue
            target = os.path.join(out, *vpath.strip("\\").split("\\"))
            if not os.path.isfile(target) or sha256_file(target) != sha:
                failures.append("%s was not recovered from %s with its bytes" % (vpath, volume))
            checked += 1
        if checked == 0:
            failures.append("the fixture has no intact deleted file to check")
    finally:
        if wine:
            for link in ("d::", "d:"):
                os.remove(os.path.join(devices, link))
        else:
            detach_linux(device, mounted)
    if sha256_file(image) != before:
        failures.append("the image changed")
    for failure in failures:
        print("FAIL:", failure)
    print("device_e2e: %s" % ("FAILED" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
