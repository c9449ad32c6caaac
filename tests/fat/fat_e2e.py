#!/usr/bin/env python3
"""End-to-end check of `vtl scan --json --all` and `vtl cat` on one FAT
fixture against its manifest (see scripts/fixtures/make_fat.sh).

usage: fat_e2e.py MANIFEST WORKDIR [--windows] -- VTL-COMMAND...

The image beside the manifest is decompressed into WORKDIR. With --windows
the command is vtl.exe run through Wine: the image is named by its Z: path,
and entries whose path is not plain ASCII are named by their key.
"""
import gzip
import json
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from vtl_e2e import Failures, Vtl, read_manifest, sha256  # noqa: E402

TIMEOUT = 300


def geometry(img):
    bps, spc, reserved, fats, root_entries, _t16, _media, spf16 = struct.unpack_from("<HBHBHHBH", img, 11)
    spf = struct.unpack_from("<I", img, 36)[0] if spf16 == 0 else spf16
    root_sectors = 0 if spf16 == 0 else (root_entries * 32 + bps - 1) // bps
    return (reserved + fats * spf + root_sectors) * bps, bps * spc


def contiguous_bytes(img, key, size):
    """The first cluster and the clusters that follow it on disk, cut to the size."""
    data, cluster = geometry(img)
    start = data + (key - 2) * cluster
    chunk = img[start:start + size]
    return chunk + bytes(size - len(chunk))


def main(argv):
    split = argv.index("--")
    options, command = argv[1:split], argv[split + 1:]
    manifest_path, work = options[0], options[1]
    windows = "--windows" in options
    # The command is vtl, or the Wine program followed by vtl.exe.
    vtl = Vtl(command[-1], command[0] if len(command) > 1 else None, timeout=TIMEOUT)
    failures = Failures(vtl)
    fail = failures.stop

    def run(*args):
        result = vtl.run(*args, log=log, quiet=True)
        return result.status, result.stdout, result.err

    os.makedirs(work, exist_ok=True)
    name = os.path.basename(manifest_path)[:-len(".manifest")]
    with gzip.open(os.path.join(os.path.dirname(manifest_path), name + ".img.gz")) as f:
        img = f.read()
    image_path = os.path.join(work, name + ".img")
    with open(image_path, "wb") as f:
        f.write(img)
    volume = vtl.host_path(image_path) if windows else image_path
    log = os.path.join(work, name + ".log")

    manifest = read_manifest(manifest_path)
    entries, log_texts, conditions = manifest.entries, manifest.log_texts, manifest.conditions
    expected_exit = manifest.expected_exit or 0
    status, out, err = run("scan", volume, "--all", "--json")
    if status != expected_exit:
        fail(f"scan exit status {status}, expected {expected_exit}; stderr: {err}")
    with open(log, encoding="utf-8", errors="replace") as f:
        log_text = f.read()
    for text in log_texts:
        if text not in log_text:
            fail(f"the log lacks {text!r}")
    if expected_exit == 2:
        if out.strip():
            fail("a refused volume printed entries")
        print(f"ok: {name} refused as expected: {err.strip()}")
        return
    listed = json.loads(out.decode("utf-8"))
    by_path = {}
    for item in listed:
        by_path.setdefault(item["path"], []).append(item)

    checked = 0
    for entry in entries:
        found = by_path.get(entry.path, [])
        if entry.state == "lost":
            if found:
                fail(f"{entry.path} is listed but cannot be reached on this volume")
            continue
        if not found:
            fail(f"{entry.path} ({entry.state}) is not listed")
        item = found[0]
        if item["name"] != entry.name or item["is_dir"] != (entry.kind == "dir"):
            fail(f"{entry.path}: listed as {item}")
        if entry.state == "deleted" and not item["deleted"]:
            fail(f"{entry.path} is not marked deleted")
        if entry.path in conditions and item["condition"] != conditions[entry.path]:
            fail(f"{entry.path}: condition {item['condition']}, expected {conditions[entry.path]}")
        if entry.kind == "file":
            if entry.state == "live" and item["deleted"]:
                fail(f"{entry.path} is live but marked deleted")
            if item["size"] != entry.size:
                fail(f"{entry.path}: size {item['size']}, expected {entry.size}")
        if entry.check == "none":
            continue

        ascii_path = all(ord(c) < 128 for c in entry.path)
        unique_key = sum(1 for i in listed if i["key"] == item["key"]) == 1
        if windows and not ascii_path:
            if not unique_key:
                continue
            argument = f"#{item['key']}"
        else:
            argument = entry.path
        status, data, err = run("cat", volume, argument)
        if status != 0:
            fail(f"cat {argument}: exit status {status}; stderr: {err}")
        if entry.check == "exact":
            if sha256(data) != entry.sha:
                fail(f"cat {argument}: {len(data)} bytes that differ from the original")
        else:
            if data != contiguous_bytes(img, item["key"], entry.size):
                fail(f"cat {argument}: not the clusters that follow cluster {item['key']}")
            if sha256(data) == entry.sha:
                fail(f"cat {argument}: the original bytes, where other data was expected")
        checked += 1
    print(f"ok: {name}: {len(entries)} manifest entries, {checked} entries read back")


if __name__ == "__main__":
    main(sys.argv)
