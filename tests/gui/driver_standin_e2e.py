#!/usr/bin/env python3
"""gui_driver on the stand-in window (standin_window.cpp), whose controls
report in its status bar what they were told: a failure here is the
driver's or the session's, not the program's.

    driver_standin_e2e.py WORK_DIR WINE GUI_DRIVER STANDIN_WINDOW
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bad_sectors import SKIP  # noqa: E402
from gui_session import GuiError, GuiSession, windows_path, xvfb_missing  # noqa: E402
from vtl_e2e import Failures  # noqa: E402

STATUS = 1040


def main():
    work, wine, driver, standin = sys.argv[1:5]
    if xvfb_missing():
        print("gui_driver_standin: skipped (%s)" % xvfb_missing())
        return SKIP
    failures = Failures()
    with GuiSession("standin", work, wine, driver) as gui:
        try:
            gui.launch(windows_path(standin))
            w = gui.wait_window("Standin Window", 60)
            if not w:
                failures.stop("the stand-in window did not appear")
            status = gui.wait_text(w, STATUS, "ready", 10)
            failures.check(status == "ready", "status text: %r" % status)

            # command, how long the window may take, the status it must show after, the answer
            cases = [
                ("list-count %s 1008" % w, None, "40"),
                ("list-row %s 1008 3" % w, None, "\t".join("r3 c%d \u00e9" % c for c in range(7))),
                ("list-row %s 1008 40" % w, None, "error no row 40"),
                ("header-click %s 1008 2" % w, "column 2", "ok"),
                ("list-row %s 1008 0" % w, None, "\t".join("r39 c%d \u00e9" % c for c in range(7))),
                ("tree-select %s 1001 D:" % w, "drive D:", "ok"),
                ("tree-select %s 1001 Q:" % w, None, "error no root item Q:"),
                ("list-dblclick %s 1008 5" % w, "double-click 5", "ok"),
                ("list-select %s 1008 2,4,7" % w, None, "ok"),
                ("list-selected %s 1008" % w, None, "2,4,7"),
                ("set-text %s 1009 rep *\\t." % w, "filter rep *\t.", "ok"),
                ("text %s 107" % w, None, "Cancel"),
                ("click %s 32771" % w, "command 32771", "ok"),
                ("menu-items %s" % w, None, "&File\t&Help"),
                ("menu-text %s 32797" % w, None, "Ask"),
                ("menu-state %s 1017" % w, None, "grayed"),
                ("menu-state %s 32773" % w, None, "enabled checked"),
                ("menu-state %s 4242" % w, None, "error no menu item 4242"),
            ]
            for line, status_after, want in cases:
                answer = gui.ask(line)
                failures.check(answer == want, "%s answered %r, not %r" % (line, answer, want))
                if status_after:
                    seen = gui.wait_text(w, STATUS, status_after, 10)
                    failures.check(seen == status_after, "after %s the status is %r, not %r" %
                                   (line, gui.text(w, STATUS), status_after))

            # A message box of the window: found by process and title, read, answered.
            gui.command("post-command %s 32797" % w)
            pid = int(gui.command("window-pid %s" % w))
            box = gui.find_box("Standin Question", 10, pid)
            if failures.check(box is not None, "the message box did not appear"):
                text = gui.command("box-text %s" % box)
                failures.check(text == "Proceed?\\nSecond line", "box text %r" % text)
                gui.command("press %s 7" % box)
                failures.check(gui.wait_text(w, STATUS, "answer 7", 10) is not None,
                               "after No the status is %r" % gui.text(w, STATUS))
            failures.check(gui.find_box("Standin Question", 0, pid) is None, "the box stayed")

            gui.command("close %s" % w)
            failures.check(gui.wait_process_end("standin_window.exe", 20), "the stand-in did not end on WM_CLOSE")
        except GuiError as error:
            failures.add("%s\n    last driver exchange:\n      %s" % (error, gui.transcript()))
        if not failures:
            gui.remove_prefix()
    return failures.report("gui_driver_standin")


if __name__ == "__main__":
    sys.exit(main())
