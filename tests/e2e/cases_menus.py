"""The menus as a user walks them: the menu bar opened with a click on its
first title, the menu reached with the arrow keys, each item chosen with
Return; something a user can see answers each one (a new window or sheet, a
change of the main window, or a page handed to the browser) and the program
stays alive."""
import os
import time

from session import Failure, wait_for


def visible_windows(session):
    windows = {}
    for window in session.xdotool("search", "--onlyvisible", "--name", ".").split():
        geometry = session.geometry(window)
        if geometry.get("WIDTH", 0) * geometry.get("HEIGHT", 0) < 2500:
            continue
        windows[window] = session.xdotool("getwindowname", window).strip()
    return windows


def picture(session, window, name):
    path = session.screenshot_window(window, name)
    with open(path, "rb") as f:
        return f.read()


def choose(session, main, menu_steps, item):
    """Opens the menu bar with a click on its first title, moves menu_steps
    to the right (negative: to the left), and chooses the item-th enabled
    item (from 1; a menu reached with the keyboard opens on its first)."""
    session.xdotool("mousemove", "--window", main, "20", "10", "click", "1")
    time.sleep(0.4)
    arrow = "Right" if menu_steps >= 0 else "Left"
    keys = [arrow] * abs(menu_steps) + ["Down"] * (item - 1) + ["Return"]
    session.xdotool("key", "--delay", "80", *keys)


def still_alive(session, what):
    window = session.window("TEST SERVER")
    if not window or session.standins.poll() is not None:
        raise Failure("the program is gone after " + what)
    return window


def answer_to(session, main, act, what, shot):
    """Does act() and answers what a user then sees: "window: NAME" (a new
    window), "url: URL" (a page handed to the browser), "front: NAME" (a
    window open already comes to the front), "changed" (the main window
    changed) or None; whatever opened is closed again with Escape. Answers
    (answer, main window)."""
    before_windows = visible_windows(session)
    before_urls = len(session.opened_urls())
    before_main = picture(session, main, "before-" + shot)
    focused_before = session.xdotool("getwindowfocus").strip()
    act()
    time.sleep(1.5)
    main = still_alive(session, what)

    def new_windows():
        return {w: n for w, n in visible_windows(session).items() if w not in before_windows}

    # A window on a busy machine may take a little longer.
    deadline = time.time() + 3.0
    while not new_windows() and len(session.opened_urls()) == before_urls and time.time() < deadline:
        time.sleep(0.3)
    new = new_windows()
    urls = session.opened_urls()[before_urls:]
    answer = None
    for window, name in new.items():
        session.screenshot_window(window, shot + "-window")
        answer = "window: " + name
    if urls:
        answer = "url: " + urls[-1]
    if answer is None:
        focused = session.xdotool("getwindowfocus").strip()
        if focused not in (main, focused_before) and focused in before_windows:
            answer = "front: " + before_windows[focused]
    if answer is None and picture(session, main, "after-" + shot) != before_main:
        answer = "changed"
    for window in new:
        if window in visible_windows(session):
            session.keys(window, "Escape")
            time.sleep(0.4)
        if window in visible_windows(session):
            # A window that Escape does not close (no window manager closes
            # it here) is moved out of the main window's way.
            width, height = session.xdotool("getdisplaygeometry").split()
            session.xdotool("windowmove", window, str(int(width) - 40), str(int(height) - 40))
    session.keys(main, "Escape")
    return answer, still_alive(session, what + " and its closing")


def walk(session, main, menu_steps, items, label, first=1):
    """Chooses the items first..items of one menu; answers, for each,
    what answered (see answer_to)."""
    answers = []
    for item in range(first, items + 1):
        answer, main = answer_to(
            session,
            main,
            lambda: choose(session, main, menu_steps, item),
            "%s item %d" % (label, item),
            "%s-%d" % (label, item),
        )
        answers.append(answer)
    return answers


def expect_answers(session, answers, label):
    with open(os.path.join(session.workdir, "answers-%s.txt" % label), "w") as f:
        f.write("\n".join(str(a) for a in answers))
    silent = [i + 1 for i, a in enumerate(answers) if a is None]
    if silent:
        raise Failure("nothing a user sees answered %s items %s: %r" % (label, silent, answers))


