"""The Windows program in a GUI session (tests/support/gui_session.py): its
control ids, its installed files, its main window, and vtl.exe in the same
prefix as the oracle for what the window must show.

    program = Program.install(work, vantrel, tvcore, vtl)
    gui.launch(program.exe)
    main = MainWindow(gui, gui.command("wait-main 60000"))
    main.select_drive("D")
    main.scan("D")
    rows = main.rows()
    want, counts, keys = program.vtl_list(gui, "D:", "\\docs")
"""
import json
import os
import re
import shutil
import subprocess

from gui_session import GuiError, escape, unescape

# Controls and commands of the main window (src/app/win32/resource.h).
TREE = 1001
LIST = 1008
FILE_FILTER = 1009
FOLDER_FILTER = 1010
CLEAR_FILTER = 1015
DESTINATION = 1014
UNDELETE = 1017
STATUS = 1040
READY_OVERLAY = 1041
UNSUPPORTED_OVERLAY = 1042
STOP = 107
RESCAN = 32771
SCAN_MENU = 32797
OVERWRITE_ALL = 1050
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7

COLUMNS = ("name", "type", "folder", "status", "size", "modified", "created")
LOG_NAME = "log_vtl.log"
MACHINE_INFO = "============== LOGGER MACHINE INFO ================="
SCAN_SECONDS = 180


class Program:
    """Vantrel.exe, tvcore.dll and vtl.exe copied into one folder of the test,
    as installed: the program finds tvcore beside itself."""

    def __init__(self, folder):
        self.folder = folder
        self.exe = os.path.join(folder, "Vantrel.exe")
        self.vtl = os.path.join(folder, "vtl.exe")

    @classmethod
    def install(cls, folder, vantrel, tvcore=None, vtl=None):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for path in filter(None, (vantrel, tvcore, vtl)):
            shutil.copy2(path, folder)
        return cls(folder)

    def vtl_run(self, gui, *args, timeout=300, quiet=True):
        done = gui.run([self.vtl] + list(args) + (["-q"] if quiet else []), timeout=timeout)
        return done.returncode, done.stdout.decode("utf-8", errors="replace").replace("\r", ""), \
            done.stderr.decode("utf-8", errors="replace").replace("\r", "")

    def vtl_list(self, gui, volume, folder=None, files=None, folders=None, sort=None):
        """What `vtl list` shows: (rows as tuples of the seven column texts,
        (deleted structures, files matched, folders matched), the entries'
        keys in row order: "#KEY" names an entry for vtl recover)."""
        args = ["list", volume] + ([folder] if folder else [])
        if files is not None:
            args += ["--files", files]
        if folders is not None:
            args += ["--folders", folders]
        if sort:
            args += ["--sort", sort]
        status, out, err = self.vtl_run(gui, *(args + ["--json"]))
        if status != 0:
            raise GuiError("vtl %s exited %d: %s" % (" ".join(args), status, err))
        entries = json.loads(out)
        rows = [tuple(entry[c] for c in COLUMNS) for entry in entries]
        status, out, err = self.vtl_run(gui, *args)
        counts = re.search(r"^(\d+) deleted structures, (\d+) files and (\d+) folders match filter$", out, re.M)
        if status != 0 or not counts:
            raise GuiError("vtl %s exited %d without counts: %s" % (" ".join(args), status, err or out[-300:]))
        return rows, tuple(int(n) for n in counts.groups()), [entry["key"] for entry in entries]

    def vtl_scan(self, gui, volume):
        """`vtl scan --json`: {path: entry}."""
        status, out, err = self.vtl_run(gui, "scan", volume, "--json")
        if status != 0:
            raise GuiError("vtl scan %s exited %d: %s" % (volume, status, err))
        return {entry["path"]: entry for entry in json.loads(out)}


