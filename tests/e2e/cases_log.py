"""Buying postage; the mailing-log window: reprint, delivery status, export
and refund of a printed letter, tracking a Priority Mail piece; signing in
through the desktop's Secret Service."""
import os
import time

from cases_letters import print_a_letter
from session import ACCOUNT, PASS_PHRASE, SKIP, Failure, wait_for

# Places in the program's windows, in pixels from their top left corner. The
# windows open at fixed sizes (the mailing log 1000 x 620), so their
# toolbars and buttons are where the layout puts them.
MENU_BAR_Y = 8
POSTAGE_MENU_X = 255
LOG_FIRST_ROW = (300, 110)
LOG_CHECK_STATUS = (62, 43)
LOG_REFUND = (536, 43)
LOG_REPRINT = (596, 43)
LOG_EXPORT = (683, 597)
EXPORT_SHEET_EXPORT = (328, 147)
MAILPIECE_POP_UP = (561, 158)


def click(session, window, place, button="1"):
    session.xdotool("windowfocus", "--sync", window)
    session.xdotool("mousemove", "--window", window, str(place[0]), str(place[1]), "click", button)


def visible_windows(session):
    return set(session.xdotool("search", "--onlyvisible", "--name", "").split())


def wait_new_window(session, known, what, seconds=30):
    """A window that is not among the known ones (an alert, a sheet)."""
    def found():
        new = [w for w in visible_windows(session) - known if session.geometry(w).get("WIDTH", 0) > 50]
        return new[0] if new else None

    return wait_for(what, found, seconds)


def wait_gone(session, window, what, seconds=30):
    wait_for(what, lambda: window not in visible_windows(session), seconds)


