"""A Windows program under Wine on a virtual X display, steered through
gui_driver.exe (tests/gui/gui_driver.cpp), for the GUI tests.

    sys.path.insert(0, "<source>/tests/support")
    from gui_session import GuiSession, xvfb_missing

    drives = {"d": (image, root_folder)}        # mapped before Wine starts
    with GuiSession("main-ntfs", work, wine, driver, screenshots, drives) as gui:
        program = gui.launch(exe, "arg")         # a Popen: ends with the program
        main = gui.command("wait-main 60000", wait=60)
        gui.command("tree-select %s 1001 D:" % main)   # one driver command, its answer
        gui.screenshot("main.png")

Each session has its own Xvfb display (chosen by Xvfb: -displayfd) and a
fresh Wine prefix, booted and waited for, at WORK/wineprefix-gui-NAME, whose
default desktop is a virtual one (Wine's explorer /desktop=vtlgui,1024x768),
so that all its programs and the driver share it. Everything the session
started is ended when it closes, also after a failure. Every wait has a
time limit; a driver command that gets no answer in time raises GuiError.
"""
import ctypes
import os
import queue
import select
import shutil
import signal
import subprocess
import sys
import threading
import time

DESKTOP = "vtlgui"
DESKTOP_SIZE = "1024x768"
BOOT_TIMEOUT = 300
ANSWER_MARGIN = 30  # seconds a driver command may take beyond its own wait


class GuiError(Exception):
    pass


