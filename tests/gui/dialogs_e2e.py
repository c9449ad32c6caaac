#!/usr/bin/env python3
"""The About box, the MFT dump dialog and the help file of the program, under
Wine and Xvfb.

    dialogs_e2e.py DATA_DIR WORK_DIR SCREENSHOTS WINE GUI_DRIVER VANTREL TVCORE VTL HELP MARKER

- The settings beside the program hold the product strings: the window's
  title and the About box show them; the two links open the string table's
  targets (a stand-in opener is the prefix's handler of web and mail
  addresses and notes what it was given); "Diagnostics..." writes a ZIP
  archive that unzip accepts, and says where.
- With D: mapped to the NTFS fixture the MFT dump lists D:, writes
  C:\\BootDump.hex (the image's first 512 bytes) and C:\\MFTDump.hex (the
  1,024,000 bytes at the MFT offset), and a second dump overwrites both; with
  only a FAT volume mapped the list is empty.
- F1 opens the help file beside the program.
"""
import os
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
sys.path.insert(0, os.path.join(HERE, "..", "tvcore"))
sys.path.insert(0, HERE)
from bad_sectors import SKIP  # noqa: E402
from gui_session import GuiError, GuiSession, escape, unescape, windows_path, xvfb_missing  # noqa: E402
from script_support import scrambled  # noqa: E402
from vantrel_gui import IDOK, IDYES, Program, start_program  # noqa: E402
from vtl_e2e import Failures, unpack_fixture  # noqa: E402

ABOUT, MFT_DUMP, HELP_CONTENTS = 32773, 32798, 32787
HOME_LINK, MAIL_LINK, DIAGNOSTICS = 1024, 1025, 1033
DUMP_VOLUMES, DUMP_START, DUMP_STATUS = 1000, 1003, 1009
# The targets of the string table, whatever the settings show.
HOME_TARGET = "https://vantrel.example/"
MAIL_TARGET = 'mailto:support@vantrel.example?Subject="Vantrel Beta"'
SETTINGS = {"ProgramTitle": "Vantrel Test", "Version": "9.8.7", "VersionDesc": "Preview",
            "Copyright": "Copyright (c) the testers", "HomeURL": "https://home.settings.example/",
            "SupportEmail": "help@settings.example", "SupportURL": "https://support.settings.example/"}
DONE = "Dump process successfully acomplished."
MFT_BYTES = 1024000
# The file name box of the Save dialog (the newer and the older layout).
SAVE_NAME_BOXES = (1148, 1152)


