"""The Mode and Edit menus of the labels mode, and the stamps mode's menus
and toolbar, walked as a user walks them: the menu bar opened with a click on
its first title, the menu reached with the arrow keys, each item chosen with
Return (see cases_menus). The two modes show windows of different widths, so
the width says which mode the main window shows."""
import os
import subprocess
import time

from cases_menus import answer_to, choose, expect_answers, still_alive, visible_windows, walk_named
from session import PASS_PHRASE, SKIP, Failure, wait_for

# The steps from the menu bar's first title (the program's menu) to each menu.
FILE, EDIT, VIEW, MODE, POSTAGE, LOG, TOOLS = 1, 2, 3, 4, 5, 6, 7
# Where the user clicks, from the main window's upper left corner: the
# destination box and the Weight field of the labels mode, and in the stamps
# mode the first stamp of the sheet and the field of the number of sheets.
DESTINATION_BOX = (150, 200)
WEIGHT_FIELD = (600, 215)
FIRST_STAMP = (55, 167)
SHEET_COUNT_FIELD = (528, 327)


def width(session, main):
    return session.geometry(main).get("WIDTH", 0)


def is_labels(session, main):
    return width(session, main) > 900


def wait_mode(session, labels, what):
    """The main window once it shows the labels (labels=True) or the
    stamps."""
    def shown():
        main = still_alive(session, what)
        return main if is_labels(session, main) == labels else None

    return wait_for("the %s mode after %s" % ("labels" if labels else "stamps", what), shown, 10)


def open_menu_picture(session, main, steps, name):
    """Opens the menu `steps` titles to the right of the first, keeps a
    picture of it (the check marks and the greyed items a user sees) and
    closes it again; answers the picture's bytes."""
    def shown():
        # A menu's window is found by its class (it has no plain name).
        return set(session.xdotool("search", "--onlyvisible", "--class", "").split())

    before = shown()
    session.xdotool("mousemove", "--window", main, "20", "10", "click", "1")
    time.sleep(0.4)
    session.xdotool("key", "--delay", "80", *(["Right"] * steps))
    time.sleep(0.4)
    popup = wait_for("the open menu", lambda: sorted(shown() - before), 5)[-1]
    time.sleep(0.4)
    path = session.screenshot_window(popup, name)
    session.xdotool("key", "Escape", "Escape")
    time.sleep(0.4)
    with open(path, "rb") as f:
        return f.read()


def to_stamps(session, main):
    """Mode ▸ Stamps; answers the main window in the stamps mode."""
    choose(session, main, MODE, 2)
    return wait_mode(session, False, "Mode ▸ Stamps")


def clipboard(session):
    """The text of the desktop's clipboard ("" when none), read by a small
    Tk client on the session's display."""
    read = ("import tkinter\nr = tkinter.Tk()\nr.withdraw()\n"
            "try:\n    print(r.clipboard_get(), end='')\nexcept tkinter.TclError:\n    pass\n")
    return subprocess.run(["python3", "-c", read], env=session.env, capture_output=True, text=True,
                          timeout=20).stdout


def edit(session, main, item):
    """Chooses one item of the Edit menu (Undo 1, Redo 2, Cut 3, Copy 4,
    Paste 5, Select All 6; all enabled)."""
    choose(session, main, EDIT, item)
    time.sleep(0.6)


UNDO, REDO, CUT, COPY, PASTE, SELECT_ALL = 1, 2, 3, 4, 5, 6


def box_text(session, main):
    """The whole text of the focused field, through Edit ▸ Select All and
    Edit ▸ Copy."""
    edit(session, main, SELECT_ALL)
    edit(session, main, COPY)
    return clipboard(session)


def undo_then_redo(session, main):
    """Edit ▸ Undo, then Edit ▸ Redo, each at the end of the focused field;
    the field's text after each."""
    session.xdotool("key", "End")
    edit(session, main, UNDO)
    undone = box_text(session, main)
    session.xdotool("key", "End")
    edit(session, main, REDO)
    return undone, box_text(session, main)


