"""Windows opened from the main window's smaller controls: the Favorites
pane's pull-down (its add-favorite sheet and the favorites preferences) and
the printer set-up's Zebra Settings."""
import os
import plistlib
import time

from session import Failure, wait_for

# Where the main window (942 wide, no window manager) shows what the user
# clicks: the Favorites pull-down (the gear) and the toolbar's Printer Setup.
FAVORITES_BUTTON = (410, 131)
PRINTER_SETUP_ITEM = (402, 52)
# In the Printer Setup window: the Zebra Thermal Printer choice and its
# Zebra Settings… button, on one row.
ZEBRA_CHOICE = (41, 141)
ZEBRA_SETTINGS_BUTTON = (583, 141)


def click(session, window, point):
    session.xdotool("mousemove", "--window", window, str(point[0]), str(point[1]), "click", "1")


def favorites(session):
    path = os.path.join(session.run_dir, "support", "favorites.plist")
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        return plistlib.load(f)


def choose_in_favorites_menu(session, main, downs):
    click(session, main, FAVORITES_BUTTON)
    time.sleep(1)
    session.xdotool("key", "--delay", "100", *(["Down"] * downs), "Return")


def case_favorites_button(session):
    """The Favorites pull-down's Add Favorite… opens the add-favorite sheet;
    a nickname typed there saves the window's piece as a favorite (in the
    favorites file), which the pull-down then lists; its Edit Favorites…
    opens the favorites preferences."""
    main = session.sign_in()
    if favorites(session):
        raise Failure("a fresh install has favorites: %r" % favorites(session))
    # No favorite yet: Add Favorite… is the first item.
    choose_in_favorites_menu(session, main, 1)
    sheet = session.wait_window("^Add Favorite", 10)
    session.screenshot("add-favorite")
    session.type(sheet, "Letter to Ada")
    session.keys(sheet, "Return")
    saved = wait_for("the saved favorite", lambda: favorites(session), 10)
    if [favorite.get("nickname") for favorite in saved] != ["Letter to Ada"]:
        raise Failure("the favorites file holds %r" % saved)
    if saved[0].get("shipment", {}).get("QVUSPSShipmentRateClassKey") != "QVUSPSFirstClassMail":
        raise Failure("the favorite does not hold the window's mail class: %r" % saved[0])
    wait_for("the sheet to close", lambda: not session.window("^Add Favorite"), 10)
    # Now: the favorite, Add Favorite…, Edit Favorites….
    choose_in_favorites_menu(session, main, 3)
    session.wait_window("^Favorites Preferences", 10)
    session.screenshot("favorites-preferences")


def case_zebra_settings(session):
    """Printer Setup's Zebra Thermal Printer choice, with no Zebra printer
    attached, says so and opens the Zebra printer settings; closed, its
    Zebra Settings… button opens them again."""
    main = session.sign_in()
    click(session, main, PRINTER_SETUP_ITEM)
    setup = session.wait_window("^Printer Setup", 20)
    time.sleep(1)
    click(session, setup, ZEBRA_CHOICE)
    alert = wait_for("the alert that no Zebra printer is attached", lambda: session.window("^Tolvane for Mac$"), 10)
    session.keys(alert, "Escape")
    settings = session.wait_window("^Zebra Printer Settings", 10)
    session.screenshot("zebra-settings")
    session.keys(settings, "Escape")
    wait_for("the Zebra settings to close", lambda: not session.window("^Zebra Printer Settings"), 10)
    click(session, setup, ZEBRA_SETTINGS_BUTTON)
    session.wait_window("^Zebra Printer Settings", 10)