def _end_with_parent():
    """In a child: ask Linux for SIGTERM when the test script dies, so that a
    script killed at its time limit leaves no X server behind (and the Wine
    programs lose their display and end)."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


def xvfb_missing():
    """Why the GUI tests cannot run here ("" when they can)."""
    for tool in ("Xvfb", "import"):
        if not shutil.which(tool):
            return "%s is not installed" % tool
    return ""


def escape(text):
    """TEXT as a driver argument (a backslash escapes newline, tab, itself)."""
    return text.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            i += 1
            c = {"n": "\n", "r": "\r", "t": "\t"}.get(text[i], text[i])
        out.append(c)
        i += 1
    return "".join(out)


def windows_path(path):
    """A host path as Wine's drive Z: shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class GuiSession:
    def __init__(self, name, work, wine, driver, screenshots=None, drives=None):
        """DRIVES: {letter: (image, root folder or None)}, mapped before Wine
        starts (Wine reads its drives when it starts): see map_drive."""
        self.name, self.work, self.wine, self.driver_exe = name, work, wine, driver
        self.screenshots = screenshots
        self.drives = drives or {}
        self.prefix = os.path.join(work, "wineprefix-gui-" + name)
        self.wineserver = os.path.join(os.path.dirname(wine), "wineserver")
        self.env = None
        self.display = None
        self._xvfb = None
        self._display_pipe = None
        self._driver = None
        self._answers = queue.Queue()
        self._launched = []
        self._transcript = []  # the last commands and answers, for failure messages

    # -- set-up and tear-down -------------------------------------------------

    def __enter__(self):
        # A script stopped with SIGTERM (ctest's time limit) still tears down.
        if threading.current_thread() is threading.main_thread():
            signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
        try:
            self._start_xvfb()
            self._boot_prefix()
            for letter, (image, root) in self.drives.items():
                self.map_drive(letter, image, root)
            self._start_desktop()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _start_xvfb(self):
        # Xvfb writes its display number to the pipe when it is ready, and
        # again later (it dies when it cannot): the pipe stays open until
        # the session closes.
        self._display_pipe, write_end = os.pipe()
        os.makedirs(self.work, exist_ok=True)
        try:
            with open(os.path.join(self.work, "xvfb-%s.log" % self.name), "wb") as log:
                self._xvfb = subprocess.Popen(
                    ["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0", DESKTOP_SIZE + "x24",
                     "-nolisten", "tcp"], pass_fds=(write_end,), stdout=log, stderr=log,
                    preexec_fn=_end_with_parent)
        finally:
            os.close(write_end)
        ready, _, _ = select.select([self._display_pipe], [], [], 30)
        number = os.read(self._display_pipe, 16).decode().strip() if ready else ""
        if not number.isdigit():
            raise GuiError("Xvfb did not start")
        self.display = ":" + number

    def _boot_prefix(self):
        shutil.rmtree(self.prefix, ignore_errors=True)
        os.makedirs(self.work, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", DISPLAY=self.display,
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.setdefault("TZ", "UTC")
        subprocess.run([self.wine, "wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=BOOT_TIMEOUT, check=True)
        # wineboot returns before its helpers are done with the prefix.
        subprocess.run([self.wineserver, "-w"], env=self.env, timeout=BOOT_TIMEOUT)

    def _start_desktop(self):
        """Makes the virtual desktop the prefix's default, so that every program
        started in the prefix shows its windows there (and its wine process
        lasts as long as the program), and starts the driver on it."""
        for key, value, data in ((r"HKCU\Software\Wine\Explorer", "Desktop", DESKTOP),
                                 (r"HKCU\Software\Wine\Explorer\Desktops", DESKTOP, DESKTOP_SIZE)):
            subprocess.run([self.wine, "reg", "add", key, "/v", value, "/d", data, "/f"], env=self.env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=BOOT_TIMEOUT, check=True)
        subprocess.run([self.wineserver, "-w"], env=self.env, timeout=BOOT_TIMEOUT)
        self._driver = subprocess.Popen([self.wine, self.driver_exe, "--desktop", DESKTOP], env=self.env,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        threading.Thread(target=self._read_answers, daemon=True).start()
        # The first answer comes once the driver sits on the desktop.
        self.ask("windows", wait=60)

    def _read_answers(self):
        for line in self._driver.stdout:
            self._answers.put(line.decode("utf-8", errors="replace").rstrip("\r\n"))
        self._answers.put(None)

    def close(self):
        if self._driver and self._driver.poll() is None:
            try:
                self._driver.stdin.write(b"quit\n")
                self._driver.stdin.flush()
                self._driver.wait(10)
            except (OSError, subprocess.TimeoutExpired):
                pass
        if self.env:
            subprocess.run([self.wineserver, "-k"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)
        for process in [self._driver] + self._launched:
            if process is None:
                continue
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(10)
        if self._xvfb:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait(10)
        if self._display_pipe is not None:
            os.close(self._display_pipe)
        self._driver = self._xvfb = self._display_pipe = None
        self._launched = []

    def remove_prefix(self):
        """Removes the prefix (it is large); for a test that passed."""
        shutil.rmtree(self.prefix, ignore_errors=True)

    # -- the prefix -------------------------------------------------------------

    def map_drive(self, letter, image, root=None):
        """Maps drive LETTER: to the volume IMAGE as tests/support/wine_drive_d.sh
        does: \\\\.\\D: opens the image, D:\\ is the folder ROOT (none: the
        volume counts as unmounted). Only before Wine starts (see DRIVES)."""
        devices = os.path.join(self.prefix, "dosdevices")
        for link in (letter + "::", letter + ":"):
            if os.path.lexists(os.path.join(devices, link)):
                os.remove(os.path.join(devices, link))
        os.symlink(os.path.abspath(image), os.path.join(devices, letter + "::"))
        if root:
            os.makedirs(root, exist_ok=True)
            os.symlink(os.path.abspath(root), os.path.join(devices, letter + ":"))

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def app_data(self):
        """The user's application-data folder inside the prefix (CSIDL_APPDATA)."""
        users = self.drive_c("users")
        for user in sorted(os.listdir(users)):
            folder = os.path.join(users, user, "AppData", "Roaming")
            if user != "Public" and os.path.isdir(folder):
                return folder
        raise GuiError("no user folder in the prefix")

    # -- programs ---------------------------------------------------------------

    def launch(self, exe, *args, cwd=None):
        """Starts the Windows program EXE with ARGS on the session's desktop;
        the Popen ends when the program ends."""
        process = subprocess.Popen([self.wine, exe] + list(args), env=self.env, cwd=cwd, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self._launched.append(process)
        return process

    def run(self, command, timeout=300, cwd=None):
        """Runs a console program of the prefix to its end (vtl.exe): CompletedProcess."""
        return subprocess.run([self.wine] + list(command), env=self.env, cwd=cwd, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)

    def screenshot(self, name):
        """Saves the whole screen as SCREENSHOTS/NAME; answers the file's path."""
        os.makedirs(self.screenshots, exist_ok=True)
        path = os.path.join(self.screenshots, name)
        subprocess.run(["import", "-display", self.display, "-window", "root", path], timeout=60, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    # -- the driver -------------------------------------------------------------

    def ask(self, line, wait=0):
        """Sends one driver command, answers its answer; WAIT: the seconds the
        command itself may wait (wait-window, find-box)."""
        if self._driver is None or self._driver.poll() is not None:
            raise GuiError("the driver is not running")
        self._driver.stdin.write((line + "\n").encode("utf-8"))
        self._driver.stdin.flush()
        try:
            answer = self._answers.get(timeout=wait + ANSWER_MARGIN)
        except queue.Empty:
            raise GuiError("no answer to %r in %d s" % (line, wait + ANSWER_MARGIN)) from None
        if answer is None:
            raise GuiError("the driver ended on %r" % line)
        self._transcript = (self._transcript + ["> " + line, "< " + answer])[-20:]
        return answer

    def command(self, line, wait=0):
        """ask, raising GuiError on an error answer."""
        answer = self.ask(line, wait)
        if answer.startswith("error"):
            raise GuiError("%s -> %s" % (line, answer))
        return answer

    def transcript(self):
        return "\n      ".join(self._transcript)

    def wait_window(self, title_prefix, seconds):
        """The hwnd of a visible top-level window whose title starts with TITLE_PREFIX; None after SECONDS."""
        answer = self.command("wait-window %d %s" % (seconds * 1000, escape(title_prefix)), wait=seconds)
        return None if answer == "timeout" else answer

    def find_box(self, title, seconds, pid=0):
        """A dialog box (class #32770) of process PID (0: any) titled TITLE...; None after SECONDS."""
        answer = self.command("find-box %d %d %s" % (pid, seconds * 1000, escape(title)), wait=seconds)
        return None if answer == "timeout" else answer

    def text(self, hwnd, control=0):
        return unescape(self.command("text %s %d" % (hwnd, control)))

    def wait_until(self, probe, seconds, step=0.2):
        """Calls PROBE until it answers something true; that answer, or None after SECONDS."""
        end = time.monotonic() + seconds
        while True:
            value = probe()
            if value or time.monotonic() >= end:
                return value or None
            time.sleep(step)

    def wait_text(self, hwnd, control, prefix, seconds):
        """Waits until the control's text starts with PREFIX; the text, or None after SECONDS."""
        return self.wait_until(lambda: (lambda t: t if t.startswith(prefix) else None)(self.text(hwnd, control)),
                               seconds)

    def process_count(self, exe_name):
        return int(self.command("process-count " + exe_name))

    def wait_process_end(self, exe_name, seconds):
        """True when no process runs EXE_NAME within SECONDS."""
        return self.wait_until(lambda: self.process_count(exe_name) == 0, seconds) is not None