def case_menus_mode_labels(session):
    """Sign in; Mode ▸ Labels and Envelopes in the labels mode keeps the
    labels; Mode ▸ Stamps shows the stamp sheet and moves the menu's check
    mark; Stamps again keeps the stamps; Labels and Envelopes brings the
    labels back with the check mark where it was; the window keeps its
    title throughout."""
    main = session.sign_in()
    title = session.xdotool("getwindowname", main).strip()
    if not is_labels(session, main):
        raise Failure("the program does not start in the labels mode (%d wide)" % width(session, main))
    labels_menu = open_menu_picture(session, main, MODE, "mode-menu-labels")
    choose(session, main, MODE, 1)
    time.sleep(1.5)
    main = wait_mode(session, True, "Mode ▸ Labels and Envelopes in the labels mode")
    main = to_stamps(session, main)
    session.screenshot_window(main, "mode-stamps")
    stamps_menu = open_menu_picture(session, main, MODE, "mode-menu-stamps")
    if stamps_menu == labels_menu:
        raise Failure("the Mode menu looks the same in both modes (its check mark did not move)")
    choose(session, main, MODE, 2)
    time.sleep(1.5)
    main = wait_mode(session, False, "Mode ▸ Stamps in the stamps mode")
    choose(session, main, MODE, 1)
    main = wait_mode(session, True, "Mode ▸ Labels and Envelopes")
    session.screenshot_window(main, "mode-labels-again")
    if open_menu_picture(session, main, MODE, "mode-menu-labels-again") != labels_menu:
        raise Failure("back in the labels mode, the Mode menu does not look as it did at the start")
    if session.xdotool("getwindowname", main).strip() != title:
        raise Failure("the window's title changed from %r to %r" % (title, session.xdotool("getwindowname", main)))


def case_menus_edit_labels(session):
    """Sign in; in the destination box of the labels mode, every item of the
    Edit menu does what its name says to the typed address: Select All and
    Copy put the whole text on the desktop's clipboard, Cut empties the box,
    Paste puts the clipboard's text back, Undo takes back the last typing,
    Redo does it again; Select All and Copy reach the Weight field (the text
    field of a pop-up) too."""
    main = session.sign_in()
    session.xdotool("mousemove", "--window", main, *map(str, DESTINATION_BOX), "click", "1")
    time.sleep(0.5)
    address = "Ada Lovelace"
    session.type(main, address)
    time.sleep(0.5)
    copied = box_text(session, main)
    if copied != address:
        raise Failure("Select All and Copy put %r on the clipboard, the box holds %r" % (copied, address))
    # Cut: the clipboard holds the text and the box is empty, so that a
    # letter typed and the text pasted after it are the box's whole text.
    edit(session, main, SELECT_ALL)
    edit(session, main, CUT)
    if clipboard(session) != address:
        raise Failure("Cut put %r on the clipboard" % clipboard(session))
    session.type(main, "X")
    edit(session, main, PASTE)
    session.screenshot_window(main, "edit-pasted")
    session.xdotool("key", "End")
    session.type(main, "!")
    if box_text(session, main) != "X" + address + "!":
        raise Failure("Cut and Paste left %r in the box (expected %r)" % (clipboard(session), "X" + address + "!"))
    address = "X" + address
    # Undo takes back the typed "!", Redo types it again.
    undone, redone = undo_then_redo(session, main)
    session.screenshot_window(main, "edit-redone")
    # The toolkit takes back a paste and the typing that follows it as one.
    if not (undone in (address, "X") and redone == address + "!"):
        raise Failure("Undo left %r and Redo %r in the box (typed: %r)" % (undone, redone, address + "!"))

    # The Weight field is the text field of an editable pop-up: the Edit
    # menu reaches it as well.
    session.xdotool("mousemove", "--window", main, *map(str, WEIGHT_FIELD), "click", "1")
    time.sleep(0.5)
    weight = box_text(session, main)
    if weight != "1 oz":
        raise Failure("Select All and Copy in the Weight field put %r on the clipboard (it shows '1 oz')" % weight)


