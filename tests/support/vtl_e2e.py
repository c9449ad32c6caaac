"""What the end-to-end scripts share: running vtl (natively, or vtl.exe under
Wine), the committed fixtures and their manifests, and failures that carry
the end of the operation log of the run that failed.

    sys.path.insert(0, "<source>/tests/support")
    from vtl_e2e import Failures, Vtl, read_manifest, sha256_file, unpack_image

    vtl = Vtl(VTL, wine=WINE)                 # WINE None: the native program
    failures = Failures(vtl)
    result = vtl.run("scan", vtl.host_path(image), "--json", log=log, quiet=True)
    failures.check(result.status == 0, "scan exited %d: %s" % (result.status, result.err))
    return failures.report("my_e2e")          # FAIL lines, a summary, the exit status

Every failure recorded after a run ends with the last lines that run added
to its --log file, so that a failure seen once in CI says what vtl did.
"""
import gzip
import hashlib
import os
import shutil
import subprocess
import sys

LOG_TAIL_LINES = 15


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def sha256_file(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def unpack_image(gz_path, image):
    """Decompresses the fixture GZ_PATH into the file IMAGE; answers IMAGE."""
    with gzip.open(gz_path, "rb") as src, open(image, "wb") as dst:
        shutil.copyfileobj(src, dst)
    return image


def unpack_fixture(data_dir, name, work):
    """The committed fixture NAME (ntfs_* or a FAT one) as WORK/NAME.img."""
    subdir = "ntfs" if name.startswith("ntfs") else "fat"
    return unpack_image(os.path.join(data_dir, subdir, name + ".img.gz"), os.path.join(work, name + ".img"))


class Entry:
    """One line of a manifest. NTFS lines give no name, kind or check: an
    NTFS entry is a file, and its bytes must match when it is rated Good."""

    def __init__(self, state, path, name, kind, size, sha, check, condition):
        self.state, self.path, self.name, self.kind = state, path, name, kind
        self.size, self.sha, self.check, self.condition = size, sha, check, condition

    @property
    def intact(self):
        return self.check == "exact"

    def __repr__(self):
        return "Entry(%s %s)" % (self.state, self.path)


class Manifest:
    def __init__(self, entries, expected_exit, log_texts, conditions):
        self.entries = entries
        self.expected_exit = expected_exit  # None where the manifest names none
        self.log_texts = log_texts          # texts the scan's log must hold
        self.conditions = conditions        # path -> condition the scan must give

    def files(self):
        return [e for e in self.entries if e.kind == "file"]


def read_manifest(path):
    """The manifest beside a fixture (see scripts/fixtures).

    FAT lines: state path name kind size sha check; NTFS lines: state path
    size sha condition. Comments "# exit N", "# log TEXT" and "# condition
    CONDITION PATH" give what the scan must end with, log and rate.
    """
    entries, expected_exit, log_texts, conditions = [], None, [], {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("# exit "):
                expected_exit = int(line[7:])
            elif line.startswith("# log "):
                log_texts.append(line[6:])
            elif line.startswith("# condition "):
                condition, epath = line[12:].split(" ", 1)
                conditions[epath] = condition
            elif line.strip() and not line.startswith("#"):
                fields = line.split("\t")
                if len(fields) == 7:
                    state, epath, name, kind, size, sha, check = fields
                    entries.append(Entry(state, epath, name, kind, None if size == "-" else int(size), sha, check,
                                         None))
                else:
                    state, epath, size, sha, condition = fields
                    entries.append(Entry(state, epath, epath.rsplit("\\", 1)[-1], "file", int(size), sha,
                                         "exact" if condition == "Good" else "none", condition))
    return Manifest(entries, expected_exit, log_texts, conditions)


def log_size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def log_tail(path, start=0, lines=LOG_TAIL_LINES):
    """The last LINES lines of the log file PATH from byte START on; [] when there are none."""
    try:
        with open(path, "rb") as f:
            f.seek(start)
            text = f.read().decode("utf-8", errors="replace")
    except OSError:
        return []
    return text.replace("\r", "").splitlines()[-lines:]


class Result:
    """How one run of vtl ended. stdout is bytes (None when it went elsewhere);
    out and err are the decoded texts; log_tail holds the last lines that the
    run added to its log (the runs of a script append to the same files)."""

    def __init__(self, status, stdout, stderr, log, log_start):
        self.status, self.stdout, self.stderr, self.log = status, stdout, stderr, log
        self.log_tail = log_tail(log, log_start) if log else []

    @property
    def out(self):
        return self.stdout.decode("utf-8")

    @property
    def err(self):
        return self.stderr.decode("utf-8", errors="replace")


class Vtl:
    """The program under test: PROGRAM natively, or under WINE as vtl.exe,
    which is given its paths in the Z: form (host_path)."""

    def __init__(self, program, wine=None, timeout=300):
        self.command = [wine, program] if wine else [program]
        self.wine = wine
        self.timeout = timeout
        self.last = None

    def host_path(self, path):
        return "Z:" + os.path.abspath(path).replace("/", "\\") if self.wine else path

    def run(self, *args, log=None, quiet=False, env=None, stdout=subprocess.PIPE, cwd=None):
        """Runs vtl ARGS, with --log LOG (a native path) and -q when asked."""
        command = self.command + list(args)
        if log:
            command += ["--log", self.host_path(log)]
        if quiet:
            command.append("-q")
        start = log_size(log) if log else 0
        done = subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, env=env, cwd=cwd,
                              timeout=self.timeout)
        self.last = Result(done.returncode, done.stdout, done.stderr, log, start)
        return self.last


class Failures:
    """The failures of one script. Each message recorded ends with the last
    lines of a log: of the run given, else of the last run of VTL, else of
    the file LOG (for a vtl that the script started itself)."""

    def __init__(self, vtl=None, log=None):
        self.vtl = vtl
        self.log = log
        self.messages = []
        self.quoted = []  # the runs whose log lines a message already holds

    def add(self, message, result=None):
        result = result or (self.vtl.last if self.vtl else None)
        if result:
            tail, log_name = result.log_tail, result.log
        else:
            tail, log_name = (log_tail(self.log), self.log) if self.log else ([], None)
        if tail and result is not None and any(result is run for run in self.quoted):
            message += "\n    (the same run as above)"
        elif tail:
            message += "\n    the log %s ends:\n      %s" % (log_name, "\n      ".join(tail))
            if result is not None:
                self.quoted.append(result)
        elif log_name:
            # Nothing logged at all: the program most likely never got to run.
            message += "\n    the run wrote nothing to the log %s" % log_name
        self.messages.append(message)

    def check(self, condition, message, result=None):
        if not condition:
            self.add(message, result)
        return condition

    def __bool__(self):
        return bool(self.messages)

    def report(self, name=None):
        """Prints every failure and, with NAME, a closing line; answers the exit status."""
        for message in self.messages:
            print("FAIL:", message)
        if name:
            print("%s: %s" % (name, "FAILED" if self.messages else "passed"))
        sys.stdout.flush()
        return 1 if self.messages else 0

    def stop(self, message, result=None):
        """Records MESSAGE and ends the script at once with status 1."""
        self.add(message, result)
        sys.exit(self.report())
