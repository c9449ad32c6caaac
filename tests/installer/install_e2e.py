#!/usr/bin/env python3
"""The installer under Wine: a silent install puts the four files and the
uninstall entry in place, the installed vtl.exe runs from there, and the
silent uninstall takes everything away again.

    install_e2e.py SETUP.EXE WINE
"""
import os
import subprocess
import sys

INSTALL_DIR = "C:\\VantrelInstallTest"
FILES = ["Vantrel.exe", "vtl.exe", "tvcore.dll", "vtl.chm"]
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel"


def main():
    setup, wine = sys.argv[1], sys.argv[2]
    env = dict(os.environ)
    # Shortcuts stay inside the prefix: no menu entries on the host.
    env["WINEDLLOVERRIDES"] = env.get("WINEDLLOVERRIDES", "") + ";winemenubuilder.exe=d"

    def run(*args, timeout=300):
        return subprocess.run([wine, *args], env=env, capture_output=True, text=True, timeout=timeout)

    def host_path(windows_path):
        answer = run("winepath", "-u", windows_path)
        return answer.stdout.strip()

    failures = []
    folder = host_path(INSTALL_DIR)
    installed = run(setup, "/S", "/D=" + INSTALL_DIR)
    if installed.returncode != 0:
        failures.append("the silent install exited with %d" % installed.returncode)
    for name in FILES + ["Uninstall.exe"]:
        if not os.path.isfile(os.path.join(folder, name)):
            failures.append("%s is not installed in %s" % (name, INSTALL_DIR))
    version = run(INSTALL_DIR + "\\vtl.exe", "--version")
    if version.returncode != 0 or not version.stdout.startswith("vtl "):
        failures.append("the installed vtl.exe did not run: %r %r" % (version.stdout, version.stderr))
    entry = run("reg", "query", UNINSTALL_KEY, "/v", "UninstallString")
    if entry.returncode != 0 or "Uninstall.exe" not in entry.stdout:
        failures.append("no uninstall entry: %r" % entry.stdout)

    # "_?=" keeps the uninstaller in place, so that it ends before we look.
    removed = run(INSTALL_DIR + "\\Uninstall.exe", "/S", "_?=" + INSTALL_DIR)
    if removed.returncode != 0:
        failures.append("the silent uninstall exited with %d" % removed.returncode)
    for name in FILES:
        if os.path.exists(os.path.join(folder, name)):
            failures.append("%s is still there after the uninstall" % name)
    if run("reg", "query", UNINSTALL_KEY).returncode == 0:
        failures.append("the uninstall entry is still there")
    # The uninstaller that ran in place is left; the folder goes with it.
    subprocess.run(["rm", "-rf", folder])

    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("installer: installed, ran and uninstalled")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
