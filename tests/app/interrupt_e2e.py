#!/usr/bin/env python3
"""Ctrl-C during `vtl recover`: the recovery stops, the partly written file
stays with the bytes written so far, vtl ends with status 130, and the
scanned image is unchanged.

    interrupt_e2e.py WORK_DIR VTL

The volume is a FAT32 image made here with mkfs.fat and mtools holding one
deleted 256 MiB file, so that the recovery runs long enough to be
interrupted once its output file has begun to grow.
"""
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import time

FILE_BYTES = 256 << 20


def sha256_file(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


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

    process = subprocess.Popen([vtl, "recover", image, "--all", "--to", out, "--log", os.path.join(work, "log.txt")],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    deadline = time.monotonic() + 60
    while process.poll() is None and time.monotonic() < deadline:
        if os.path.exists(writing) and os.path.getsize(writing) > 0:
            process.send_signal(signal.SIGINT)
            break
        time.sleep(0.001)
    stdout, stderr = process.communicate(timeout=120)
    stderr = stderr.decode(errors="replace")
    failures = []
    if process.returncode != 130:
        failures.append("exit status %s, expected 130 (the recovery may have ended before the stop; stderr: %s)"
                        % (process.returncode, stderr.strip()))
    if "vtl recover: stopped; the files written so far are kept" not in stderr:
        failures.append("no stop message on standard error: %r" % stderr)
    # The cut-short file is named on the console and never left under the
    # original's name.
    if partial not in stderr:
        failures.append("the partial file is not named on standard error: %r" % stderr)
    if os.path.exists(writing):
        failures.append("the cut-short file kept the original's name")
    kept = os.path.getsize(partial) if os.path.exists(partial) else -1
    if not 0 < kept < FILE_BYTES:
        failures.append("partial file has %d bytes, expected some but not all %d" % (kept, FILE_BYTES))
    else:
        with open(partial, "rb") as got, open(source, "rb") as want:
            if got.read() != want.read(kept):
                failures.append("the partial file's %d bytes differ from the start of the original" % kept)
    if sha256_file(image) != before:
        failures.append("the scanned image changed")
    shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure)
    print("interrupt_e2e: %s (stopped after %d of %d bytes)" % ("FAILED" if failures else "passed", kept, FILE_BYTES))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