def case_menus_help_labels(session):
    """Sign in; every item of the Help menu of the labels mode: the size
    guide opens a window, every other item hands a web page to the browser
    (a recorder here) and the program stays alive."""
    main = session.sign_in()
    # Help is the last menu: one step to the left of the first.
    answers = walk(session, main, -1, 12, "help")
    expect_answers(session, answers, "Help")
    urls = [a for a in answers if a.startswith("url: ")]
    if len(urls) < 10:
        raise Failure("only %d Help items handed a page to the browser: %r" % (len(urls), answers))
    wait_for("the program", lambda: still_alive(session, "the walk"), 5)


def case_menus_postage_labels(session):
    """Sign in; every item of the Postage menu of the labels mode answers
    with a window, a sheet or a page handed to the browser; Refresh Account
    Status asks the vendor again and may show nothing new, so it only has to
    leave the program alive. Use Postage (the first item) is skipped: it is
    the setting the program prints postage by."""
    main = session.sign_in()
    # Postage is the sixth menu.
    answers = walk(session, main, 5, 12, "postage", first=2)
    # Refresh Account Status is the third of the rest.
    answers[2] = answers[2] or "refreshed"
    expect_answers(session, answers, "postage")
    urls = [a for a in answers if a.startswith("url: ")]
    if len(urls) != 5:
        raise Failure("the five web items of the Postage menu did not all open a page: %r" % answers)


def case_menus_help_stamps(session):
    """Sign in; Mode ▸ Stamps turns the window to the stamps mode; there
    every item of the Help menu answers (a page handed to the browser or the
    size guide over the window) and the program stays alive."""
    main = session.sign_in()
    before = picture(session, main, "labels-mode")
    # Mode is the fifth menu of the labels mode; Stamps its second item.
    choose(session, main, 4, 2)
    time.sleep(2.0)
    main = still_alive(session, "Mode ▸ Stamps")
    if picture(session, main, "stamps-mode") == before:
        raise Failure("Mode ▸ Stamps left the window as it was")
    answers = walk(session, main, -1, 12, "help-stamps")
    expect_answers(session, answers, "help-stamps")
    if sum(a.startswith("url: ") for a in answers) < 10:
        raise Failure("the web items of the stamps mode's Help menu did not all open a page: %r" % answers)


def walk_named(session, main, menu_steps, items, label, order=None):
    """Walks a menu whose items are given by name with whether they are
    enabled at that moment: the keyboard passes over disabled items, so
    only the enabled ones are chosen (by their place among the enabled), and
    a disabled item answers "disabled". The items are chosen from the top
    or in the given order of names (a window that Escape does not close is
    best opened last). Answers a dictionary name → answer."""
    enabled = [name for name, on in items if on]
    answers = {name: "disabled" for name, on in items if not on}
    for name in order or enabled:
        place = enabled.index(name) + 1
        answers[name] = walk(session, main, menu_steps, place, label + "-" + name, first=place)[0]
        main = still_alive(session, name)
    return answers


def case_menus_tools_labels(session):
    """Sign in; the Tools menu of the labels mode with an empty window and no
    scale: Add to Address Book is disabled (there is no address to add);
    Weigh without a scale opens the scale set-up window, Scale Setup brings
    it to the front, Web Stores answers (here with the expiring
    authorizations of the demo store), the address book folder goes to the
    desktop, the drawer opens. Tare Scale without a USB scale has nothing to
    zero and changes nothing (the set-up window's Zero Scale button is
    disabled then); it only has to leave the program alive."""
    main = session.sign_in()
    # Tools is the eighth menu.
    answers = walk_named(
        session,
        main,
        7,
        [
            ("Address Book", True),
            ("Address Drawer", True),
            ("Add to Address Book", False),
            ("Weigh", True),
            ("Scale Setup", True),
            ("Tare Scale", True),
            ("Web Stores", True),
        ],
        "tools",
    )
    answers["Tare Scale"] = answers["Tare Scale"] or "nothing to zero"
    expect_answers(session, list(answers.values()), "tools")
    expected = {
        "Address Book": "url: file:",
        "Weigh": "window: Scale Setup",
        "Scale Setup": "front: Scale Setup",
        "Web Stores": "window: ",
    }
    wrong = {name: answers[name] for name, start in expected.items() if not answers[name].startswith(start)}
    if wrong:
        raise Failure("Tools items answered otherwise than expected: %r (all: %r)" % (wrong, answers))