# The File menu in the stamps mode: Verify Address only checks a typed
# address; Print Selected needs a stamp selected on the sheet.
STAMPS_FILE_MENU = [
    ("New Package", True),
    ("Import Addresses", True),
    ("Verify Address", False),
    ("Print", True),
    ("Test Print", True),
    ("Print Selected", False),
    ("Printer Setup", True),
]


def case_menus_file_stamps(session):
    """Sign in; Mode ▸ Stamps; the File menu there: Import Addresses opens
    its file dialog; Print asks the stamp sheet's question before buying (a
    reminder, answered Cancel: nothing is bought); Test Print prints the
    sample sheet after its print panel (closed with Escape: nothing
    prints); Print Selected is greyed until a stamp is selected, then asks
    the same question; Printer Setup, which sets up the label printer, does
    nothing in the stamps mode (the stamp window chooses its own printer);
    Test Print with its print panel accepted prints the sample sheet and buys
    nothing; New Package brings back the labels mode."""
    main = to_stamps(session, session.sign_in())
    open_menu_picture(session, main, FILE, "file-menu-stamps")
    before = session.account()
    answers = walk_named(session, main, FILE, STAMPS_FILE_MENU, "file-stamps",
                         order=["Import Addresses", "Print", "Test Print"])
    main = still_alive(session, "the File menu")
    if is_labels(session, main):
        raise Failure("the File menu's items left the stamps mode")
    if session.account().get("pieces") != before.get("pieces"):
        raise Failure("a print answered with Cancel bought stamps")
    # A stamp selected on the sheet: Print Selected is enabled.
    session.xdotool("mousemove", "--window", main, *map(str, FIRST_STAMP), "click", "1")
    time.sleep(0.8)
    session.screenshot_window(main, "stamp-selected")
    open_menu_picture(session, main, FILE, "file-menu-stamp-selected")
    selected = walk_named(session, main, FILE, [(name, on or name == "Print Selected") for name, on in
                                                STAMPS_FILE_MENU], "file-selected",
                          order=["Print Selected", "Printer Setup"])
    answers["Print Selected after a click on a stamp"] = selected["Print Selected"]
    main = still_alive(session, "Printer Setup")
    if selected["Printer Setup"] is not None and selected["Printer Setup"] != "changed":
        raise Failure("Printer Setup answered in the stamps mode: %r" % selected)
    answers["Printer Setup"] = "nothing in the stamps mode"
    expect_answers(session, list(answers.values()), "file-stamps")
    expected = {
        "Import Addresses": "window: Import Addresses",
        "Print": "window: ",
        "Test Print": "window: Print",
        "Print Selected after a click on a stamp": "window: ",
    }
    wrong = {name: answers[name] for name, start in expected.items() if not answers[name].startswith(start)}
    if wrong:
        raise Failure("File items in the stamps mode answered otherwise than expected: %r (all: %r)" %
                      (wrong, answers))
    if session.pdfs():
        raise Failure("a print closed with Escape or Cancel printed: %r" % session.pdfs())
    if session.account().get("pieces") != before.get("pieces"):
        raise Failure("a print answered with Cancel bought stamps")
    # Test Print with its print panel accepted: the sample sheet prints and
    # nothing is bought.
    enabled = [name for name, on in STAMPS_FILE_MENU if on]
    choose(session, main, FILE, enabled.index("Test Print") + 1)
    panel = session.wait_window("^Print", 20)
    session.keys(panel, "Return")
    pdf = session.first_pdf("the sample sheet")
    subprocess.run(["pdftoppm", "-r", "60", "-png", "-f", "1", "-l", "1", pdf,
                    os.path.join(session.workdir, "sample-sheet")], check=False)
    if session.account().get("pieces") != before.get("pieces"):
        raise Failure("Test Print bought stamps")
    main = wait_mode(session, False, "File ▸ Test Print")
    # New Package: the labels mode with an empty window.
    place = enabled.index("New Package") + 1
    choose(session, main, FILE, place)
    wait_mode(session, True, "File ▸ New Package in the stamps mode")