def start_program(gui, exe, *args, cwd=None):
    """Starts EXE (the program) and waits for its main window; answers (the
    process, the main window's hwnd)."""
    process = gui.launch(exe, *args, cwd=cwd)
    main = gui.command("wait-main 60000", wait=60)
    if main == "timeout":
        raise GuiError("the main window did not appear (program %s)" %
                       ("running" if process.poll() is None else "ended %s" % process.returncode))
    return process, main


def close_program(gui, failures, process, main):
    """Closes the main window; the program must end."""
    gui.command("close %s" % main)
    try:
        process.wait(30)
    except subprocess.TimeoutExpired:
        failures.add("the program did not end on closing its window")


def folder_status(letter, counts):
    return " Current folder of drive %s: has %d deleted structures, %d files and %d folders match filter" % (
        (letter,) + tuple(counts))


class MainWindow:
    def __init__(self, gui, hwnd):
        if not hwnd or hwnd == "timeout":
            raise GuiError("the main window did not appear")
        self.gui, self.hwnd = gui, hwnd

    def ask(self, command, *args, wait=0):
        return self.gui.command(" ".join([command, self.hwnd] + [str(a) for a in args]), wait=wait)

    def text(self, control):
        return self.gui.text(self.hwnd, control)

    def status(self):
        return self.text(STATUS)

    def enabled(self, control):
        return self.ask("is-enabled", control) == "1"

    def visible(self, control):
        return self.ask("is-visible", control) == "1"

    def menu_state(self, command):
        return self.ask("menu-state", command)

    def row_count(self):
        return int(self.ask("list-count", LIST))

    def rows(self):
        rows = []
        for i in range(self.row_count()):
            row = tuple(unescape(t) for t in self.ask("list-row", LIST, i).split("\t"))
            rows.append(row)
        return rows

    def wait_rows(self, want, seconds=15):
        """Waits until the list shows WANT (the window handles posted input
        in its own time); the rows last seen."""
        seen = []

        def probe():
            seen[:] = self.rows()
            return seen == list(want)
        self.gui.wait_until(probe, seconds, step=0.3)
        return seen

    def wait_status(self, prefix, seconds=15):
        return self.gui.wait_text(self.hwnd, STATUS, prefix, seconds)

    def select_drive(self, letter):
        self.ask("tree-select", TREE, letter + ":")

    def set_text(self, control, text):
        self.ask("set-text", control, escape(text))

    def scan(self, letter, seconds=SCAN_SECONDS):
        """Starts a scan of the selected drive and waits for its listing; the status text."""
        self.ask("post-command", RESCAN)
        # The status shows the scan first; the listing's status follows it.
        self.gui.wait_until(lambda: not self.status().startswith(" Drive %s: is ready" % letter), 30)
        status = self.wait_status(" Current folder of drive %s:" % letter, seconds)
        if status is None:
            raise GuiError("the scan of %s: did not end in %d s (status %r)" % (letter, seconds, self.status()))
        return status

    def row_of(self, name):
        """The row whose name column is NAME (the up entry: ".."), else None."""
        for i, row in enumerate(self.rows()):
            if row[0] == name or (name == ".." and row[0].rstrip() == ".."):
                return i
        return None

    def double_click(self, name):
        row = self.row_of(name)
        if row is None:
            raise GuiError("no row %r to double-click" % name)
        self.ask("list-dblclick", LIST, row)

    def select_rows(self, names):
        rows = [self.row_of(n) for n in names]
        if None in rows:
            raise GuiError("rows %r not all listed" % (names,))
        self.ask("list-select", LIST, ",".join(str(r) for r in rows))

    def find_box(self, title, seconds):
        """A box of the program (the main window excluded) whose title starts with TITLE."""
        return self.gui.find_box(title, seconds)

    def wait_box_gone(self, box, seconds=10):
        return self.gui.wait_until(lambda: self.gui.ask("window-pid %s" % box).startswith("error"), seconds)

    def answer_box(self, box, button):
        self.gui.command("press %s %d" % (box, button))
        if not self.wait_box_gone(box):
            raise GuiError("the box %s stayed after button %d" % (box, button))

