#!/usr/bin/env python3
"""The built tvcore reads the product's settings from the registry (the Wine
prefix's, or natively its stand-in), decoding the scrambled strings; with an
INI file named after the product beside the program, only that file counts."""
import argparse
import os
import sys

from script_support import Host, scrambled

REGISTRY_VALUES = {
    ("Registration", "ProgramTitle"): scrambled("Vantrel"),
    ("Registration", "Version"): scrambled("1.0"),
    (None, "Language"): "3",
    ("Options", "NeedLog"): "42abc",
}

REGISTRY_CASES = [
    ("scrambled title decoded", ["read", "Registration", "ProgramTitle", "1"], "0|Vantrel"),
    ("key names ignore case", ["read", "REGISTRATION", "programtitle", "1"], "0|Vantrel"),
    ("stored form when not decoding", ["read", "Registration", "ProgramTitle", "0"], "0|" + scrambled("Vantrel")),
    ("missing key gives the default and the error", ["read", "Product", "ProgramDir", "0"], "2|"),
    ("digits before letters", ["int", "Options", "NeedLog", "5"], "42|"),
    ("missing value gives the default", ["int", "Options", "SavePath", "5"], "5|"),
    ("full name without a description", ["fullname"], "0|Vantrel 1.0"),
    ("language 3 falls back to language 0", ["string", "12", "1"], "0|Vantrel"),
    ("language 3 string", ["string", "12", "2"], "0|Recuperacion de archivos borrados en volumenes NTFS y FAT"),
]

# Icons are resources of the Windows library only.
WINDOWS_CASES = [
    ("the library's icon", ["icon", "0"], "1|"),
    ("no icon beyond the table", ["icon", "1"], "0|"),
]

INI_TEXT = "[Registration]\r\nProgramTitle=" + scrambled("Ini") + "\r\n[Options]\r\nNeedLog=7\r\n"
INI_CASES = [
    ("the INI answers", ["read", "Registration", "ProgramTitle", "1"], "12|Ini"),
    ("a value only the registry holds is not read", ["read", "Registration", "Version", "1"], "0|"),
    ("the language of the registry is not read", ["string", "12", "2"], "0|Undelete for NTFS and FAT volumes"),
    ("integers from the INI", ["int", "Options", "NeedLog", "5"], "7|"),
]


def ask(host, probe, commands):
    """Answers of one probe run, one per command."""
    code, out, err = host.run(probe, input="".join(" ".join(words) + "\n" for words in commands))
    answers = out.splitlines()
    if code != 0 or len(answers) != len(commands):
        raise RuntimeError(f"probe exit {code}: {out}{err}")
    return answers


def check(host, probe, cases):
    failures = 0
    for (name, args, expected), answer in zip(cases, ask(host, probe, [args for _, args, _ in cases])):
        if answer != expected:
            print(f"FAIL {name}: {args} gave {answer!r}, expected {expected!r}")
            failures += 1
        else:
            print(f"ok   {name}")
    return failures


def check_folders(host, probe):
    sep = "\\" if host.wine else "/"
    temp_length, temp, log_length, logs = ask(host, probe, [["folders"]])[0].split("|")
    suffix = f"{sep}Talvenor{sep}vtl{sep}"
    problems = []
    if not temp.endswith(suffix) or int(temp_length) != len(temp):
        problems.append(f"temp folder {temp!r} ({temp_length})")
    if logs != temp + "Logs" + sep or int(log_length) != len(logs) - 1:
        problems.append(f"log folder {logs!r} ({log_length})")
    if not host.wine and not temp.startswith(os.path.join(host.env["XDG_DATA_HOME"], "")):
        problems.append(f"temp folder {temp!r} is not below the data folder")
    if not host.wine and not os.path.isdir(logs):
        problems.append("log folder not created")
    for problem in problems:
        print("FAIL", problem)
    if not problems:
        print("ok   temp and log folders")
    return len(problems)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine")
    parser.add_argument("--probe", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()

    host = Host(args.wine, args.work)
    ini = os.path.join(os.path.dirname(args.probe), "vtl.ini")
    if os.path.exists(ini):
        os.remove(ini)
    host.clear_product("Dornvale")
    failures = 0
    try:
        host.set_values("Dornvale", REGISTRY_VALUES)
        failures += check(host, args.probe, REGISTRY_CASES + (WINDOWS_CASES if host.wine else []))
        failures += check_folders(host, args.probe)
        with open(ini, "w", newline="") as file:
            file.write(INI_TEXT)
        failures += check(host, args.probe, INI_CASES)
    finally:
        if os.path.exists(ini):
            os.remove(ini)
        host.clear_product("Dornvale")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