def case_menus_log_view_labels(session):
    """Sign in; the Log menu of the labels mode with no piece printed: the
    Mailing Log opens its window, Copy Confirmation Number is disabled
    (there is no number to copy), Delivery Status opens its submenu; then
    the View menu: each of its two items shows or hides part of the window."""
    main = session.sign_in()
    # View is the fourth menu, Log the seventh; the log window, which stays
    # open, comes last.
    view = walk_named(session, main, 3, [("Status Bar", True), ("Optional Details", True)], "view")
    main = still_alive(session, "the View menu")
    log = walk_named(
        session,
        main,
        6,
        [("Mailing Log", True), ("Copy Confirmation Number", False), ("Delivery Status", True)],
        "log",
        order=["Delivery Status", "Mailing Log"],
    )
    answers = {**log, **view}
    expect_answers(session, list(answers.values()), "log-view")
    if not log["Mailing Log"].startswith("window: Mailing Log"):
        raise Failure("Log ▸ Mailing Log did not open the log window: %r" % answers)
    if view != {"Status Bar": "changed", "Optional Details": "changed"}:
        raise Failure("the View items did not change the window: %r" % answers)


FILE_MENU = [
    ("New Package", True),
    ("Import Addresses", True),
    ("Verify Address", True),
    ("Print", True),
    ("Test Print", True),
    ("Print Selected", True),
    ("Printer Setup", True),
]


def case_menus_file_labels(session):
    """Sign in; the File menu of the labels mode with an empty window: every
    item answers; Import Addresses opens a file dialog (closed with
    Escape); Print with no address alerts and prints nothing; Print
    Selected, a command of the stamps mode, only has to leave the program
    alive; the printer set-up window, which stays open, comes last."""
    main = session.sign_in()
    before = session.pdfs()
    # File is the second menu.
    first = walk_named(
        session, main, 1, FILE_MENU, "file", order=["New Package", "Import Addresses", "Verify Address", "Print"]
    )
    if session.pdfs() != before:
        raise Failure("Print with an empty window printed: %r" % session.pdfs())
    if not first["Print"].startswith("window: "):
        raise Failure("Print with an empty window did not alert: %r" % first)
    main = still_alive(session, "File ▸ Print")
    rest = walk_named(session, main, 1, FILE_MENU, "file", order=["Print Selected", "Test Print", "Printer Setup"])
    answers = {**first, **{name: rest[name] for name in ("Print Selected", "Test Print", "Printer Setup")}}
    # Print Selected prints the selected stamps of the stamps mode; the
    # labels mode keeps it enabled and it does nothing there.
    answers["Print Selected"] = answers["Print Selected"] or "nothing outside the stamps mode"
    expect_answers(session, list(answers.values()), "file")
    if not answers["Import Addresses"].startswith("window: "):
        raise Failure("Import Addresses opened no file dialog: %r" % answers)


# The toolbar of the labels mode as the screen shows it at the start
# (942 pixels wide): the middle of each button, from the window's corner.
TOOLBAR = [
    ("New Label", 42, 50),
    ("Buy Postage", 129, 50),
    ("Mailing Log", 225, 50),
    ("Addresses", 307, 50),
    ("Printer Setup", 402, 50),
    ("Web Stores", 492, 50),
    ("Stamps", 870, 50),
]


def case_toolbar_labels(session):
    """Sign in; each button of the labels mode's toolbar clicked where the
    screen shows it answers with a window, a change of the window or a
    page; the windows that stay open (the log, the printer set-up) and the
    switch to the stamps mode come last, and the program stays alive."""
    main = session.sign_in()
    width = session.geometry(main).get("WIDTH", 0)
    if width < 900:
        raise Failure("the main window is %d pixels wide; the toolbar positions need 900" % width)
    answers = {}
    for name, x, y in TOOLBAR:

        def click(x=x, y=y):
            session.xdotool("mousemove", "--window", main, str(x), str(y), "click", "1")

        answers[name], main = answer_to(session, main, click, "the toolbar's " + name, "toolbar-" + name)
    expect_answers(session, list(answers.values()), "toolbar")
    for name in ("Buy Postage", "Mailing Log", "Printer Setup"):
        if not answers[name].startswith("window: "):
            raise Failure("the toolbar's %s opened no window: %r" % (name, answers))