def case_menus_stamps(session):
    """Sign in; Mode ▸ Stamps; there the View menu (Status Bar shows or hides
    the stamp window's status line; Optional Details belongs to the labels
    and is greyed), the Log menu (the mailing log; no confirmation number to
    copy), the Tools menu (Address Drawer and Weigh greyed on a sheet
    without a scale; Scale Setup, Web Stores and the address book folder
    answer; Tare Scale has nothing to zero) and the Postage menu answer as in
    the labels mode, and the window stays in the stamps mode."""
    main = to_stamps(session, session.sign_in())
    for steps, name in ((VIEW, "view"), (LOG, "log"), (TOOLS, "tools"), (POSTAGE, "postage")):
        open_menu_picture(session, main, steps, name + "-menu-stamps")
    view = walk_named(session, main, VIEW, [("Status Bar", True), ("Optional Details", False)], "view-stamps")
    main = wait_mode(session, False, "the View menu")
    tools = walk_named(
        session,
        main,
        TOOLS,
        [
            ("Address Book", True),
            ("Address Drawer", False),
            ("Add to Address Book", False),
            ("Weigh", False),
            ("Scale Setup", True),
            ("Tare Scale", True),
            ("Web Stores", True),
        ],
        "tools-stamps",
    )
    tools["Tare Scale"] = tools["Tare Scale"] or "nothing to zero"
    main = wait_mode(session, False, "the Tools menu")
    postage_items = [
        ("Use Postage", True),
        ("Buy Postage", True),
        ("Account Status", True),
        ("Refresh Account Status", True),
        ("Change Pass Phrase", True),
        ("Date Correction", True),
        ("Set Up an Account", True),
        ("Your Account Online", True),
        ("Online Transaction Log", True),
        ("Change Payment Method", True),
        ("Request a Refund", True),
        ("Create a SCAN Form", True),
    ]
    # Use Postage is the setting the program prints by: not chosen here.
    postage = walk_named(session, main, POSTAGE, postage_items, "postage-stamps",
                         order=[name for name, _ in postage_items[1:]])
    # Refresh Account Status asks the vendor again and may show nothing new.
    postage["Refresh Account Status"] = postage["Refresh Account Status"] or "refreshed"
    main = wait_mode(session, False, "the Postage menu")
    log = walk_named(
        session,
        main,
        LOG,
        [("Mailing Log", True), ("Copy Confirmation Number", False), ("Delivery Status", True)],
        "log-stamps",
        order=["Delivery Status", "Mailing Log"],
    )
    answers = {**view, **tools, **postage, **log}
    expect_answers(session, list(answers.values()), "stamps-menus")
    main = wait_mode(session, False, "the Log menu")
    expected = {
        "Status Bar": "changed",
        "Address Book": "url: file:",
        "Scale Setup": "window: Scale Setup",
        "Web Stores": "window: ",
        "Mailing Log": "window: Mailing Log",
        "Buy Postage": "window: ",
        "Account Status": "window: ",
    }
    wrong = {name: answers[name] for name, start in expected.items() if not answers[name].startswith(start)}
    if wrong:
        raise Failure("items of the stamps mode answered otherwise than expected: %r (all: %r)" % (wrong, answers))
    if sum(answer.startswith("url: ") for answer in postage.values()) != 5:
        raise Failure("the five web items of the Postage menu did not all open a page: %r" % postage)


# The toolbar of the stamps mode as the screen shows it (760 pixels wide):
# the middle of each button, from the window's corner.
STAMPS_TOOLBAR = {
    "New Label": (42, 50),
    "Buy Postage": (129, 50),
    "Mailing Log": (225, 50),
    "Addresses": (307, 50),
    "Printer Setup": (402, 50),
    "Web Stores": (492, 50),
    "Standard": (720, 50),
}


