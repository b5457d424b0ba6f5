"""The stand-ins and the print target as the suite meets them: a walk that
passes with the faithful stand-ins fails when one of them is told to answer
wrongly, and the PDF button's Open hands a paid label to the desktop."""
import os
import time
import urllib.parse

from cases_labels import case_priority_label, choose_mailpiece, mils_of_dollars, rendered, type_address, zxing
from session import ACCOUNT, Failure, wait_for


def case_a_wrong_answer_fails_a_walk(session):
    """The domestic Priority label walk, with the stand-in postage server told
    (over the control road, as Print is pressed) to answer the next request
    with an empty reply: the walk fails, an alert over the window says why,
    and nothing was printed, logged or charged."""
    keys = session.keys
    charged = []

    def keys_with_a_wrong_answer(window, *pressed):
        if "ctrl+p" in pressed:
            charged.append((window, session.account()["balanceMils"]))
            session.control("/standins/control/fail-next?service=postage", "POST")
        return keys(window, *pressed)

    session.keys = keys_with_a_wrong_answer
    try:
        case_priority_label(session)
    except Failure as failure:
        print("the walk failed as it should: %s" % failure)
    else:
        raise Failure("the Priority label walk passed although the stand-in answered wrongly")
    finally:
        session.keys = keys
    if not charged:
        raise Failure("the walk never reached Print")
    main, balance = charged[0]
    # The program says why nothing printed, in an alert over its window.
    alert = session.window_over(main)
    if not alert:
        raise Failure("no alert says why nothing printed")
    session.screenshot_window(alert, "wrong-answer-alert")
    if session.pdfs():
        raise Failure("a piece printed after a wrong answer: %s" % session.pdfs())
    if session.mailing_log():
        raise Failure("a piece was logged after a wrong answer")
    if session.account()["balanceMils"] != balance:
        raise Failure("the balance moved from %d to %d mils after a wrong answer" %
                      (balance, session.account()["balanceMils"]))


# The PDF button below the printer's name, and the "Open PDF" item of its
# menu (screen coordinates: menus open at the pointer).
PDF_BUTTON = ("810", "550")


def case_pdf_open(session):
    """The print target's PDF button, "Open PDF": the Priority label is made
    into a PDF file that the desktop's opener receives as a file URL; its
    indicium and tracking barcode decode, the piece is logged once and
    charged once, and nothing goes to the printer."""
    main = session.sign_in()
    before = session.account()
    type_address(session, main, ["Ada Lovelace", "1600 Pennsylvania Ave NW", "Washington DC 20500"])
    choose_mailpiece(session, main, "Medium Flat Rate Box")
    session.xdotool("mousemove", "--window", main, *PDF_BUTTON, "click", "1")
    time.sleep(1.0)
    geometry = session.geometry(main)
    # "Open PDF", the menu's first item, just under the button.
    session.xdotool("mousemove", str(geometry["X"] + int(PDF_BUTTON[0]) + 11),
                    str(geometry["Y"] + int(PDF_BUTTON[1]) + 22), "click", "1")
    url = wait_for("the PDF handed to the opener", session.opened_urls, 60)[0]
    if not url.startswith("file://") or not url.endswith(".pdf"):
        raise Failure("the opener received %r, not a PDF file" % url)
    pdf = urllib.parse.unquote(url[len("file://"):])
    if not os.path.isfile(pdf) or os.path.getsize(pdf) < 1000:
        raise Failure("the opened PDF %s is missing or empty" % pdf)
    page = rendered(session, pdf, "opened", 300)[0]
    symbols = zxing(page)
    indicia = [text for kind, text in symbols if kind == "PDF417"]
    tracking = [text for kind, text in symbols if kind == "Code128"]
    if not indicia or "TOLVANE DEMO TEST INDICIUM" not in indicia[0] or "ACCT " + ACCOUNT not in indicia[0]:
        raise Failure("the opened PDF's indicium reads %r (all symbols: %r)" % (indicia, symbols))
    log = wait_for("the mailing log's entry", session.mailing_log, 20)
    if len(log) != 1:
        raise Failure("the mailing log holds %d entries" % len(log))
    if tracking != [log[0].get("QVUSPSShipmentBarcodeNumberKey")]:
        raise Failure("the tracking barcode reads %r, the log has %r" %
                      (tracking, log[0].get("QVUSPSShipmentBarcodeNumberKey")))
    postage = mils_of_dollars(log[0]["QVUSPSShipmentPostageKey"])
    after = session.account()
    if before["balanceMils"] - after["balanceMils"] != postage or len(after["pieces"]) != 1:
        raise Failure("the vendor charged %d mils for %d piece(s); the piece's postage is %d mils" %
                      (before["balanceMils"] - after["balanceMils"], len(after["pieces"]), postage))
    time.sleep(2.0)
    if session.pdfs():
        raise Failure("the opened PDF also went to the printer: %r" % session.pdfs())
