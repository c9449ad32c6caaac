#!/usr/bin/env python3
"""vtl diag writes a ZIP archive that standard tools accept, holding one HTML
report whose size and CRC-32 match, with every section in order."""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import zipfile
import zlib

from script_support import Host, scrambled

SECTION_ANCHORS = ["2", "1", "10", "Dornvale", "5", "3", "4", "6", "7", "8", "9"]


def make_product(host):
    program = os.path.join(host.work, "Program Files", "Vantrel")
    os.makedirs(os.path.join(program, "help"))
    with open(os.path.join(program, "Vantrel.exe"), "wb") as file:
        file.write(b"MZ" + bytes(510))
    with open(os.path.join(program, "help", "vtl.chm"), "wb") as file:
        file.write(b"ITSF")
    host.set_values("Dornvale", {
        ("Product", "ProgramDir"): host.path(program),
        ("Product", "Build"): "1234",
        ("Registration", "ProgramTitle"): scrambled("Vantrel"),
    })


def raw_records(archive):
    """The three records, read by hand: nothing may come before, between or after them."""
    data = open(archive, "rb").read()
    local = struct.unpack_from("<IHHHHHIIIHH", data, 0)
    name_length, compressed = local[9], local[7]
    central_at = 30 + name_length + compressed
    central = struct.unpack_from("<IHHHHHHIIIHHHHHII", data, central_at)
    end_at = central_at + 46 + name_length
    end = struct.unpack_from("<IHHHHIIH", data, end_at)
    problems = []
    if local[0] != 0x04034B50 or local[1:4] != (20, 2, 8) or local[10] != 0:
        problems.append(f"local header {local}")
    if central[0] != 0x02014B50 or central[1:5] != (20, 20, 2, 8) or central[7:10] != local[6:9]:
        problems.append(f"central header {central}")
    if central[15] != 32 or central[16] != 0:
        problems.append(f"central attributes/offset {central}")
    if end != (0x06054B50, 0, 0, 1, 1, name_length + 46, name_length + compressed + 30, 0):
        problems.append(f"end record {end}")
    if len(data) != end_at + 22:
        problems.append(f"archive is {len(data)} bytes, records end at {end_at + 22}")
    return problems


def check_archive(host, archive):
    problems = []
    result = subprocess.run(["unzip", "-t", archive], capture_output=True, text=True)
    if result.returncode != 0 or "No errors detected" not in result.stdout:
        problems.append("unzip -t: " + result.stdout + result.stderr)
    with zipfile.ZipFile(archive) as zip_file:
        if zip_file.testzip() is not None:
            problems.append("zipfile test failed")
        entries = zip_file.infolist()
        if [entry.filename for entry in entries] != ["tvdiag.htm"]:
            return problems + [f"entries {[entry.filename for entry in entries]}"]
        entry = entries[0]
        html = zip_file.read(entry)
    if entry.file_size != len(html) or entry.CRC != zlib.crc32(html) or entry.compress_type != zipfile.ZIP_DEFLATED:
        problems.append(f"size {entry.file_size}/{len(html)} crc {entry.CRC:08x}/{zlib.crc32(html):08x}")
    problems += raw_records(archive)

    text = html.decode("utf-8", errors="replace")
    last = -1
    for anchor in SECTION_ANCHORS:
        at = text.find(f'<a name="{anchor}">')
        if at <= last:
            problems.append(f"section {anchor} missing or out of order")
        last = max(last, at)
    for needle in ["<TITLE>Talvenor diagnostics</TITLE>", " from Vantrel CLI build 001234<br>",
                   "Vantrel.exe</font></td>", "vtl.chm</font></td>", "&lt;DIRECTORY&gt;",
                   r"[HKEY_CURRENT_USER\Software\Morvanix\Dornvale\Product]"]:
        if needle not in text:
            problems.append(f"report lacks {needle!r}")
    if not text.endswith("&lt;eof&gt;</font></BODY>\r\n</HTML>\r\n"):
        problems.append("report does not end with its closing lines")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine")
    parser.add_argument("--vtl", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()

    host = Host(args.wine, args.work)
    host.clear_product("Dornvale")
    problems = []
    try:
        make_product(host)
        archive = os.path.join(host.work, "out", "tvdiag.zip")
        os.makedirs(os.path.dirname(archive))
        code, out, err = host.run(args.vtl, "diag", host.path(archive))
        if code != 0 or not os.path.exists(archive):
            problems.append(f"vtl diag exit {code}: {out}{err}")
        else:
            problems += check_archive(host, archive)
            if os.listdir(os.path.dirname(archive)) != ["tvdiag.zip"]:
                problems.append(f"left beside the archive: {os.listdir(os.path.dirname(archive))}")

        code, out, err = host.run(args.vtl, "diag")
        if code != 2:
            problems.append(f"vtl diag without an archive exited {code}")
        # A failed report shows a message box under Windows, which nobody
        # closes in a test: that case runs natively only.
        if not host.wine:
            code, out, err = host.run(args.vtl, "diag", os.path.join(host.work, "no", "such", "tvdiag.zip"))
            if code != 2 or "Could not write selected file!" not in err:
                problems.append(f"unwritable archive: exit {code}, stderr {err!r}")
    finally:
        host.clear_product("Dornvale")
    for problem in problems:
        print("FAIL", problem)
    if not problems:
        print("ok   archive, entry and report")
        # The report lists the environment of the test run; keep it only for
        # a failure that needs looking into.
        shutil.rmtree(host.work, ignore_errors=True)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