def write_settings(folder):
    lines = ["[Registration]"] + ["%s=%s" % (key, scrambled(value)) for key, value in SETTINGS.items()]
    with open(os.path.join(folder, "vtl.ini"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def set_opener(gui, marker, work):
    """Makes MARKER the prefix's handler of http, https and mailto addresses:
    it appends its name and arguments to started.txt beside it."""
    folder = os.path.join(work, "opener")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    opener = os.path.join(folder, "opener.exe")
    shutil.copy2(marker, opener)
    for scheme in ("http", "https", "mailto"):
        gui.run(["reg", "add", "HKCR\\%s\\shell\\open\\command" % scheme, "/ve", "/d",
                 '"%s" "%%1"' % windows_path(opener), "/f"])
    return os.path.join(folder, "started.txt")


def read_text(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def check_about(gui, failures, main, started, work):
    gui.command("post-command %s %d" % (main, ABOUT))
    box = gui.find_box("About", 30)
    if not failures.check(box is not None, "no About box"):
        return
    texts = unescape(gui.command("box-text %s" % box)).split("\n")
    title = "%s %s %s" % (SETTINGS["ProgramTitle"], SETTINGS["Version"], SETTINGS["VersionDesc"])
    for want in (title, SETTINGS["Copyright"], SETTINGS["HomeURL"], SETTINGS["SupportEmail"]):
        failures.check(want in texts, "the About box does not show %r: %r" % (want, texts))
    gui.screenshot("about-box.png")

    for link, target in ((HOME_LINK, HOME_TARGET), (MAIL_LINK, MAIL_TARGET)):
        gui.command("mouse-down %s %d" % (box, link))
        seen = gui.wait_until(lambda: target in read_text(started), 30)
        failures.check(seen is not None, "the link %d did not open %r; the opener saw %r" %
                       (link, target, read_text(started)))

    archive = os.path.join(work, "report.zip")
    if os.path.exists(archive):
        os.remove(archive)
    gui.command("press %s %d" % (box, DIAGNOSTICS))
    question = gui.find_box("Talvenor Diagnostics", 30)
    if failures.check(question is not None, "Diagnostics... asked nothing"):
        gui.command("press %s %d" % (question, IDYES))
        save = gui.wait_until(lambda: (lambda b: b if b and b != question else None)(
            gui.find_box("Talvenor Diagnostics", 1)), 30)
        if failures.check(save is not None, "no Save dialog for the report"):
            for control in SAVE_NAME_BOXES:
                gui.ask("set-text %s %d %s" % (save, control, escape(windows_path(archive))))
            gui.command("press %s %d" % (save, IDOK))
            # The report is written while the window waits; the box that
            # says where it went follows the Save dialog.
            gone = gui.wait_until(lambda: gui.ask("window-pid %s" % save).startswith("error") or None, 30)
            failures.check(gone is not None, "the Save dialog did not take the file name")
            written = gui.wait_until(lambda: (lambda b: b if b not in (None, save, question) else None)(
                gui.find_box("Talvenor Diagnostics", 1)), 180)
            if failures.check(written is not None, "no message after the report"):
                text = unescape(gui.command("box-text %s" % written))
                failures.check(windows_path(archive) in text, "the message does not say where: %r" % text)
                gui.command("press %s %d" % (written, IDOK))
            tested = subprocess.run(["unzip", "-t", archive], capture_output=True, text=True)
            failures.check(tested.returncode == 0, "unzip -t refuses the report: %s" % tested.stdout[-300:])
    gui.wait_until(lambda: gui.ask("window-pid %s" % box).startswith("error") or None, 1)
    gui.command("press %s %d" % (box, IDOK))


def mft_offset(image):
    with open(image, "rb") as f:
        boot = f.read(512)
    bytes_per_sector, = struct.unpack_from("<H", boot, 11)
    sectors_per_cluster = boot[13]
    mft_cluster, = struct.unpack_from("<I", boot, 48)
    return sectors_per_cluster * mft_cluster * bytes_per_sector, boot


def dump_once(gui, failures, box):
    before = unescape(gui.command("text %s %d" % (box, DUMP_STATUS)))
    gui.command("press %s %d" % (box, DUMP_START))
    done = gui.wait_until(lambda: unescape(gui.command("text %s %d" % (box, DUMP_STATUS))).count(DONE) >
                          before.count(DONE) or None, 60)
    return failures.check(done is not None, "the dump did not end with %r: %r" %
                          (DONE, unescape(gui.command("text %s %d" % (box, DUMP_STATUS)))))


def check_mft_dump(gui, failures, main, image):
    gui.command("post-command %s %d" % (main, MFT_DUMP))
    box = gui.find_box("MFTDump", 30)
    if not failures.check(box is not None, "no MFT dump dialog"):
        return
    failures.check(gui.text(box, DUMP_VOLUMES) == "D:\\", "the dump offers %r, not D:\\" % gui.text(box, DUMP_VOLUMES))
    offset, boot = mft_offset(image)
    with open(image, "rb") as f:
        f.seek(offset)
        mft = f.read(MFT_BYTES)
    boot_dump, mft_dump = gui.drive_c("BootDump.hex"), gui.drive_c("MFTDump.hex")
    for attempt in ("first", "second"):
        if attempt == "second":  # what the first dump wrote is replaced
            for path in (boot_dump, mft_dump):
                with open(path, "wb") as f:
                    f.write(b"x" * 2000000)
        if not dump_once(gui, failures, box):
            break
        with open(boot_dump, "rb") as f:
            failures.check(f.read() == boot, "the %s dump's BootDump.hex is not the boot sector" % attempt)
        with open(mft_dump, "rb") as f:
            failures.check(f.read() == mft, "the %s dump's MFTDump.hex is not the 1,024,000 bytes at %#x" %
                           (attempt, offset))
    gui.screenshot("mft-dump.png")
    gui.command("press %s 2" % box)


def check_help(gui, failures, main):
    gui.command("post-command %s %d" % (main, HELP_CONTENTS))
    failures.check(gui.wait_window("Vantrel Help", 30) is not None, "F1 opened no help window: %s" %
                   unescape(gui.command("windows")))


def main():
    data, work, screenshots, wine, driver, vantrel, tvcore, vtl, help_file, marker = sys.argv[1:11]
    if xvfb_missing():
        print("gui_dialogs: skipped (%s)" % xvfb_missing())
        return SKIP
    os.makedirs(work, exist_ok=True)
    program = Program.install(os.path.join(work, "program"), vantrel, tvcore, vtl)
    shutil.copy2(help_file, program.folder)
    write_settings(program.folder)
    ntfs = unpack_fixture(data, "ntfs_512", work)
    fat = unpack_fixture(data, "fat16", work)
    failures = Failures()
    ntfs_drive = {"d": (ntfs, os.path.join(work, "root_ntfs"))}
    with GuiSession("dialogs", work, wine, driver, screenshots, drives=ntfs_drive) as gui:
        try:
            started = set_opener(gui, marker, work)
            _, main_window = start_program(gui, program.exe)
            title = gui.text(main_window)
            want = "%s %s %s" % (SETTINGS["ProgramTitle"], SETTINGS["Version"], SETTINGS["VersionDesc"])
            failures.check(title == want, "the window title is %r, not %r" % (title, want))
            check_about(gui, failures, main_window, started, work)
            check_mft_dump(gui, failures, main_window, ntfs)
            check_help(gui, failures, main_window)
        except GuiError as error:
            failures.add("%s\n    last driver exchange:\n      %s" % (error, gui.transcript()))
        if not failures:
            gui.remove_prefix()
    fat_drive = {"d": (fat, os.path.join(work, "root_fat"))}
    with GuiSession("dialogs-fat", work, wine, driver, screenshots, drives=fat_drive) as gui:
        try:
            _, main_window = start_program(gui, program.exe)
            gui.command("post-command %s %d" % (main_window, MFT_DUMP))
            box = gui.find_box("MFTDump", 30)
            if failures.check(box is not None, "no MFT dump dialog on the FAT machine"):
                failures.check(gui.text(box, DUMP_VOLUMES) == "", "a FAT-only machine offers %r" %
                               gui.text(box, DUMP_VOLUMES))
                gui.command("press %s 2" % box)
        except GuiError as error:
            failures.add("%s\n    last driver exchange:\n      %s" % (error, gui.transcript()))
        if not failures:
            gui.remove_prefix()
    return failures.report("gui_dialogs")


if __name__ == "__main__":
    sys.exit(main())
