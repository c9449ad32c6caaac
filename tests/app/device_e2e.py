#!/usr/bin/env python3
"""`vtl recover` reading a volume as a device, as a user runs it.

    device_e2e.py DATA_DIR WORK_DIR VTL                     (Linux)
    device_e2e.py DATA_DIR WORK_DIR VTL WINE WINEPREFIX     (vtl.exe under Wine)

On Linux the NTFS fixture is attached read-only to a loop device and
mounted with ntfs-3g; on Wine drive D: of the prefix is mapped to it. A
destination on that mounted volume must be refused with the message about
the scanned drive and nothing written; a destination elsewhere gets every
intact deleted file with its exact bytes; the image never changes.

On Linux the same volume is also reachable in other ways, and each must be
refused as well: the image file itself scanned while it is mounted through
the loop device; the image mounted with ntfs-3g directly from the file,
under another name (a hard link whose name has a blank); and a second loop
device over the same file, mounted, while the first loop device is scanned.
Exits 77 (skipped) on Linux when loop devices or FUSE are not available.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bad_sectors import SKIP  # noqa: E402
from vtl_e2e import Failures, Vtl, read_manifest, sha256_file, unpack_image  # noqa: E402
FIXTURE = "ntfs/ntfs_4k"


def loop_attach(image):
    """A read-only loop device over image; None when not possible."""
    made = subprocess.run(["losetup", "-f", "--show", "-r", image], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return made.stdout.decode().strip() if made.returncode == 0 else None


def ntfs_mount(source, mount_point):
    os.makedirs(mount_point, exist_ok=True)
    return subprocess.run(["ntfs-3g", "-o", "ro", source, mount_point], stderr=subprocess.DEVNULL).returncode == 0


def attach_linux(image, work, cleanup):
    """Mounts the image three ways; {name: (loop device or None, mount point)}, None when not possible.

    "loop": the first loop device, mounted; "second loop": another loop device
    over the same file, mounted; "file": ntfs-3g on the image file itself,
    reached through a hard link with a blank in its name.
    """
    if os.geteuid() != 0 or not shutil.which("losetup") or not shutil.which("ntfs-3g"):
        return None
    link = os.path.join(work, "volume link.img")
    os.link(image, link)
    mounts = {}
    for name, source in (("loop", None), ("second loop", None), ("file", link)):
        device = None
        if source is None:
            device = source = loop_attach(image)
            if device is None:
                return None
            cleanup.append(["losetup", "-d", device])
        mount_point = os.path.join(work, "mounted_" + name.replace(" ", "_"))
        if not ntfs_mount(source, mount_point):
            return None
        cleanup.append(["umount", mount_point])
        mounts[name] = (device, mount_point)
    return mounts


def main():
    data_dir, work, program = sys.argv[1:4]
    wine = sys.argv[4] if len(sys.argv) > 5 else None
    prefix = sys.argv[5] if wine else None
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    vtl = Vtl(program, wine, timeout=600)
    image = unpack_image(os.path.join(data_dir, FIXTURE + ".img.gz"), os.path.join(work, "volume.img"))
    before = sha256_file(image)
    out = os.path.join(work, "out")
    cleanup = []  # commands that undo the set-up, run last first

    if wine:
        mounted = os.path.join(work, "mounted")
        devices = os.path.join(prefix, "dosdevices")
        for link in ("d::", "d:"):
            if os.path.lexists(os.path.join(devices, link)):
                os.remove(os.path.join(devices, link))
        os.makedirs(mounted)
        os.symlink(image, os.path.join(devices, "d::"))
        os.symlink(mounted, os.path.join(devices, "d:"))
        mount_points = [mounted]
        # volume, the name the refusal shows, destinations that must be refused
        refused = [("D:", "D", ["D:\\out", "d:\\out"])]
        # volume, destination that must get the files
        allowed = [("D:", vtl.host_path(out))]
    else:
        mounts = attach_linux(image, work, cleanup)
        if mounts is None:
            for step in reversed(cleanup):
                subprocess.run(step, stderr=subprocess.DEVNULL)
            print("device_e2e: skipped (needs root, loop devices and ntfs-3g with FUSE)")
            return SKIP
        device, mounted = mounts["loop"]
        mount_points = [m for _, m in mounts.values()]
        on = {name: os.path.join(m, "out") for name, (_, m) in mounts.items()}
        refused = [
            (device, device, [on["loop"], on["file"], on["second loop"]]),
            (image, image, [on["loop"], on["file"], on["second loop"]]),
        ]
        allowed = [(device, out), (image, os.path.join(work, "out_image"))]

    failures = Failures(vtl)
    try:
        log = os.path.join(work, "vtl.log")
        for volume, letter, targets in refused:
            for target in targets:
                run = vtl.run("recover", volume, "--all", "--to", target, log=log)
                err = run.err.replace("\r", "")
                want = ("Cannot Undelete to Drive %s:\nSelect destination folder on a different drive. "
                        "Saving to drive %s:\nmay harm the file(s) you want to undelete." % (letter, letter))
                if run.status != 2 or want not in err:
                    failures.add("recover %s to %s: exit %d, stderr %r" % (volume, target, run.status, err), run)
                dump = vtl.run("dump-mft", volume, "--out", target, log=log)
                if dump.status != 2 or b"is on the volume being dumped" not in dump.stderr:
                    failures.add("dump-mft %s to %s: exit %d, stderr %r" % (volume, target, dump.status, dump.stderr))
                for mount_point in mount_points:
                    if os.path.exists(os.path.join(mount_point, "out")):
                        failures.add("recover or dump-mft of %s to %s wrote into the scanned volume" %
                                        (volume, target))

        entries = read_manifest(os.path.join(data_dir, FIXTURE + ".manifest")).files()
        for volume, destination in allowed:
            run = vtl.run("recover", volume, "--all", "--to", destination, log=log, quiet=True)
            if run.status not in (0, 1):
                failures.add("recover from %s: exit %d: %s" % (volume, run.status, run.err))
            checked = 0
            for entry in entries:
                if entry.state != "deleted" or not entry.intact:
                    continue
                target = os.path.join(out if wine else destination, *entry.path.strip("\\").split("\\"))
                if not os.path.isfile(target) or sha256_file(target) != entry.sha:
                    failures.add("%s was not recovered from %s with its bytes" % (entry.path, volume))
                checked += 1
            if checked == 0:
                failures.add("the fixture has no intact deleted file to check")
    finally:
        if wine:
            for link in ("d::", "d:"):
                os.remove(os.path.join(devices, link))
        for step in reversed(cleanup):
            subprocess.run(step, stderr=subprocess.DEVNULL)
    if sha256_file(image) != before:
        failures.add("the image changed")
    return failures.report("device_e2e")


if __name__ == "__main__":
    sys.exit(main())
