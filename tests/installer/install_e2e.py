#!/usr/bin/env python3
"""The installer in a throwaway Wine prefix, on a virtual X display: a silent
install puts the four files and the uninstall entry in place, the installed
Vantrel.exe starts (it finds tvcore.dll: no error box, its main window
shows) and F1 opens the installed help file, the installed vtl.exe runs,
and the silent uninstall takes every installed file away again.

    install_e2e.py SETUP.EXE WORK_DIR WINE GUI_DRIVER
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from bad_sectors import SKIP  # noqa: E402
from gui_session import GuiError, GuiSession, unescape, xvfb_missing  # noqa: E402
from vtl_e2e import Failures  # noqa: E402

INSTALL_DIR = "C:\\VantrelInstallTest"
FILES = ["Vantrel.exe", "vtl.exe", "tvcore.dll", "vtl.chm"]
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel"
HELP_CONTENTS = 32787


def main():
    setup, work, wine, driver = sys.argv[1:5]
    if xvfb_missing():
        print("installer: skipped (%s)" % xvfb_missing())
        return SKIP
    os.makedirs(work, exist_ok=True)
    failures = Failures()
    with GuiSession("installer", work, wine, driver) as gui:
        try:
            folder = gui.drive_c(INSTALL_DIR[3:])
            installed = gui.run([setup, "/S", "/D=" + INSTALL_DIR])
            failures.check(installed.returncode == 0, "the silent install exited with %d" % installed.returncode)
            for name in FILES + ["Uninstall.exe"]:
                failures.check(os.path.isfile(os.path.join(folder, name)), "%s is not installed" % name)
            version = gui.run([INSTALL_DIR + "\\vtl.exe", "--version"])
            failures.check(version.returncode == 0 and version.stdout.startswith(b"vtl "),
                           "the installed vtl.exe did not run: %r" % version.stdout)
            entry = gui.run(["reg", "query", UNINSTALL_KEY, "/v", "UninstallString"])
            failures.check(entry.returncode == 0 and b"Uninstall.exe" in entry.stdout, "no uninstall entry")

            process = gui.launch(INSTALL_DIR + "\\Vantrel.exe")
            main_window = gui.command("wait-main 60000", wait=60)
            if failures.check(main_window != "timeout", "the installed Vantrel.exe shows no main window: %s" %
                              unescape(gui.command("windows"))):
                gui.command("post-command %s %d" % (main_window, HELP_CONTENTS))
                failures.check(gui.wait_window("Vantrel Help", 30) is not None,
                               "F1 did not open the installed help file: %s" % unescape(gui.command("windows")))
                gui.command("close %s" % main_window)
            process.wait(60)

            # "_?=" keeps the uninstaller in place, so that it ends before we look.
            removed = gui.run([INSTALL_DIR + "\\Uninstall.exe", "/S", "_?=" + INSTALL_DIR])
            failures.check(removed.returncode == 0, "the silent uninstall exited with %d" % removed.returncode)
            for name in FILES:
                failures.check(not os.path.exists(os.path.join(folder, name)), "%s stays after the uninstall" % name)
            failures.check(gui.run(["reg", "query", UNINSTALL_KEY]).returncode != 0,
                           "the uninstall entry stays after the uninstall")
        except GuiError as error:
            failures.add("%s\n    last driver exchange:\n      %s" % (error, gui.transcript()))
        except Exception as error:  # a hung program: the session still ends
            failures.add("%s: %s" % (type(error).__name__, error))
        if not failures:
            gui.remove_prefix()
    return failures.report("installer")


if __name__ == "__main__":
    sys.exit(main())
