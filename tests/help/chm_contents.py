#!/usr/bin/env python3
"""The help file: every page of the table of contents and of the index, and
every file of the help project, is in the compiled archive.

    chm_contents.py HELP_SOURCE_DIR VTL.CHM

Reads the archive's directory itself (the listing chunks of the compiled
HTML format), so that no help viewer is needed.
"""
import re
import struct
import sys


def encint(data, at):
    """A variable-length number: 7 bits a byte, high bit set on all but the last."""
    value = 0
    for _ in range(10):
        if at >= len(data):
            raise ValueError("number runs past the chunk")
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at
    raise ValueError("number too long")


def archive_names(path):
    data = open(path, "rb").read()
    if data[:4] != b"ITSF":
        raise ValueError("not a compiled help file")
    directory_offset, directory_length = struct.unpack_from("<QQ", data, 0x48)
    directory = data[directory_offset:directory_offset + directory_length]
    if directory[:4] != b"ITSP":
        raise ValueError("no directory header")
    header_length, = struct.unpack_from("<I", directory, 8)
    chunk_size, = struct.unpack_from("<I", directory, 0x10)
    chunk_count, = struct.unpack_from("<I", directory, 0x2C)
    if chunk_size < 0x20 or chunk_count > 100000:
        raise ValueError("implausible directory")
    names = []
    for index in range(chunk_count):
        start = header_length + index * chunk_size
        chunk = directory[start:start + chunk_size]
        if len(chunk) < chunk_size or chunk[:4] != b"PMGL":
            continue  # index chunks (PMGI) repeat names already listed
        free, = struct.unpack_from("<I", chunk, 4)
        end = chunk_size - free
        at = 0x14
        while at < end:
            length, at = encint(chunk, at)
            names.append(chunk[at:at + length].decode("utf-8"))
            at += length
            for _ in range(3):  # section, offset, length
                _, at = encint(chunk, at)
    return names


def main():
    source, chm = sys.argv[1], sys.argv[2]
    names = set(archive_names(chm))
    pages = set()
    for listing in ("toc.hhc", "index.hhk"):
        text = open("%s/%s" % (source, listing), encoding="utf-8").read()
        pages.update(re.findall(r'name="Local" value="([^"]+)"', text))
    project = open(source + "/vtl.hhp", encoding="utf-8").read()
    files = project.split("[FILES]", 1)[1].split()
    failures = ["%s is not in %s" % (page, chm) for page in sorted(pages | set(files)) if "/" + page not in names]
    if len(pages) < 2:
        failures.append("the table of contents lists no pages")
    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("help: %d pages and files, all in the archive" % len(pages | set(files)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
