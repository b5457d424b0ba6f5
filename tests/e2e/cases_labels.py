"""Labels and stamps: a Priority Mail Medium Flat Rate Box label, a piece to
Canada, and a sheet of stamps, each printed to the PDF queue as a user
prints them."""
import os
import subprocess
import time

from session import ACCOUNT, Failure, wait_for

# Places in the main window (from its upper left corner) of the controls a
# user clicks: the Mailpiece pop-up, and the Mode menu of the menu bar.
MAILPIECE_POPUP = ("561", "158")
MODE_MENU = ("202", "8")
# The stamp window's "Print…" button.
STAMP_PRINT_BUTTON = ("654", "533")


def type_address(session, main, lines):
    # The destination box: the upper left of the window, below the "To"
    # heading.
    session.xdotool("mousemove", "--window", main, "150", "200", "click", "1")
    time.sleep(0.5)
    for line in lines[:-1]:
        session.type(main, line)
        session.keys(main, "Return")
    session.type(main, lines[-1])
    time.sleep(0.5)


def choose_mailpiece(session, main, name):
    # The pop-up opens its list; typing the item's name finds it, Return
    # chooses it.
    session.xdotool("mousemove", "--window", main, *MAILPIECE_POPUP, "click", "1")
    time.sleep(1.0)
    session.xdotool("type", "--delay", "40", name)
    session.xdotool("key", "Return")
    time.sleep(1.0)


def whole_pdf(session, count=1):
    pdfs = wait_for("%d printed PDF(s)" % count, lambda: len(session.pdfs()) >= count and session.pdfs(), 60)
    pdf = os.path.join(session.run_dir, "pdf", pdfs[count - 1])
    # The queue writes the file while the job runs: wait until its size holds.
    sizes = []

    def settled():
        sizes.append(os.path.getsize(pdf))
        return len(sizes) > 2 and sizes[-1] == sizes[-2] == sizes[-3] and sizes[-1] > 1000

    wait_for("the whole PDF", settled, 30, 0.5)
    return pdf


def rendered(session, pdf, name, dpi):
    """The PDF's pages as PNG files (kept in the run's folder to be looked
    at)."""
    prefix = os.path.join(session.workdir, name)
    subprocess.run(["pdftoppm", "-r", str(dpi), "-png", pdf, prefix], check=True)
    return sorted(
        os.path.join(session.workdir, p) for p in os.listdir(session.workdir)
        if p.startswith(name + "-") and p.endswith(".png"))


def zxing(page):
    """Every symbol ZXingReader finds on the page: (format, text) pairs."""
    out = subprocess.run(["ZXingReader", page], capture_output=True, text=True).stdout
    found, text = [], None
    # Not splitlines(): a GS1 text holds group separators.
    for line in out.split("\n"):
        if line.startswith("Text:"):
            text = line.split(":", 1)[1].strip().strip('"').replace("\x1d", "")
        elif line.startswith("Format:") and text is not None:
            found.append((line.split(":", 1)[1].strip(), text))
            text = None
    return found


def table_cents(table):
    """The price of a one-row flat-rate table of the program's resources, in
    cents (every zone has the same price)."""
    resources = os.environ.get("TOLVANE_RESOURCES_DIR") or os.path.join(os.path.dirname(__file__), "..", "..",
                                                                         "resources")
    path = os.path.join(resources, "rates", table + ".rates")
    with open(path) as f:
        rows = [line.split() for line in f if line.strip() and not line.startswith(("#", "form"))]
    prices = set(rows[0][1:])
    if len(rows) != 1 or len(prices) != 1:
        raise Failure("%s is not one flat-rate row" % table)
    return int(prices.pop())


def mils_of_dollars(text):
    dollars, _, cents = text.strip().lstrip("$").partition(".")
    return int(dollars.replace(",", "")) * 1000 + int((cents + "000")[:3])


