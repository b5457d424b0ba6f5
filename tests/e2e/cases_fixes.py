"""Things a user sees around a printed piece and a sheet of stamps: the main
window keeps its size when it shows the last label number, the mailing log's
export sheet shows over the log window, and a sheet of stamps asks for its
printer with the print panel."""
import time

from cases_labels import choose_mailpiece, stamp_sheet_reminder, type_address, whole_pdf
from cases_letters import print_a_letter
from cases_log import LOG_EXPORT, click, visible_windows, wait_gone, wait_new_window
from session import Failure, wait_for


def case_last_number_keeps_the_window_size(session):
    """A Priority Mail Medium Flat Rate Box printed from the main window: the
    window shows the piece's label number as its last number and keeps the
    size it had before printing."""
    main = session.sign_in()
    type_address(session, main, ["Ada Lovelace", "1600 Pennsylvania Ave NW", "Washington DC 20500"])
    choose_mailpiece(session, main, "Medium Flat Rate Box")
    time.sleep(1.0)
    before = session.geometry(main)
    session.screenshot("last-number-before")
    session.keys(main, "ctrl+p")
    whole_pdf(session)
    wait_for("the piece in the mailing log", session.mailing_log, 20)
    time.sleep(2.0)
    after = session.geometry(main)
    session.screenshot("last-number-after")
    if (after["WIDTH"], after["HEIGHT"]) != (before["WIDTH"], before["HEIGHT"]):
        raise Failure("the main window was %dx%d before printing and is %dx%d with the last number shown" %
                      (before["WIDTH"], before["HEIGHT"], after["WIDTH"], after["HEIGHT"]))


def case_export_sheet_over_the_log_window(session):
    """A printed letter, the mailing-log window moved away from the screen's
    corner, and its Export…: the export sheet shows over the log window,
    across its middle, not in a corner of the screen."""
    main = session.sign_in()
    print_a_letter(session, main)
    wait_for("the letter in the mailing log", session.mailing_log, 60)
    session.keys(main, "ctrl+l")
    log = session.wait_window("^Mailing Log$", 20)
    session.xdotool("windowmove", "--sync", log, "200", "150")
    time.sleep(1.0)
    known = visible_windows(session)
    click(session, log, LOG_EXPORT)
    sheet = wait_new_window(session, known, "the export sheet")
    time.sleep(2.0)
    session.screenshot("export-sheet")
    session.screenshot_window(sheet, "export-sheet-window")
    over, shown = session.geometry(log), session.geometry(sheet)
    middle = over["X"] + over["WIDTH"] // 2
    sheet_middle = shown["X"] + shown["WIDTH"] // 2
    inside = (over["X"] <= shown["X"] and shown["X"] + shown["WIDTH"] <= over["X"] + over["WIDTH"]
              and over["Y"] <= shown["Y"] < over["Y"] + over["HEIGHT"])
    if not inside or abs(middle - sheet_middle) > 2:
        raise Failure("the export sheet is at %r, the log window at %r" % (shown, over))
    session.keys(sheet, "Escape")


def case_stamp_sheet_print_panel_cancelled(session):
    """The stamps mode's Print…: after the reminder the print panel asks for
    the printer (no page set-up); cancelling it buys and prints nothing."""
    main = session.sign_in()
    before = session.account()
    reminder = stamp_sheet_reminder(session, main)
    session.keys(reminder, "Return")
    panel = session.wait_window("^Print$", 20)
    time.sleep(2.0)
    session.screenshot("stamps-print-panel")
    session.screenshot_window(panel, "stamps-print-panel-window")
    if session.window("Page Setup"):
        raise Failure("the stamps' Print… opened a page set-up")
    session.keys(panel, "Escape")
    wait_gone(session, panel, "the print panel to close", 20)
    time.sleep(2.0)
    after = session.account()
    if session.pdfs() or after["balanceMils"] != before["balanceMils"]:
        raise Failure("a cancelled print panel printed %r and moved the balance from %d to %d mils" %
                      (session.pdfs(), before["balanceMils"], after["balanceMils"]))