def dollars(mils):
    return "$%d.%02d" % (mils // 1000, (mils % 1000) // 10)


def mils_of(text):
    whole, _, cents = text.strip().lstrip("$").partition(".")
    return int(whole.replace(",", "")) * 1000 + int((cents + "000")[:3])


def log_with_first_row_selected(session, main):
    """The mailing log opened with its keyboard shortcut, its first row
    clicked."""
    session.keys(main, "ctrl+l")
    log = session.wait_window("^Mailing Log$", 20)
    time.sleep(1)
    click(session, log, LOG_FIRST_ROW)
    time.sleep(0.5)
    return log


def case_buy_postage(session):
    """Postage > Buy Postage, the second amount, Buy: the vendor's balance
    rises by that amount, the mailing log records the purchase with the new
    balance (the balance the alert names), and the panel closes once the
    alert is answered."""
    main = session.sign_in()
    before = session.account()
    click(session, main, (POSTAGE_MENU_X, MENU_BAR_Y))
    time.sleep(0.7)
    # "Use Postage", a separator, "Buy Postage…".
    session.xdotool("key", "--delay", "100", "Down", "Down", "Return")
    panel = session.wait_window("^Buy Postage", 20)
    known = visible_windows(session)
    # The amount pop-up has the focus: the next amount, then Buy (the
    # panel's default button).
    session.keys(panel, "Down")
    time.sleep(0.3)
    session.keys(panel, "Return")
    alert = wait_new_window(session, known, "the purchase's alert")
    time.sleep(0.5)
    session.screenshot("buy-postage-alert")

    after = session.account()
    log = session.mailing_log()
    purchases = [e for e in log if e.get("QVUSPSShipmentRHOTransactionTypeKey") == "Purchase"]
    if len(purchases) != 1:
        raise Failure("the mailing log holds %d purchases: %r" % (len(purchases), log))
    record = purchases[0]
    bought = mils_of(record.get("QVShipmentPriceKey", "0"))
    if bought <= 0:
        raise Failure("the purchase was logged with the amount %r" % record.get("QVShipmentPriceKey"))
    if after["balanceMils"] - before["balanceMils"] != bought:
        raise Failure("the vendor's balance moved from %d to %d mils, not by the %d bought" %
                      (before["balanceMils"], after["balanceMils"], bought))
    if record.get("QVUSPSShipmentRHOBalanceKey") != dollars(after["balanceMils"]):
        raise Failure("the purchase says the balance is %r, the vendor %s" %
                      (record.get("QVUSPSShipmentRHOBalanceKey"), dollars(after["balanceMils"])))
    if str(record.get("QVUSPSShipmentRHOAccountKey")) != ACCOUNT:
        raise Failure("the purchase was logged for the account %r" % record.get("QVUSPSShipmentRHOAccountKey"))

    session.keys(alert, "Return")
    wait_gone(session, panel, "the Buy Postage panel to close")
    time.sleep(1)
    session.screenshot("buy-postage-done")


def case_mailing_log(session):
    """A printed letter in the mailing-log window: Reprint prints a second PDF
    and charges nothing; Delivery Status marks it undelivered in the log
    file; Export writes a tab-delimited file that lists it; Refund marks it
    void in the log file and the vendor credits its postage."""
    main = session.sign_in()
    start = session.account()
    print_a_letter(session, main)
    wait_for("the printed PDF", session.pdfs, 60)
    entry = wait_for("the letter in the mailing log", session.mailing_log, 20)[-1]
    printed = session.account()
    postage = start["balanceMils"] - printed["balanceMils"]
    if postage <= 0:
        raise Failure("printing the letter charged %d mils" % postage)
    piece = entry.get("QVUSPSShipmentRHOPieceCountKey")

    log = log_with_first_row_selected(session, main)

    # Reprint, confirmed with the alert's default button.
    known = visible_windows(session)
    click(session, log, LOG_REPRINT)
    confirm = wait_new_window(session, known, "the reprint's confirmation")
    session.keys(confirm, "Return")
    wait_for("the reprinted PDF", lambda: len(session.pdfs()) >= 2, 60)
    time.sleep(1)
    reprinted = session.account()
    if reprinted["balanceMils"] != printed["balanceMils"]:
        raise Failure("the reprint charged %d mils" % (printed["balanceMils"] - reprinted["balanceMils"]))
    pieces = {p["number"]: p for p in reprinted["pieces"]}
    if pieces.get(piece, {}).get("reprints") != 1:
        raise Failure("the vendor counts the reprints of piece %r as %r" % (piece, pieces.get(piece)))

    # The row's menu: Delivery Status (its last item) > Undelivered.
    click(session, log, LOG_FIRST_ROW, "3")
    time.sleep(0.7)
    session.xdotool("key", "--delay", "150", "Up", "Right", "Down", "Return")

    def status():
        entries = session.mailing_log()
        return entries and entries[-1].get("QVShipmentDeliveryStatusKey") == "QVShipmentUndeliveredStatus"

    wait_for("the delivery status in the log file", status, 20)

    # Export: the sheet's Export button, then the save panel's file name.
    exported = os.path.join(session.workdir, "exported mailing log.txt")
    known = visible_windows(session)
    click(session, log, LOG_EXPORT)
    sheet = wait_new_window(session, known, "the export sheet")
    time.sleep(0.5)
    known = visible_windows(session)
    click(session, sheet, EXPORT_SHEET_EXPORT)
    save = wait_new_window(session, known, "the export's save panel")
    time.sleep(0.5)
    session.keys(save, "ctrl+a")
    session.type(save, exported)
    session.keys(save, "Return")
    wait_for("the exported file", lambda: os.path.exists(exported) and os.path.getsize(exported) > 0, 20)
    time.sleep(0.5)
    with open(exported) as f:
        rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    header = rows[0]
    letters = [dict(zip(header, row)) for row in rows[1:] if "Ada Lovelace" in "\t".join(row)]
    if len(letters) != 1:
        raise Failure("the export lists the letter %d times: %r" % (len(letters), rows))
    letter = letters[0]
    expected = {"Piece": str(piece), "ZIP_Code_11": "20500", "Postage ($)": "%.2f" % (postage / 1000.0),
                "Service_Class": "First-Class Mail", "Balance ($)": dollars(printed["balanceMils"])[1:]}
    wrong = {k: (letter.get(k), v) for k, v in expected.items() if letter.get(k) != v}
    if wrong:
        raise Failure("the exported letter differs (exported, expected): %r" % wrong)

    # Refund, confirmed; then the alert that it was accepted.
    click(session, log, LOG_FIRST_ROW)
    time.sleep(0.5)
    known = visible_windows(session)
    click(session, log, LOG_REFUND)
    confirm = wait_new_window(session, known, "the refund's confirmation")
    session.keys(confirm, "Return")
    wait_for("the piece void in the log file", lambda: session.mailing_log()[-1].get("QVShipmentVoidKey") is True, 30)
    refunded = session.account()
    if refunded["balanceMils"] != start["balanceMils"]:
        raise Failure("after the refund the vendor's balance is %d mils, not the %d before printing" %
                      (refunded["balanceMils"], start["balanceMils"]))
    if not {p["number"]: p for p in refunded["pieces"]}.get(piece, {}).get("refunded"):
        raise Failure("the vendor does not count piece %r as refunded" % piece)
    time.sleep(0.5)
    session.screenshot("mailing-log-refunded")


def case_remembered_pass_phrase(session):
    """Under a private D-Bus session with an unlocked gnome-keyring: sign in
    with "Remember pass phrase" on, quit; the program started again signs in
    by itself, with no sign-in panel and nothing typed."""
    reason = session.use_secret_service(runs=2)
    if reason:
        print("skipped: " + reason)
        raise SystemExit(SKIP)
    panel = session.wait_window("Postage Account", 60)
    # The pass phrase (the third field), then the box below it.
    session.keys(panel, "Tab", "Tab")
    session.type(panel, PASS_PHRASE)
    session.keys(panel, "Tab", "space", "Return")

    def main_window():
        window = session.window("TEST SERVER")
        return window if window and session.geometry(window).get("WIDTH", 0) > 800 else None

    first = wait_for("the main window", main_window, 60)
    time.sleep(1)
    session.keys(first, "ctrl+q")
    wait_gone(session, first, "the program to quit")

    def signed_in_again():
        if session.window("Postage Account"):
            session.screenshot("remembered-asked")
            raise Failure("the program started again asks for the pass phrase")
        window = main_window()
        return window if window and window != first else None

    wait_for("the program to sign in by itself (it shows a sign-in panel or the set-up assistant instead: "
             "the pass phrase was not kept in the Secret Service or not read from it)", signed_in_again, 60)
    time.sleep(1)
    session.screenshot("remembered")
    if session.account().get("status") != "A":
        raise Failure("the demo account is not active at the vendor")


def case_track(session):
    """A Priority Mail Flat Rate Envelope printed with its tracking number;
    Check Status in the mailing-log window asks USPS tracking (the stand-in
    answers that the item is awaited): the alert shows the answer and the
    log file marks the piece undelivered."""
    main = session.sign_in()
    click(session, main, MAILPIECE_POP_UP)
    time.sleep(1)
    # Letter, Postcard, Package, Oversized Package, Flat Rate Envelope.
    session.xdotool("key", "--delay", "120", "Down", "Down", "Down", "Down", "Down", "Return")
    time.sleep(1.5)
    print_a_letter(session, main)
    wait_for("the printed PDF", session.pdfs, 60)
    entry = wait_for("the piece in the mailing log", session.mailing_log, 20)[-1]
    if entry.get("QVUSPSShipmentRateClassKey") != "QVUSPSPriorityMail" or not entry.get("QVUSPSShipmentPICKey"):
        raise Failure("the piece printed is not a tracked Priority Mail piece: %r" % entry)
    if entry.get("QVShipmentDeliveryStatusKey"):
        raise Failure("a piece just printed has the delivery status %r" % entry.get("QVShipmentDeliveryStatusKey"))

    log = log_with_first_row_selected(session, main)
    known = visible_windows(session)
    click(session, log, LOG_CHECK_STATUS)
    alert = wait_new_window(session, known, "the tracking result")

    def status():
        return session.mailing_log()[-1].get("QVShipmentDeliveryStatusKey")

    wait_for("the delivery status in the log file", status, 20)
    if status() != "QVShipmentUndeliveredStatus":
        raise Failure("an awaited piece was marked %r" % status())
    time.sleep(0.5)
    session.screenshot("track")
    session.keys(alert, "Return")
