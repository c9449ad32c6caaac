#!/usr/bin/env python3
"""Ctrl-C during `vtl recover`: the recovery stops, the partly written file
stays with the bytes written so far, vtl ends with status 130, and the
scanned image is unchanged.

    interrupt_e2e.py WORK_DIR VTL

The volume is a FAT32 image made here with mkfs.fat and mtools holding one
deleted 256 MiB file, so that the recovery runs long enough to be
interrupted once its output file has begun to grow.
"""
import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from vtl_e2e import Failures, sha256_file  # noqa: E402

FILE_BYTES = 256 << 20


def make_volume(work):
    image = os.path.join(work, "big.img")
    source = os.path.join(work, "BIG.BIN")
    with open(source, "wb") as f:
        block = os.urandom(1 << 20)
        for i in range(FILE_BYTES >> 20):
            # Every MiB differs, so a shifted or repeated piece shows.
            f.write(i.to_bytes(4, "little") + block[4:])
    with open(image, "wb") as f:
        f.truncate(400 << 20)
    env = dict(os.environ, MTOOLS_SKIP_CHECK="1")
    subprocess.run(["mkfs.fat", "-F", "32", image], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["mcopy", "-i", image, source, "::BIG.BIN"], check=True, env=env)
    subprocess.run(["mdel", "-i", image, "::BIG.BIN"], check=True, env=env)
    return image, source


def main():
    work, vtl = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    image, source = make_volume(work)
    before = sha256_file(image)
    out = os.path.join(work, "out")
    writing = os.path.join(out, "_IG.BIN")
    partial = writing + ".partial"
    log = os.path.join(work, "log.txt")

    process = subprocess.Popen([vtl, "recover", image, "--all", "--to", out, "--log", log],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    deadline = time.monotonic() + 60
    while process.poll() is None and time.monotonic() < deadline:
        if os.path.exists(writing) and os.path.getsize(writing) > 0:
            process.send_signal(signal.SIGINT)
            break
        time.sleep(0.001)
    stdout, stderr = process.communicate(timeout=120)
    stderr = stderr.decode(errors="replace")
    failures = Failures(log=log)
    if process.returncode != 130:
        failures.add("exit status %s, expected 130 (the recovery may have ended before the stop; stderr: %s)"
                        % (process.returncode, stderr.strip()))
    if "vtl recover: stopped; the files written so far are kept" not in stderr:
        failures.add("no stop message on standard error: %r" % stderr)
    # The cut-short file is named on the console and never left under the
    # original's name.
    if partial not in stderr:
        failures.add("the partial file is not named on standard error: %r" % stderr)
    if os.path.exists(writing):
        failures.add("the cut-short file kept the original's name")
    kept = os.path.getsize(partial) if os.path.exists(partial) else -1
    if not 0 < kept < FILE_BYTES:
        failures.add("partial file has %d bytes, expected some but not all %d" % (kept, FILE_BYTES))
    else:
        with open(partial, "rb") as got, open(source, "rb") as want:
            if got.read() != want.read(kept):
                failures.add("the partial file's %d bytes differ from the start of the original" % kept)
    if sha256_file(image) != before:
        failures.add("the scanned image changed")
    shutil.rmtree(work, ignore_errors=True)
    print("stopped after %d of %d bytes" % (kept, FILE_BYTES))
    return failures.report("interrupt_e2e")


if __name__ == "__main__":
    sys.exit(main())