def case_toolbar_stamps(session):
    """Sign in; Mode ▸ Stamps; each button of the toolbar clicked where the
    screen shows it: Buy Postage, Mailing Log and Web Stores open their
    windows; Addresses and Printer Setup belong to the labels and are
    greyed (a click opens nothing and keeps the stamps); New Label brings the
    labels back, and so does the mode button (titled Standard in the stamps
    mode)."""
    main = to_stamps(session, session.sign_in())
    if width(session, main) < 720:
        raise Failure("the stamp window is %d pixels wide; the toolbar positions need 720" % width(session, main))
    session.screenshot_window(main, "toolbar-stamps")
    answers = {}
    for name in ("Buy Postage", "Web Stores", "Mailing Log", "Addresses", "Printer Setup"):

        def click(place=STAMPS_TOOLBAR[name]):
            session.xdotool("mousemove", "--window", main, str(place[0]), str(place[1]), "click", "1")

        answers[name], main = answer_to(session, main, click, "the toolbar's " + name, "toolbar-stamps-" + name)
        main = wait_mode(session, False, "the toolbar's " + name)
    with open(os.path.join(session.workdir, "answers-toolbar-stamps.txt"), "w") as f:
        f.write("\n".join("%s: %s" % item for item in answers.items()))
    for name in ("Buy Postage", "Web Stores", "Mailing Log"):
        if not (answers[name] or "").startswith("window: "):
            raise Failure("the toolbar's %s opened no window in the stamps mode: %r" % (name, answers))
    for name in ("Addresses", "Printer Setup"):
        if (answers[name] or "").startswith(("window: ", "url: ", "front: ")):
            raise Failure("the greyed %s button answered in the stamps mode: %r" % (name, answers))
    for name in ("New Label", "Standard"):
        place = STAMPS_TOOLBAR[name]
        session.xdotool("mousemove", "--window", main, str(place[0]), str(place[1]), "click", "1")
        main = wait_mode(session, True, "the toolbar's " + name)
        session.screenshot_window(main, "toolbar-stamps-after-" + name)
        main = to_stamps(session, main)


def case_menus_edit_stamps(session):
    """Sign in; Mode ▸ Stamps; in the field of the number of sheets every
    item of the Edit menu acts on the field: Select All and Copy put its
    number on the clipboard, Cut takes it (the field shows the least count,
    1, again), Paste puts it back, Undo takes back the last typing and Redo
    does it again."""
    main = to_stamps(session, session.sign_in())
    session.xdotool("mousemove", "--window", main, *map(str, SHEET_COUNT_FIELD), "click", "1")
    time.sleep(0.5)
    if box_text(session, main) != "1":
        raise Failure("Select All and Copy in the sheet count put %r on the clipboard" % clipboard(session))
    edit(session, main, SELECT_ALL)
    session.type(main, "2")
    edit(session, main, SELECT_ALL)
    edit(session, main, CUT)
    if clipboard(session) != "2":
        raise Failure("Cut in the sheet count put %r on the clipboard" % clipboard(session))
    # Paste over the whole field, then a digit typed after it.
    edit(session, main, SELECT_ALL)
    edit(session, main, PASTE)
    session.xdotool("key", "End")
    session.type(main, "3")
    session.screenshot_window(main, "edit-stamps-pasted")
    if box_text(session, main) != "23":
        raise Failure("Paste in the sheet count left %r (expected '23')" % clipboard(session))
    undone, redone = undo_then_redo(session, main)
    session.screenshot_window(main, "edit-stamps-redone")
    with open(os.path.join(session.workdir, "answers-edit-stamps.txt"), "w") as f:
        f.write("undone: %r\nredone: %r\n" % (undone, redone))
    if undone == "23" or redone != "23":
        raise Failure("Undo left %r and Redo %r in the sheet count (typed: '23')" % (undone, redone))


LABEL_ROLLS_BUTTON = (175, 106)


