"""Failing disks for end-to-end tests: an image served with unreadable sectors.

    sys.path.insert(0, "<source>/tests/support")
    from bad_sectors import SKIP, bad_sector_mount, loop_device

    with bad_sector_mount(HELPER, image, mount_dir, [(100, 131), 5000]) as failing:
        # `failing` is mount_dir/<image's name>: the image's bytes, except that
        # every read touching sectors 100..131 or 5000 fails with EIO.
        run([vtl, "scan", failing])
        with loop_device(failing) as device:   # /dev/loopN over it, read-only
            run([vtl, "scan", device])

HELPER is the bad_sector_fuse program (ctest passes its path). Both context
managers undo what they did on the way out. Where the machine cannot do it
(no helper built, no /dev/fuse, no fusermount3, not root for loop devices,
a mount or losetup that fails) they print why and end the test with exit
status 77, which ctest counts as skipped.
"""
import contextlib
import os
import shutil
import subprocess
import sys
import time

SKIP = 77


def skip(reason):
    print("skipped: %s" % reason)
    sys.stdout.flush()
    sys.exit(SKIP)


def _range_arguments(bad):
    arguments = []
    for entry in bad:
        first, last = (entry, entry) if isinstance(entry, int) else entry
        arguments += ["--bad", "%d-%d" % (first, last)]
    return arguments


def _unmount(mount_point):
    # A process that still has the file open keeps the mount busy for a moment.
    for _ in range(50):
        if not os.path.ismount(mount_point):
            return
        if subprocess.run(["fusermount3", "-u", mount_point], stderr=subprocess.DEVNULL).returncode == 0:
            return
        time.sleep(0.1)
    subprocess.run(["fusermount3", "-u", "-z", mount_point], stderr=subprocess.DEVNULL)


@contextlib.contextmanager
def bad_sector_mount(helper, image, mount_point, bad):
    """Serves IMAGE read-only at MOUNT_POINT with the sectors in BAD unreadable.

    BAD holds sector numbers and (first, last) pairs, inclusive. Yields the
    path of the served file; unmounts when the block ends.
    """
    if not helper or not os.path.isfile(helper):
        skip("the bad_sector_fuse helper was not built (needs libfuse3)")
    if not os.path.exists("/dev/fuse"):
        skip("no /dev/fuse")
    if not shutil.which("fusermount3"):
        skip("no fusermount3")
    os.makedirs(mount_point, exist_ok=True)
    mounted = subprocess.run([helper, image, mount_point] + _range_arguments(bad),
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if mounted.returncode != 0 or not os.path.ismount(mount_point):
        skip("bad_sector_fuse could not mount: %s" % mounted.stdout.decode(errors="replace").strip())
    try:
        yield os.path.join(mount_point, os.path.basename(image))
    finally:
        _unmount(mount_point)


@contextlib.contextmanager
def loop_device(path):
    """A read-only loop device over the file PATH; yields the device's path."""
    if os.geteuid() != 0 or not shutil.which("losetup"):
        skip("loop devices need root and losetup")
    made = subprocess.run(["losetup", "-f", "--show", "-r", path], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if made.returncode != 0:
        skip("losetup failed: %s" % made.stderr.decode(errors="replace").strip())
    device = made.stdout.decode().strip()
    try:
        yield device
    finally:
        subprocess.run(["losetup", "-d", device], stderr=subprocess.DEVNULL)
