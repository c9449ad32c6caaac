#!/usr/bin/env python3
"""The main window on scanned volumes, driven as a user would, under Wine
and Xvfb; `vtl list` and `vtl recover` in the same prefix say what it must
show and write.

    main_window_e2e.py ntfs|fat DATA_DIR WORK_DIR SCREENSHOTS WINE GUI_DRIVER VANTREL TVCORE VTL

ntfs: drive D: is the NTFS fixture. fat: D: is the FAT12 floppy, E: the
Recycle Bin fixture, F: a FAT32 volume of many small files made here with
mkfs.fat and mtools, big enough that its scan can be cancelled.

On every volume: the drive is selected and scanned; every row of the list
equals vtl's, in vtl's order, in the folders visited, after header clicks
(ascending, descending, another column) and under the file and folder
filters; the status bar counts equal vtl's. Double-clicks move into a
folder and back through "..". Undelete writes what vtl recover writes
(names, bytes, times, messages); a second Undelete asks the overwrite
question, answered Yes, No, All and Cancel. The fat run also checks the
Recycle Bin rows, a Cancel during a scan and the window after it.
"""
import calendar
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
sys.path.insert(0, HERE)
from bad_sectors import SKIP  # noqa: E402
from gui_session import GuiError, GuiSession, unescape, windows_path, xvfb_missing  # noqa: E402
from vantrel_gui import (CLEAR_FILTER, DESTINATION, FILE_FILTER, FOLDER_FILTER, IDCANCEL, IDNO, IDOK,  # noqa: E402
                         IDYES, LIST, OVERWRITE_ALL, READY_OVERLAY, RESCAN, SCAN_MENU, STOP, UNDELETE,
                         UNSUPPORTED_OVERLAY, MainWindow, Program, folder_status)
from vtl_e2e import Failures, read_manifest, sha256_file, unpack_fixture  # noqa: E402

# The filters typed into the two fields, as (file filter, folder filter).
FILTERS = [("rep", "*"), ("*.doc", "*"), ("readme.", "*"), ("*.", "*"), ("*.*", "a")]

QUESTION = "File %s already exists in the destination folder.\nDo you want to overwrite it?"
READY_TEXT = "Select drive to scan for deleted files and click the Scan button"

# Per volume: the folder whose rows are sorted, the folders the filters are
# tried in, what is undeleted (folder, names) and the two files of the
# overwrite questions (both undeleted before), each as a path of names from
# the root.
PLANS = {
    "ntfs": {
        "D": dict(fixture="ntfs_4k", sort=["packed"], filters=[[], ["docs"], ["docs", "projects", "2024"]],
                  undelete=[(["docs"], ["readme.txt", "tiny.txt"]), ([], ["old"])],
                  overwrite=(["docs"], ["readme.txt", "tiny.txt"]), screenshot=([], "main-ntfs.png"),
                  overwrite_screenshot="overwrite-question.png"),
    },
    "fat": {
        "D": dict(fixture="fat12_floppy", sort=[], filters=[[]],
                  undelete=[([], ["_eport.doc", "_OTES.TXT"]), ([], ["_ldStuff"])],
                  overwrite=([], ["_eport.doc", "_OTES.TXT"])),
        "E": dict(fixture="fat16_recycler", sort=None,
                  filters=[[], ["RECYCLER", "S-1-5-21-1004336348-1177238915-682003330-1003"]],
                  undelete=[(["RECYCLER", "S-1-5-21-1004336348-1177238915-682003330-1003"], ["report.txt"])],
                  overwrite=None,
                  screenshot=(["RECYCLER", "S-1-5-21-1004336348-1177238915-682003330-1003"], "fat-recbin.png")),
    },
}
BIG_FOLDERS, BIG_FILES = 8, 3000  # the cancelled volume: about 1 ms of scan per entry under Wine


