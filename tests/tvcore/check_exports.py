#!/usr/bin/env python3
"""The built tvcore exports exactly its C functions, by undecorated name."""
import argparse
import re
import subprocess
import sys

EXPORTS = {
    "ReadProfileString", "SaveProfileString", "ReadProfileInt", "GetRecentDir", "SetRecentDir",
    "Initialize", "GetTempFilesFolder", "GetLogFilesFolder", "GetFullName", "GetShortName",
    "GetRegistryName", "GetSupportEMAIL", "GetSupportURL", "GetHomeURL", "GetCurLang", "GetString",
    "TVdiag", "toZIP",
}
# The Linux front end has no menus, so the toolbox menu is left out of the .so.
WINDOWS_ONLY = {"GetIcon", "InsertToolboxMenu", "OnToolboxProducts"}


def exported_names(tool, library):
    if library.lower().endswith(".dll"):
        text = subprocess.run([tool, "-p", library], check=True, capture_output=True, text=True).stdout
        table = text.split("[Ordinal/Name Pointer] Table", 1)
        if len(table) < 2:
            return set()
        return set(re.findall(r"^\s*\[\s*\d+\]\s+(\S+)\s*$", table[1], re.M))
    text = subprocess.run([tool, "-D", "--defined-only", library], check=True, capture_output=True, text=True).stdout
    # Only functions of the library itself; the runtime may add marker symbols.
    return {fields[2] for fields in (line.split() for line in text.splitlines()) if len(fields) == 3 and fields[1] == "T"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--library", required=True)
    parser.add_argument("--tool", required=True)
    args = parser.parse_args()
    expected = EXPORTS | (WINDOWS_ONLY if args.library.lower().endswith(".dll") else set())
    found = exported_names(args.tool, args.library)
    if found != expected:
        print("missing:", sorted(expected - found))
        print("unexpected:", sorted(found - expected))
        return 1
    print(f"{len(found)} exports, as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