def case_priority_label(session):
    """Sign in, type a domestic address, choose the Medium Flat Rate Box in
    the Mailpiece pop-up (Priority Mail follows) and print the label: a PDF
    arrives whose PDF417 indicium and GS1-128 tracking barcode decode, the
    mailing log gains the piece with the Medium Flat Rate Box's retail price
    of the program's tables, the vendor's balance drops by that price and the
    balance the program recorded is the vendor's."""
    main = session.sign_in()
    before = session.account()
    type_address(session, main, ["Ada Lovelace", "1600 Pennsylvania Ave NW", "Washington DC 20500"])
    choose_mailpiece(session, main, "Medium Flat Rate Box")
    session.screenshot("priority-chosen")
    session.keys(main, "ctrl+p")
    pdf = whole_pdf(session)
    page = rendered(session, pdf, "priority", 300)[0]
    symbols = zxing(page)
    indicia = [text for kind, text in symbols if kind == "PDF417"]
    tracking = [text for kind, text in symbols if kind == "Code128"]
    if not indicia or "TOLVANE DEMO TEST INDICIUM" not in indicia[0] or "ACCT " + ACCOUNT not in indicia[0]:
        raise Failure("the label's indicium reads %r (all symbols: %r)" % (indicia, symbols))

    log = wait_for("the mailing log's entry", session.mailing_log, 20)
    if len(log) != 1:
        raise Failure("the mailing log holds %d entries" % len(log))
    entry = log[0]
    if (entry.get("QVUSPSShipmentRateClassKey"), entry.get("QVUSPSShipmentSizeKey")) != ("QVUSPSPriorityMail",
                                                                                       "QVUSPSFlatRateBoxSize"):
        raise Failure("the logged piece is %r in %r" %
                      (entry.get("QVUSPSShipmentRateClassKey"), entry.get("QVUSPSShipmentSizeKey")))
    # The tracking barcode: the destination ZIP (AI 420) and the piece's
    # tracking number, as logged.
    expected = entry.get("QVUSPSShipmentBarcodeNumberKey", "")
    if not expected or tracking != [expected]:
        raise Failure("the tracking barcode reads %r, the log has %r" % (tracking, expected))
    price_mils = table_cents("RATE_SEP2014_PRIORITY_FLATBOX_RETAIL") * 10
    if mils_of_dollars(entry["QVUSPSShipmentPostageKey"]) != price_mils:
        raise Failure("the piece was charged %s, the table says %d mils" % (entry["QVUSPSShipmentPostageKey"],
                                                                          price_mils))
    if "MILS %d" % price_mils not in indicia[0]:
        raise Failure("the indicium %r does not carry the postage of %d mils" % (indicia[0], price_mils))
    after = session.account()
    if before["balanceMils"] - after["balanceMils"] != price_mils:
        raise Failure("the balance moved from %d to %d mils, not by the piece's %d" %
                      (before["balanceMils"], after["balanceMils"], price_mils))
    # The balance the program took from the vendor's reply (and shows) is
    # the vendor's.
    if mils_of_dollars(entry["QVUSPSShipmentRHOBalanceKey"]) != after["balanceMils"]:
        raise Failure("the program holds a balance of %s, the vendor %d mils" %
                      (entry["QVUSPSShipmentRHOBalanceKey"], after["balanceMils"]))
    session.screenshot("priority-printed")


def stamp_sheet_reminder(session, main):
    """Mode ▸ Stamps, then the stamp window's Print…; the reminder it asks
    first."""
    session.xdotool("mousemove", "--window", main, *MODE_MENU, "click", "1")
    time.sleep(1.0)
    # "Labels and Envelopes", then "Stamps".
    session.xdotool("key", "Down", "Down", "Return")
    time.sleep(2.0)
    session.screenshot("stamps-mode")
    session.xdotool("mousemove", "--window", main, *STAMP_PRINT_BUTTON, "click", "1")
    return session.wait_window("^Tolvane for Mac$", 20)


def case_stamp_sheet(session):
    """Switch to the stamps mode through the Mode menu and print a sheet of
    First-Class stamps: the reminder is answered with Print…, the print panel
    with Print; the PDF's stamps carry Data Matrix indicia that dmtxread decodes,
    each with the vendor's number of one of the pieces bought, and the
    vendor's balance drops by the sheet's postage."""
    main = session.sign_in()
    before = session.account()
    reminder = stamp_sheet_reminder(session, main)
    session.keys(reminder, "Return")
    panel = session.wait_window("^Print$", 20)
    session.keys(panel, "Return")
    pdf = whole_pdf(session)
    page = rendered(session, pdf, "stamps", 200)[0]
    after = session.account()
    bought = [piece for piece in after["pieces"] if piece["stamp"]]
    if not bought:
        raise Failure("no stamp was bought")
    out = subprocess.run(["dmtxread", "-n", "-N", str(len(bought) + 1), page], capture_output=True).stdout
    # Each symbol: 0xFF, the piece number (32 bits, little-endian), 0x71,
    # ... 20 bytes, and dmtxread's line end.
    symbols = [out[i:i + 21] for i in range(0, len(out), 21)]
    numbers = sorted(int.from_bytes(s[1:5], "little") for s in symbols if len(s) == 21 and s[0] == 0xFF)
    if numbers != sorted(piece["number"] for piece in bought):
        raise Failure("the sheet's symbols carry the pieces %r, the vendor sold %r (%d bytes read)" %
                      (numbers, [piece["number"] for piece in bought], len(out)))
    postage = sum(piece["amountMils"] for piece in bought)
    if before["balanceMils"] - after["balanceMils"] != postage:
        raise Failure("the balance moved by %d mils, the stamps cost %d" %
                      (before["balanceMils"] - after["balanceMils"], postage))
    session.screenshot("stamps-printed")


