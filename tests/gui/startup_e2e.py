#!/usr/bin/env python3
"""How the program starts, under Wine and Xvfb: one copy at a time, where
its log goes, and what it does without tvcore.dll.

    startup_e2e.py WORK_DIR WINE GUI_DRIVER VANTREL TVCORE

- A second copy started while one runs shows no window, ends, and leaves
  the first copy's log as it was.
- Two plain starts in a row: the default log holds only the second run.
- A first command-line word names the log: an existing file is appended
  to (its lines stay, a new machine-info block follows them), and the
  default log is left alone.
- Without tvcore.dll beside it the program writes its log in the current
  folder, shows "Could not load TVCORE.DLL or incorrect DLL version" and
  ends after OK.
"""
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
sys.path.insert(0, HERE)
from bad_sectors import SKIP  # noqa: E402
from gui_session import GuiError, GuiSession, unescape, windows_path, xvfb_missing  # noqa: E402
from vantrel_gui import IDOK, LOG_NAME, MACHINE_INFO, Program, close_program, start_program  # noqa: E402
from vtl_e2e import Failures  # noqa: E402

INTERFACE_READY = "End of preparing interface"
NO_TVCORE = "Could not load TVCORE.DLL or incorrect DLL version"


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-8", errors="replace")
    except OSError:
        return None


def wait_log(gui, path, text, seconds=20):
    return gui.wait_until(lambda: text in (read(path) or ""), seconds) is not None


def main():
    work, wine, driver, vantrel, tvcore = sys.argv[1:6]
    if xvfb_missing():
        print("gui_startup: skipped (%s)" % xvfb_missing())
        return SKIP
    os.makedirs(work, exist_ok=True)
    program = Program.install(os.path.join(work, "program"), vantrel, tvcore)
    alone = Program.install(os.path.join(work, "alone"), vantrel)
    failures = Failures()
    with GuiSession("startup", work, wine, driver) as gui:
        try:
            log = os.path.join(gui.app_data(), "Vardelin", "vtl", "Logs", LOG_NAME)

            # A second copy while the first runs.
            first, main = start_program(gui, program.exe)
            failures.check(wait_log(gui, log, INTERFACE_READY), "the default log %s got no start-up lines" % log)
            before = read(log)
            windows = gui.command("windows")
            second = gui.launch(program.exe)
            try:
                second.wait(60)
            except subprocess.TimeoutExpired:
                failures.add("a second copy did not end while the first one ran")
            failures.check(gui.command("windows") == windows, "a second copy changed the windows: %r, before %r" %
                           (unescape(gui.command("windows")), unescape(windows)))
            failures.check(read(log) == before, "a second copy changed the first copy's log")
            failures.check(gui.process_count("Vantrel.exe") == 1, "%d copies run" % gui.process_count("Vantrel.exe"))
            close_program(gui, failures, first, main)

            # A plain start after that one: the earlier run's lines are gone.
            with open(log, "a", encoding="utf-8") as f:
                f.write("a line of the earlier run\n")
            process, main = start_program(gui, program.exe)
            failures.check(wait_log(gui, log, INTERFACE_READY), "the second plain start wrote no start-up lines")
            text = read(log) or ""
            failures.check("a line of the earlier run" not in text and text.count(MACHINE_INFO) == 1,
                           "the second plain start's log holds %d machine-info blocks, the earlier run's line: %s" %
                           (text.count(MACHINE_INFO), "a line of the earlier run" in text))
            close_program(gui, failures, process, main)
            default_after = read(log)

            # The first word of the command line names the log.
            named = os.path.join(work, "named.log")
            with open(named, "w", encoding="utf-8") as f:
                f.write("a line already there\n")
            process, main = start_program(gui, program.exe, windows_path(named), "more", "words")
            failures.check(wait_log(gui, named, INTERFACE_READY), "the log named on the command line got no lines")
            text = read(named) or ""
            failures.check(text.startswith("a line already there\n") and text.count(MACHINE_INFO) == 1,
                           "the named log: %d machine-info blocks, begins %r" % (text.count(MACHINE_INFO), text[:40]))
            failures.check(read(log) == default_after, "a start with a named log changed the default log")
            close_program(gui, failures, process, main)

            # Without tvcore.dll.
            current = os.path.join(work, "current folder")
            shutil.rmtree(current, ignore_errors=True)
            os.makedirs(current)
            process = gui.launch(alone.exe, cwd=current)
            box = gui.find_box("", 60)
            if failures.check(box is not None, "no message box without tvcore.dll"):
                text = unescape(gui.command("box-text %s" % box))
                failures.check(text == NO_TVCORE, "the box without tvcore.dll says %r" % text)
                failures.check(os.path.isfile(os.path.join(current, LOG_NAME)),
                               "without tvcore.dll the log is not in the current folder: %r" % os.listdir(current))
                failures.check(gui.command("wait-main 0") == "timeout", "a main window shows without tvcore.dll")
                gui.command("press %s %d" % (box, IDOK))
            try:
                process.wait(30)
            except subprocess.TimeoutExpired:
                failures.add("the program did not end after the tvcore.dll message")
        except GuiError as error:
            failures.add("%s\n    last driver exchange:\n      %s" % (error, gui.transcript()))
        if not failures:
            gui.remove_prefix()
    return failures.report("gui_startup")


if __name__ == "__main__":
    sys.exit(main())
