#!/usr/bin/env python3
"""Runs a Windows test program that opens windows, under Wine, in a Wine
prefix of its own on an X display.

The prefix is made afresh for the run: a prefix whose desktop was first
started without a display (by any earlier program in it) cannot show
windows afterwards, so a prefix that other tests share is no place for
this. The display is the session's when there is one, else a virtual one
from xvfb-run; with neither the test is skipped (77).

usage: run_gui_test.py --wine WINE64 --prefix DIR -- PROGRAM [ARGS...]
"""
import argparse
import os
import shutil
import subprocess
import sys

SKIP = 77


def wineserver_beside(wine):
    folder = os.path.dirname(wine)
    for name in ("wineserver64", "wineserver"):
        candidate = os.path.join(folder, name)
        if os.access(candidate, os.X_OK):
            return candidate
    return shutil.which("wineserver")


def run(args):
    shutil.rmtree(args.prefix, ignore_errors=True)
    os.makedirs(os.path.dirname(os.path.abspath(args.prefix)), exist_ok=True)
    env = dict(os.environ)
    # No installer of Wine's own add-ons may put up a window of its own.
    env.update(WINEPREFIX=os.path.abspath(args.prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    boot = subprocess.run([args.wine, "wineboot", "-i"], env=env, capture_output=True, text=True, timeout=300)
    if boot.returncode != 0:
        print(f"wineboot failed ({boot.returncode}):\n{boot.stdout}{boot.stderr}")
        return 1
    try:
        return subprocess.call([args.wine, *args.command], env=env, timeout=240)
    except subprocess.TimeoutExpired:
        print("the test program did not end")
        return 1
    finally:
        server = wineserver_beside(args.wine)
        if server:
            subprocess.call([server, "-k"], env=env, timeout=60)
        shutil.rmtree(args.prefix, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()
    if os.environ.get("DISPLAY"):
        return run(args)
    xvfb_run = shutil.which("xvfb-run")
    if xvfb_run is None:
        print("SKIP: no X display and no xvfb-run (scripts/setup installs it)")
        return SKIP
    return subprocess.call([xvfb_run, "-a", "-s", "-screen 0 1024x768x24", sys.executable, os.path.abspath(__file__),
                            "--wine", args.wine, "--prefix", args.prefix, "--", *args.command])


if __name__ == "__main__":
    sys.exit(main())