# The destination box's Verify button.
VERIFY_BUTTON = ("240", "339")


def alert_window(session):
    return session.window("^Tolvane for Mac$")


def keep_window(session, window, name):
    """A picture of one window (alerts are drawn late on the root window)."""
    path = os.path.join(session.workdir, name + ".xwd")
    subprocess.run(["xwd", "-id", window, "-silent", "-out", path], env=session.env, check=False)
    return path


def case_canada_without_price(session):
    """An address whose last line is "CANADA" is an international
    destination; this build knows no price for a piece to Canada (the country
    rules and international prices it ships hold none), so Verify says so in
    an alert instead of only showing "Invalid", and Print then prints nothing,
    logs nothing and charges nothing."""
    main = session.sign_in()
    before = session.account()
    type_address(session, main, ["Grace Hopper", "200 Wellington St", "Ottawa ON K1A 0A9", "CANADA"])
    session.xdotool("mousemove", "--window", main, *VERIFY_BUTTON, "click", "1")
    alert = wait_for("the alert that says no price is known", lambda: alert_window(session), 20)
    time.sleep(1.0)
    keep_window(session, alert, "canada-alert")
    session.keys(alert, "Return")
    wait_for("the alert to close", lambda: not alert_window(session), 20)
    # Print: the destination is checked again and refused again.
    session.keys(main, "ctrl+p")
    alert = wait_for("the alert again on Print", lambda: alert_window(session), 20)
    session.keys(alert, "Return")
    time.sleep(3)
    session.screenshot("canada")
    if session.pdfs():
        raise Failure("a piece without a price printed: %s" % session.pdfs())
    if session.mailing_log():
        raise Failure("a piece without a price was logged")
    if session.account()["balanceMils"] != before["balanceMils"]:
        raise Failure("a piece without a price moved the balance")


# The From pop-up (below the destination box, while no customs box shows).
FROM_POPUP = ("151", "494")
# The first Qty field of the customs declaration window.
CUSTOMS_FIRST_QTY = ("46", "216")


def fill_return_address_sheet(session, fields):
    """The return-address sheet filled field by field (nickname, name,
    company, suite, street, city, state, ZIP, phone) and accepted."""
    sheet = session.wait_window("Return Address", 20)
    time.sleep(0.5)
    for number, field in enumerate(fields):
        if number:
            session.keys(sheet, "Tab")
        if field:
            session.type(sheet, field)
    keep_window(session, sheet, "return-address")
    session.keys(sheet, "Return")
    wait_for("the return-address sheet to close", lambda: not session.window("Return Address"), 20)
    time.sleep(1.0)


def add_return_address(session, main, fields):
    """The From pop-up's "Add New Address…" and its sheet."""
    session.xdotool("mousemove", "--window", main, *FROM_POPUP, "click", "1")
    time.sleep(1.0)
    session.xdotool("type", "--delay", "40", "Add New")
    session.xdotool("key", "Return")
    fill_return_address_sheet(session, fields)


OFFICE = ["Office", "Ada Lovelace", "", "", "1600 Pennsylvania Ave NW", "Washington", "DC", "20500", "202 555 0100"]


def military_box_with_customs_form(session, main):
    """An APO address, the Medium Flat Rate Box, and the International box's
    "Customs Form…" with one item filled in."""
    type_address(session, main, ["SGT John Doe", "PSC 1234 Box 5678", "APO AE 09012"])
    choose_mailpiece(session, main, "Medium Flat Rate Box")
    session.screenshot("military-chosen")
    # The International box at the foot of the window: its "Customs Form…"
    # button.
    geometry = session.geometry(main)
    session.xdotool("mousemove", "--window", main, "172", str(geometry["HEIGHT"] - 33), "click", "1")
    customs = session.wait_window("Customs Declaration", 20)
    session.xdotool("mousemove", "--window", customs, *CUSTOMS_FIRST_QTY, "click", "1")
    time.sleep(0.5)
    session.type(customs, "1")
    session.keys(customs, "Tab", "ctrl+a")
    session.type(customs, "20")
    session.keys(customs, "Tab", "ctrl+a")
    session.type(customs, "8")
    session.keys(customs, "Tab")
    session.type(customs, "United States")
    session.keys(customs, "Tab")
    session.type(customs, "Books")
    time.sleep(0.5)
    keep_window(session, customs, "customs-filled")
    session.keys(customs, "Return")
    wait_for("the customs window to close", lambda: not session.window("Customs Declaration"), 20)