def case_menus_stamp_rolls(session):
    """Sign in; Mode ▸ Stamps; the stamp window's Label Rolls on a machine
    without a Kivo Tagwright printer says "Kivo printer unavailable." and
    keeps the sheets: once the alert is answered, the Tools menu (Weigh
    greyed: it weighs only for rolls) and the File menu look as before."""
    main = to_stamps(session, session.sign_in())
    sheet_file = open_menu_picture(session, main, FILE, "file-menu-sheets")
    sheet_tools = open_menu_picture(session, main, TOOLS, "tools-menu-sheets")
    before = set(session.xdotool("search", "--onlyvisible", "--class", "").split())
    session.xdotool("mousemove", "--window", main, *map(str, LABEL_ROLLS_BUTTON), "click", "1")
    alert = wait_for("the alert", lambda: sorted(set(session.xdotool("search", "--onlyvisible", "--class", "")
                                                     .split()) - before), 10)[-1]
    time.sleep(1)
    session.screenshot_window(alert, "rolls-alert")
    if session.xdotool("getwindowname", alert).strip() != "Tolvane for Mac":
        raise Failure("Label Rolls opened %r" % session.xdotool("getwindowname", alert))
    session.keys(alert, "Return")
    wait_for("the alert to close", lambda: alert not in session.xdotool("search", "--onlyvisible", "--class", ""),
             10)
    main = wait_mode(session, False, "Label Rolls")
    session.screenshot_window(main, "after-rolls")
    if open_menu_picture(session, main, TOOLS, "tools-menu-after") != sheet_tools:
        raise Failure("the Tools menu changed after Label Rolls failed")
    if open_menu_picture(session, main, FILE, "file-menu-after") != sheet_file:
        raise Failure("the File menu changed after Label Rolls failed")


def sign_in_to_any_mode(session):
    """Signs in as session.sign_in() does; answers the main window in
    whichever mode it opens."""
    panel = session.wait_window("Postage Account", 60)
    session.keys(panel, "Tab", "Tab")
    session.type(panel, PASS_PHRASE)
    session.keys(panel, "Return")

    def main_window():
        # The progress panel carries the same name and is smaller.
        window = session.window("TEST SERVER")
        return window if window and width(session, window) > 700 else None

    main = wait_for("the main window", main_window, 60)
    time.sleep(1.5)
    return main


def case_mode_kept_after_quit(session):
    """Sign in; Mode ▸ Stamps; Tolvane ▸ Quit Tolvane for Mac: the program
    started again opens in the stamps mode, with the Mode menu's check mark
    on Stamps; Mode ▸ Labels and Envelopes and ctrl+q: the next start would
    open the labels (the settings say so)."""
    reason = session.use_secret_service(runs=2)
    if reason:
        print("skipped: " + reason)
        raise SystemExit(SKIP)
    main = to_stamps(session, sign_in_to_any_mode(session))
    stamps_menu = open_menu_picture(session, main, MODE, "mode-menu-before-quit")
    # The program's menu, opened with a click, has no item highlighted: Up
    # reaches its last item, Quit.
    session.xdotool("mousemove", "--window", main, "20", "10", "click", "1")
    time.sleep(0.4)
    session.xdotool("key", "--delay", "80", "Up", "Return")
    wait_for("the program to quit", lambda: main not in session.xdotool("search", "--onlyvisible", "--class", ""),
             30)
    # Started again, the program asks for the pass phrase again (the X
    # server may give its window the old one's id).
    again = sign_in_to_any_mode(session)
    session.screenshot_window(again, "started-again")
    if is_labels(session, again):
        raise Failure("the program quit in the stamps mode opens in the labels mode")
    if open_menu_picture(session, again, MODE, "mode-menu-started-again") != stamps_menu:
        raise Failure("the Mode menu of the program started again does not check Stamps")
    choose(session, again, MODE, 1)
    again = wait_mode(session, True, "Mode ▸ Labels and Envelopes")
    session.keys(again, "ctrl+q")
    wait_for("the program to quit", lambda: again not in session.xdotool("search", "--onlyvisible", "--class", ""),
             30)
    settings = os.path.join(session.run_dir, "config", "Tolvane", "Tolvane.ini")

    def stored_modes():
        with open(settings) as f:
            return [line.strip() for line in f if line.startswith("printingMode=")]

    # The window goes before the program has written its settings.
    try:
        wait_for("the labels mode in the settings",
                 lambda: stored_modes() == ["printingMode=string:QVStandardPrintingMode"], 15)
    except Failure:
        raise Failure("after quitting in the labels mode the settings hold %r" % stored_modes())
