#!/usr/bin/env python3
"""The "&Toolbox" menu that tvcore adds from the toolbox files of the
shared program-files folder, under Wine and Xvfb.

    toolbox_e2e.py WORK_DIR WINE GUI_DRIVER VANTREL TVCORE

Without toolbox files the menu bar is "&File" and "&Help". With two files
the newer one defines the menu, at position 1: its products by name, with
commands 2000 and up; the products of both files count as installed.
Choosing a product that is not installed shows "Product Not Installed"
with its name and description.
"""
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
sys.path.insert(0, HERE)
from bad_sectors import SKIP  # noqa: E402
from gui_session import GuiError, GuiSession, unescape, xvfb_missing  # noqa: E402
from vantrel_gui import IDCANCEL, Program, close_program, start_program  # noqa: E402
from vtl_e2e import Failures  # noqa: E402

# The older file: another product installed, and a definition that must not be used.
OLDER = """[Product]
ProductName=Gamma Tool
ProgramDir=C:\\Programs\\Gamma
[Toolbox Groups]
Group1=Old Group
[Toolbox Sequence]
Group1=1
[Old Only Product]
HomeURL=https://old.example/
Handle=oldonly
Desc=Only in the older file.
GroupNum=1
"""
# The newer file: the definition. Alpha is installed by this file, Gamma by
# the older one; Beta is not installed.
NEWER = """[Product]
ProductName=Alpha Keeper
ProgramDir=C:\\Programs\\Alpha
[Toolbox Groups]
Group1=Utilities
Group2=Recovery
[Toolbox Sequence]
Group1=1
Group2=2
[Beta Finder]
HomeURL=https://beta.example/
Handle=beta
Desc=Finds betas.
GroupNum=2
[Alpha Keeper]
HomeURL=https://alpha.example/
Handle=alpha
Desc=Keeps alphas.
GroupNum=1
[Gamma Tool]
HomeURL=https://gamma.example/
Handle=gamma
Desc=Measures gammas.
GroupNum=1
"""
NOT_INSTALLED = ("The product is not installed. Would you like to open Beta Finder web site to learn more about the "
                 "product and get a free demo?")


def run_program(gui, failures, program, check):
    process, main = start_program(gui, program.exe)
    check(main)
    close_program(gui, failures, process, main)


def main():
    work, wine, driver, vantrel, tvcore = sys.argv[1:6]
    if xvfb_missing():
        print("gui_toolbox: skipped (%s)" % xvfb_missing())
        return SKIP
    os.makedirs(work, exist_ok=True)
    program = Program.install(os.path.join(work, "program"), vantrel, tvcore)
    failures = Failures()
    with GuiSession("toolbox", work, wine, driver) as gui:
        try:
            def without_files(main):
                items = gui.command("menu-items %s" % main)
                failures.check(items == "&File\t&Help", "without toolbox files the menu bar is %r" % items)
            run_program(gui, failures, program, without_files)

            folder = gui.drive_c("Program Files", "Common Files", "Talvenor")
            os.makedirs(folder, exist_ok=True)
            now = time.time()
            for name, text, age in (("tOlder.ini", OLDER, 7200), ("tNewer.ini", NEWER, 3600)):
                path = os.path.join(folder, name)
                with open(path, "w", newline="\r\n") as f:
                    f.write(text)
                os.utime(path, (now - age, now - age))

            def with_files(main):
                items = gui.command("menu-items %s" % main)
                failures.check(items == "&File\t&Toolbox\t&Help", "with toolbox files the menu bar is %r" % items)
                # Entries by name; the older file's own definition is not used.
                for command, want in ((2000, "Alpha Keeper"), (2001, "Beta Finder"), (2002, "Gamma Tool"),
                                      (2003, "error no menu item 2003")):
                    text = gui.ask("menu-text %s %d" % (main, command))
                    failures.check(text == want, "toolbox command %d reads %r, not %r" % (command, text, want))
                gui.command("post-command %s 2001" % main)
                box = gui.find_box("Product Not Installed", 20)
                if failures.check(box is not None, "choosing Beta Finder showed no \"Product Not Installed\" box"):
                    text = unescape(gui.command("box-text %s" % box))
                    failures.check(NOT_INSTALLED in text.split("\n") and "Finds betas." in text.split("\n"),
                                   "the \"Product Not Installed\" box says %r" % text)
                    gui.command("press %s %d" % (box, IDCANCEL))
                    failures.check(gui.wait_until(lambda: gui.find_box("Product Not Installed", 0) is None, 10),
                                   "the box stayed after Cancel")
            run_program(gui, failures, program, with_files)
        except GuiError as error:
            failures.add("%s\n    last driver exchange:\n      %s" % (error, gui.transcript()))
        if not failures:
            gui.remove_prefix()
    return failures.report("gui_toolbox")


if __name__ == "__main__":
    sys.exit(main())