def case_customs_form_asks_for_a_phone(session):
    """A Priority Mail Medium Flat Rate Box to an APO address needs a customs
    form: "Customs Form…" opens the customs declaration and one item is filled
    in. The demo's return address ("My Card", no card) has no phone number, so
    Print stops with the alert that customs forms need one; its "Edit Address"
    opens the return-address sheet, where the user gives an address with a
    phone. Nothing is charged, printed or logged on the way."""
    main = session.sign_in()
    before = session.account()
    military_box_with_customs_form(session, main)
    session.keys(main, "ctrl+p")
    alert = wait_for("the alert that asks for a phone number", lambda: alert_window(session), 30)
    time.sleep(1.0)
    keep_window(session, alert, "phone-alert")
    session.keys(alert, "Return")
    fill_return_address_sheet(session, OFFICE)
    session.screenshot("customs-return-address")
    if session.pdfs() or session.mailing_log():
        raise Failure("a piece printed or was logged before its return address had a phone")
    if session.account()["balanceMils"] != before["balanceMils"]:
        raise Failure("the balance moved before anything printed")


def dmtx(page):
    """The texts dmtxread finds in the Data Matrix symbols of the page."""
    out = subprocess.run(["dmtxread", "-n", "-N", "4", page], capture_output=True, timeout=120).stdout
    return out.decode("latin-1")


def split_in_two(page, across):
    """The page's left and right halves (across), or its upper and lower
    ones, as PNG files beside it."""
    stem = page[:-len(".png")]
    subprocess.run(["convert", page, "-crop", "50%x100%" if across else "100%x50%", "+repage", stem + "-half-%d.png"],
                   check=True)
    return [stem + "-half-0.png", stem + "-half-1.png"]


def case_military_customs_print(session):
    """A return address with a phone, the Priority Mail Medium Flat Rate Box
    to an APO address with its customs form, and Print: the label server
    answers the label with its integrated PS Form 2976-A, and the PDF holds
    the label (its test indicium and tracking barcode decode) and both pages
    of the customs form, each with the piece's barcode; the piece is logged
    with its form and its tracking number, and the vendor charged its
    postage."""
    main = session.sign_in()
    before = session.account()
    add_return_address(session, main, OFFICE)
    military_box_with_customs_form(session, main)
    session.keys(main, "ctrl+p")
    try:
        wait_for("a printed PDF", session.pdfs, 90)
    except Failure:
        alert = alert_window(session)
        if alert:
            keep_window(session, alert, "print-alert")
            raise Failure("an alert stopped the print (print-alert.xwd)")
        raise
    pdf = whole_pdf(session)
    pages = rendered(session, pdf, "military", 200)
    entry = wait_for("the mailing log's entry", session.mailing_log, 20)[0]
    if entry.get("QVUSPSShipmentCustomsFormTypeKey") in (None, "", "QVUSPSShipmentNoCustomsFormType"):
        raise Failure("the logged piece has no customs form: %r" % sorted(entry))
    if not entry.get("QVShipmentContentsKey"):
        raise Failure("the logged piece has no customs items: %r" % sorted(entry))
    expected = entry.get("QVUSPSShipmentBarcodeNumberKey", "")
    if not expected.startswith("42009012"):
        raise Failure("the piece's barcode number %r is not routed to the APO ZIP 09012" % expected)
    # A PS Form 2976 (CN 22) comes as one part, the label beside the form;
    # a PS Form 2976-A as the label and the form's two pages, two parts to a
    # page (the sender's copy is not asked for).
    form = entry["QVUSPSShipmentCustomsFormTypeKey"]
    parts = 1 if form == "QVUSPSShipment2976CustomsFormType" else 3
    if len(pages) != (parts + 1) // 2:
        raise Failure("the PDF of a %s has %d page(s)" % (form, len(pages)))
    # One half at a time: ZXingReader stops on two equal symbols in one image.
    halves = [half for page in pages for half in split_in_two(page, across=parts == 1)]
    barcodes = [text for half in halves for kind, text in zxing(half) if kind == "Code128"]
    if barcodes != [expected] * (parts + 1):
        raise Failure("the barcodes read %r; the label and the customs form of a %s should carry %r" %
                      (barcodes, form, expected))
    indicium = dmtx(pages[0])
    if "TOLVANE DEMO TEST INDICIUM" not in indicium or "ACCT " + ACCOUNT not in indicium:
        raise Failure("the label's indicium reads %r" % indicium)
    postage = mils_of_dollars(entry["QVUSPSShipmentPostageKey"])
    if postage != table_cents("RATE_SEP2014_PRIORITY_FLATBOX_RETAIL") * 10 or "MILS %d" % postage not in indicium:
        raise Failure("the piece was charged %s; its indicium reads %r" % (entry["QVUSPSShipmentPostageKey"],
                                                                          indicium))
    after = session.account()
    if before["balanceMils"] - after["balanceMils"] != postage:
        raise Failure("the balance moved by %d mils for a piece of %s" %
                      (before["balanceMils"] - after["balanceMils"], entry["QVUSPSShipmentPostageKey"]))
    session.screenshot("military-printed")