def make_big_volume(work):
    """A FAT32 volume of BIG_FOLDERS folders of BIG_FILES small files, some deleted."""
    image = os.path.join(work, "big.img")
    source = os.path.join(work, "big_source")
    shutil.rmtree(source, ignore_errors=True)
    for f in range(BIG_FOLDERS):
        folder = os.path.join(source, "DIR%d" % f)
        os.makedirs(folder)
        for i in range(BIG_FILES):
            with open(os.path.join(folder, "F%05d.TXT" % i), "w") as out:
                out.write("%d %d\n" % (f, i))
    if os.path.exists(image):
        os.remove(image)
    env = dict(os.environ, MTOOLS_SKIP_CHECK="1")
    subprocess.run(["mkfs.fat", "-C", "-F", "32", "-s", "1", image, "65536"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["mcopy", "-s", "-i", image] + [os.path.join(source, d) for d in sorted(os.listdir(source))] +
                   ["::"], check=True, env=env)
    for f in range(BIG_FOLDERS):
        subprocess.run(["mdel", "-i", image, "::DIR%d/F000*.TXT" % f], check=True, env=env)
    shutil.rmtree(source)
    return image


def tree_of(folder):
    """{relative path: (sha256, mtime in ns)} of the files below FOLDER; folders as (None, None)."""
    found = {}
    for top, dirs, files in os.walk(folder):
        for name in dirs:
            found[os.path.relpath(os.path.join(top, name), folder)] = (None, None)
        for name in files:
            path = os.path.join(top, name)
            found[os.path.relpath(path, folder)] = (sha256_file(path), os.stat(path).st_mtime_ns)
    return found


def iso_seconds(text):
    return calendar.timegm(time.strptime(text, "%Y-%m-%dT%H:%M:%SZ"))


def numbered(name, n):
    base, dot, ext = name.rpartition(".")
    return "%s(%d).%s" % (base, n, ext) if dot else "%s(%d)" % (name, n)


class Run:
    """One volume of the window: where the list is, which sort and filters
    are set, and the checks against vtl."""

    def __init__(self, gui, program, main, failures, letter):
        self.gui, self.program, self.main, self.failures = gui, program, main, failures
        self.letter, self.volume = letter, letter + ":"
        self.path = []        # the current folder, names from the root
        self.sort = None      # as vtl list --sort takes it
        self.files, self.folders = "*.*", "*"

    def folder(self):
        return "\\" + "\\".join(self.path) if self.path else None

    def where(self):
        return "%s%s (files %r, folders %r, sort %s)" % (self.volume, self.folder() or "\\", self.files,
                                                         self.folders, self.sort)

    def expect_listing(self, what):
        """The list and the status equal vtl list's; answers vtl's (rows, counts, keys)."""
        want = self.program.vtl_list(self.gui, self.volume, self.folder(), self.files, self.folders, self.sort)
        rows, counts, _ = want
        seen = self.main.wait_rows(rows)
        if not self.failures.check(seen == rows, "%s: %s: the list differs from vtl list:\n%s" %
                                   (what, self.where(), describe_difference(seen, rows))):
            return want
        status = self.main.status()
        self.failures.check(status == folder_status(self.letter, counts), "%s: %s: status %r, vtl counts %r" %
                            (what, self.where(), status, counts))
        return want

    # -- steps -----------------------------------------------------------------

    def select_and_scan(self):
        main, f = self.main, self.failures
        main.select_drive(self.letter)
        ready = " Drive %s: is ready for scanning for deleted files" % self.letter
        f.check(main.wait_status(ready) == ready, "selecting %s: status %r" % (self.volume, main.status()))
        scan_text = "Scan %s:" % self.letter
        f.check(main.text(RESCAN) == scan_text and main.ask("menu-text", SCAN_MENU) == scan_text,
                "before the scan the button reads %r and the menu item %r, not %r" %
                (main.text(RESCAN), main.ask("menu-text", SCAN_MENU), scan_text))
        f.check(main.visible(READY_OVERLAY) and main.text(READY_OVERLAY) == READY_TEXT,
                "the ready overlay: visible %s, text %r" % (main.visible(READY_OVERLAY), main.text(READY_OVERLAY)))
        f.check(not main.enabled(UNDELETE) and main.menu_state(UNDELETE) == "grayed",
                "Undelete is offered before the scan of %s" % self.volume)
        main.scan(self.letter)
        rescan = "Rescan %s:" % self.letter
        f.check(main.text(RESCAN) == rescan and main.ask("menu-text", SCAN_MENU) == rescan,
                "after the scan the button reads %r and the menu item %r" %
                (main.text(RESCAN), main.ask("menu-text", SCAN_MENU)))
        f.check(main.enabled(UNDELETE) and main.menu_state(UNDELETE) == "enabled",
                "Undelete is not offered after the scan of %s" % self.volume)
        f.check(not main.visible(READY_OVERLAY) and not main.visible(UNSUPPORTED_OVERLAY) and not main.visible(STOP),
                "after the scan an overlay or the Cancel button is still shown")
        self.expect_listing("after the scan")

    # The status check of expect_listing also shows that the counts change
    # with the folder.
    def enter(self, name):
        self.main.double_click(name)
        self.path.append(name)
        self.expect_listing("double-click on %r" % name)

    def leave(self):
        self.main.double_click("..")
        self.path.pop()
        self.expect_listing("double-click on '..'")

    def go(self, path):
        while self.path and self.path != path[:len(self.path)]:
            self.leave()
        for name in path[len(self.path):]:
            self.enter(name)

    def sort_by_clicks(self):
        """Size twice (ascending, then descending), then the name column (ascending)."""
        for column, sort in ((4, "size"), (4, "size:desc"), (0, "name")):
            self.main.ask("header-click", LIST, column)
            self.sort = sort
            self.expect_listing("click on header %d" % column)

    def set_filters(self, files, folders, what):
        self.main.set_text(FILE_FILTER, files)
        self.main.set_text(FOLDER_FILTER, folders)
        self.files, self.folders = files, folders
        self.expect_listing(what)

    def try_filters(self):
        for files, folders in FILTERS:
            self.set_filters(files, folders, "filters %r and %r" % (files, folders))
        self.main.ask("click", CLEAR_FILTER)
        self.files, self.folders = "*.*", ""
        self.main.gui.wait_until(lambda: self.main.text(FILE_FILTER) == "*.*", 10)
        self.failures.check(self.main.text(FILE_FILTER) == "*.*" and self.main.text(FOLDER_FILTER) == "",
                            "Clear filter left %r and %r" % (self.main.text(FILE_FILTER),
                                                             self.main.text(FOLDER_FILTER)))
        self.expect_listing("Clear filter")


class Boxes:
    """Answers the boxes of one Undelete run until the run ends: overwrite
    questions by the given answers, message boxes with OK."""

    def __init__(self, main, answers, screenshot=None):
        self.main, self.answers, self.screenshot = main, list(answers), screenshot
        self.questions, self.messages = [], []

    def run(self, first_wait=60):
        main, gui = self.main, self.main.gui
        box = main.find_box("", first_wait)
        if box is None:
            raise GuiError("Undelete showed no box in %d s (status %r)" % (first_wait, main.status()))
        end = time.monotonic() + 300
        while time.monotonic() < end:
            if box is None:
                if not main.visible(STOP):
                    return self
                box = main.find_box("", 1)
                continue
            title = gui.text(box)
            text = unescape(gui.command("box-text %s" % box))
            if title.startswith("Confirm File Overwrite"):
                self.questions.append(text)
                if self.screenshot:
                    gui.screenshot(self.screenshot)
                    self.screenshot = None
                if not self.answers:
                    raise GuiError("an overwrite question more than expected: %r" % text)
                main.answer_box(box, self.answers.pop(0))
            else:
                self.messages.append(text)
                main.answer_box(box, IDOK)
            box = None
        raise GuiError("the Undelete run did not end")


def undelete(run, out, names, answers=(), screenshot=None):
    main = run.main
    main.set_text(DESTINATION, windows_path(out))
    main.select_rows(names)
    main.ask("post-command", UNDELETE)
    return Boxes(main, answers, screenshot).run()


def check_first_undelete(run, manifest, scan, folder_path, names, out, expected_dir):
    """Undelete into an empty folder writes what vtl recover writes for the same entries."""
    f = run.failures
    rows, _, keys = run.program.vtl_list(run.gui, run.volume, run.folder(), run.files, run.folders, run.sort)
    by_name = {row[0]: key for row, key in zip(rows, keys)}
    entries = ["#%d" % by_name[name] for name in names]
    status, stdout, stderr = run.program.vtl_run(run.gui, "recover", run.volume, "--to", windows_path(expected_dir),
                                                 *entries, quiet=False)
    f.check(status == 0, "vtl recover %s exited %d: %s" % (entries, status, stderr))
    boxes = undelete(run, out, names)
    want_messages = [line for line in stdout.splitlines() if line]
    f.check(boxes.messages == want_messages, "Undelete of %s: messages %r, vtl recover said %r" %
            (names, boxes.messages, want_messages))
    got, want = tree_of(out), tree_of(expected_dir)
    f.check(got == want, "Undelete of %s wrote %r; vtl recover wrote %r" % (names, sorted(got), sorted(want)))
    prefix = "\\" + "\\".join(folder_path) if folder_path else ""
    for rel, (sha, mtime) in got.items():
        if sha is None:
            continue
        path = prefix + "\\" + rel.replace("/", "\\")
        entry = next((e for e in manifest.entries if e.path == path), None)
        if entry is not None and entry.intact:
            f.check(sha == entry.sha, "%s: written bytes differ from the manifest's" % path)
        if path in scan and scan[path]["modified"]:
            f.check(mtime // 10**9 == iso_seconds(scan[path]["modified"]), "%s: modification time %d, scan says %s" %
                    (path, mtime // 10**9, scan[path]["modified"]))


def check_overwrite(run, out, names, screenshot):
    """The overwrite question for two files already in OUT, answered four ways."""
    f = run.failures
    first, second = names
    originals = tree_of(out)
    sha = {name: originals[name][0] for name in names}
    cases = [
        # answers, (new file, the file whose bytes it holds), messages shown and questions asked (names)
        ((IDYES, IDNO), [(numbered(first, 1), first)], [first], [first, second]),
        ((OVERWRITE_ALL,), [(numbered(first, 2), first), (numbered(second, 1), second)], [first, second], [first]),
        ((IDCANCEL,), [], [], [first]),
        ((IDNO, IDNO), [], [], [first, second]),  # the Cancel before does not stop this run
    ]
    for answers, appear, messages, questions in cases:
        before = set(tree_of(out))
        boxes = undelete(run, out, names, answers, screenshot)
        screenshot = None
        after = tree_of(out)
        label = "overwrite answers %r" % (answers,)
        new = sorted(set(after) - before)
        f.check(new == sorted(n for n, _ in appear), "%s: new files %r, expected %r" % (label, new, appear))
        f.check(all(after[name] == originals[name] for name in names), "%s: an existing file changed" % label)
        for name, original in appear:
            f.check(after.get(name, (None,))[0] == sha[original], "%s: %s does not hold %s's bytes" %
                    (label, name, original))
        f.check(boxes.questions == [QUESTION % n for n in questions], "%s: questions %r" % (label, boxes.questions))
        f.check(boxes.messages == ["File '%s' was successfully recovered." % n for n in messages],
                "%s: messages %r" % (label, boxes.messages))


def check_cancel(run):
    """Cancel during the scan of the big volume: the scan ends early, with
    a part of the tree, and the window goes on working."""
    main, f, letter = run.main, run.failures, run.letter
    run.files, run.folders, run.path = "*.*", "*", []
    main.set_text(FILE_FILTER, run.files)
    main.set_text(FOLDER_FILTER, run.folders)
    # vtl scans this volume for half a minute: its listing is taken once.
    full_rows, full_counts, _ = run.program.vtl_list(run.gui, run.volume, None, run.files, run.folders, run.sort)
    main.select_drive(letter)
    main.wait_status(" Drive %s: is ready" % letter)
    main.ask("post-command", RESCAN)
    if not main.gui.wait_until(lambda: main.visible(STOP), 30):
        raise GuiError("the Cancel button did not appear during the scan (status %r)" % main.status())
    scanning = main.status()
    f.check(scanning == " Scanning drive %s: " % letter, "status during the scan %r" % scanning)
    time.sleep(1)
    main.ask("click", STOP)
    pressed = time.monotonic()
    status = main.wait_status(" Current folder of drive %s:" % letter, 60)
    if status is None:
        raise GuiError("the scan did not end within 60 s of Cancel (status %r)" % main.status())
    f.check(time.monotonic() - pressed < 20, "the scan took %.0f s to end after Cancel" % (time.monotonic() - pressed))
    rows = main.rows()
    f.check(len(rows) < len(full_rows) or status != folder_status(letter, full_counts),
            "after Cancel the window shows the whole volume (%d rows, %r): the scan was not stopped" %
            (len(rows), status))
    f.check(not main.visible(STOP) and main.enabled(RESCAN) and main.text(RESCAN) == "Rescan %s:" % letter,
            "after Cancel: Cancel shown %s, Rescan enabled %s, reads %r" %
            (main.visible(STOP), main.enabled(RESCAN), main.text(RESCAN)))
    # Still usable: a full rescan lists the whole volume.
    main.ask("post-command", RESCAN)
    main.gui.wait_until(lambda: main.visible(STOP), 30)
    if main.wait_status(" Current folder of drive %s:" % letter, 300) is None:
        raise GuiError("the rescan after Cancel did not end (status %r)" % main.status())
    seen = main.wait_rows(full_rows)
    f.check(seen == full_rows, "the rescan after Cancel lists:\n%s" % describe_difference(seen, full_rows))
    f.check(main.status() == folder_status(letter, full_counts), "the rescan after Cancel: status %r, vtl %r" %
            (main.status(), full_counts))


def run_volume(gui, program, main, failures, letter, plan, manifest, work, sort):
    """SORT: the sort that an earlier drive's header clicks chose, which holds for this one too."""
    run = Run(gui, program, main, failures, letter)
    run.sort = sort
    run.select_and_scan()
    scan = program.vtl_scan(gui, run.volume)
    if plan.get("screenshot") and not plan["screenshot"][0]:
        gui.screenshot(plan["screenshot"][1])
    if plan["sort"] is not None:
        run.go(plan["sort"])
        run.sort_by_clicks()
        run.go([])
    for path in plan["filters"]:
        run.go(path)
        if plan.get("screenshot") and plan["screenshot"][0] == path:
            gui.screenshot(plan["screenshot"][1])
        run.try_filters()
    run.set_filters("*.*", "*", "filters back to all")
    out = os.path.join(work, "undeleted_" + letter)
    for i, (path, names) in enumerate(plan["undelete"]):
        run.go(path)
        check_first_undelete(run, manifest, scan, path, names, os.path.join(out, str(i)),
                             os.path.join(work, "vtl_recovered_%s_%d" % (letter, i)))
    if plan["overwrite"]:
        path, names = plan["overwrite"]
        run.go(path)
        index = plan["undelete"].index((path, names))
        check_overwrite(run, os.path.join(out, str(index)), names, plan.get("overwrite_screenshot"))
    run.go([])
    return run


def main():
    flavour, data_dir, work, screenshots, wine, driver, vantrel, tvcore, vtl = sys.argv[1:10]
    if xvfb_missing():
        print("gui_main_window_%s: skipped (%s)" % (flavour, xvfb_missing()))
        return SKIP
    os.makedirs(work, exist_ok=True)
    plans = PLANS[flavour]
    images = {letter: unpack_fixture(data_dir, plan["fixture"], work) for letter, plan in plans.items()}
    manifests = {letter: read_manifest(os.path.join(data_dir, "ntfs" if plan["fixture"].startswith("ntfs") else "fat",
                                                    plan["fixture"] + ".manifest"))
                 for letter, plan in plans.items()}
    drives = {letter.lower(): (image, os.path.join(work, "root_" + letter)) for letter, image in images.items()}
    if flavour == "fat":
        drives["f"] = (make_big_volume(work), os.path.join(work, "root_F"))
    for folder in os.listdir(work):
        if folder.startswith(("undeleted_", "vtl_recovered_")):
            shutil.rmtree(os.path.join(work, folder))

    program = Program.install(os.path.join(work, "program"), vantrel, tvcore, vtl)
    failures = Failures()
    name = "main-" + flavour
    with GuiSession(name, work, wine, driver, screenshots, drives) as gui:
        try:
            gui.launch(program.exe)
            main_window = MainWindow(gui, gui.command("wait-main 60000", wait=60))
            status = main_window.wait_status("Drive C: undelete not supported", 20)
            failures.check(status is not None, "the first status %r is not the one of drive C:" % main_window.status())
            failures.check(main_window.visible(UNSUPPORTED_OVERLAY) and not main_window.enabled(RESCAN),
                           "drive C: (a folder) is offered for a scan")
            last = None
            for letter, plan in plans.items():
                last = run_volume(gui, program, main_window, failures, letter, plan, manifests[letter], work,
                                  last.sort if last else None)
            if flavour == "fat":
                big = Run(gui, program, main_window, failures, "F")
                big.sort = last.sort
                check_cancel(big)
                # The drive scanned before keeps its listing.
                last.main.select_drive(last.letter)
                last.expect_listing("back on drive %s:" % last.letter)
            main_window.ask("close")
            failures.check(gui.wait_process_end("Vantrel.exe", 30), "the program did not end on closing the window")
        except GuiError as error:
            failures.add("%s\n    last driver exchange:\n      %s" % (error, gui.transcript()))
            try:
                gui.screenshot("failed-%s.png" % name)
            except (subprocess.SubprocessError, OSError):
                pass
        if not failures:
            gui.remove_prefix()
    return failures.report("gui_main_window_" + flavour)


def describe_difference(seen, want):
    lines = []
    for i in range(max(len(seen), len(want))):
        a = seen[i] if i < len(seen) else None
        b = want[i] if i < len(want) else None
        if a != b:
            lines.append("      row %d: window %r\n              vtl    %r" % (i, a, b))
        if len(lines) >= 6:
            lines.append("      ...")
            break
    return "\n".join(lines) or "      (same rows)"


if __name__ == "__main__":
    sys.exit(main())
